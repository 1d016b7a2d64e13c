// Kernels of the 2.5D point-source problem in the wavenumber domain: the
// tabulated G(r, ky) = ky*K1(ky*r)/r and its projection on a direction.
#pragma once

namespace korvis {

// G(r, ky) = ky*K1(ky*r)/r, from the table of 2*x*K1(x) (x = ky*r); 1/r^2
// for ky = 0 or ky*r <= 0.04, 0 above 71.1. r > 0.
void k1Kernel(float r, float ky, float& G);

// w1*w2*G(|P1'-P2|, ky)*((P1'-P2).(nx,nz)): the field component along
// (nx, nz) at P1 = (x1, z1) of the source at P2 = (x2, z2), where P1' is P1
// mirrored to -z1 when both z1 < 0 and z2 < 0.
float directionalKernel(float x1, float z1, float x2, float z2, float nx, float nz, float w1,
                        float w2, float ky);

}  // namespace korvis
