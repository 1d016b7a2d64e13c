// The first two records of the array file varga.arr, which both programs
// read: the profile (dX, dZ, X0, Z0, nPos, nSpac) and the fixed electrodes
// with the array kind (XA, ZA, XB, ZB, XMN, keyArr, iDir). Each program checks
// the values and reads or generates the spacings itself.
#pragma once

#include "common/model.h"
#include "common/record_reader.h"

namespace common {

// Throws InputError for a missing, malformed or misplaced value.
void readArrayHeader(RecordReader& in, ArrayFile& a);

}  // namespace common
