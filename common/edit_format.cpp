#include "common/edit_format.h"
