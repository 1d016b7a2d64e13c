// Boundary influence coefficients for one wavenumber: near-field quadrature
// over an element, the system matrix with image terms, and the field at a
// receiver from the element charges.
#pragma once

#include <ostream>

#include "korvis/korvis_state.h"

namespace korvis {

// Field along (nx, nz) at (xo, zo) of the uniformly charged element centred
// on (xc, zc) with normal (ex, ez), length dL, density s, weight w: midpoint
// rule over m = 4*trunc(dL/(0.7*dist)) parts, summed in double.
double elementIntegral(float xo, float zo, float xc, float zc, float dL, float nx, float nz,
                       float ex, float ez, float s, float w, float ky);

// Sums over m points along the receiving element (centre x, z; normal xn, zn;
// length dL) of the field of a unit source at (xs, zs) and at (xs, zsImage).
void elementAverage(float x, float z, float xn, float zn, float dL, int m, float xs, float zs,
                    float zsImage, float w, float ky, float& direct, float& image);

// Fills the n x n matrix (column-major, leading dimension ld) for wavenumber
// ky: M(i,i) = 1 - q(i)*I_ii, M(i,j) = -(D_ij + I_ij)*q(i), g = Ro1/6.283185.
// Coinciding node/image pairs write their diagnostic lines to `console`, in
// row-major order of (i, j) as a plain double loop would.
void assembleBoundaryMatrix(const common::NodeTable<maxNodes>& nodes, const float* q, float Ro1,
                            float* M, int ld, float ky, std::ostream& console);

// Primary fields EA, EB at the receiver and, unless mode == 1, the total
// field E = (EA - EB) + secondary field of the charges sigma.
void receiverField(const common::NodeTable<maxNodes>& nodes, float rho, float xr, float zr,
                   float XA, float ZA, float XB, float ZB, float nx, float nz, const float* sigma,
                   float rhoA, float rhoB, float ky, int mode, float& EA, float& EB, float& E);

}  // namespace korvis
