// Reading of the two header records of varga.arr, field by field, so that
// every message names the field that was expected.
#include "common/array_file.h"

namespace common {

void readArrayHeader(RecordReader& in, ArrayFile& a) {
  in.record(a.dX, "dX", a.dZ, "dZ", a.X0, "X0", a.Z0, "Z0", a.nPos, "nPos", a.nSpac, "nSpac");
  in.record(a.XA, "XA", a.ZA, "ZA", a.XB, "XB", a.ZB, "ZB", a.XMN, "XMN", a.keyArr, "keyArr", a.iDir, "iDir");
}

}  // namespace common
