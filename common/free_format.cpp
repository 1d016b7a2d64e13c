#include "common/free_format.h"
