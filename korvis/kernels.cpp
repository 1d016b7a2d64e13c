#include "korvis/kernels.h"
