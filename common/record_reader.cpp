#include "common/record_reader.h"
