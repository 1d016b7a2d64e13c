// Boundary influence coefficients for one wavenumber: near-field quadrature
// over an element, the system matrix with image terms, and the field at a
// receiver from the element charges.
//
// Precision: element geometry (first end, midpoints, the projection e, the
// distance to the centre, the part counts) in float; quadrature sums over an
// element in double (elementIntegral) or float (elementAverage); matrix
// distances in double, rounded to float after the factor 0.9; diagonal entry
// float(1 - double(q)*I); off-diagonal entry -(D + I)*q with D and I rounded
// to float first, all in float.
#pragma once

#include <ostream>

#include "korvis/korvis_state.h"

namespace korvis {

// Field along (nx, nz) at (xo, zo) of the uniformly charged element centred
// on (xc, zc) with normal (ex, ez), length dL, density s, weight w: midpoint
// rule over m = 4*trunc(dL/(0.7*dist)) parts, summed in double. Part p
// (1..m) has its midpoint at S0 + (p - 0.5)*h, S0 = (xc + dL*ez/2,
// zc - dL*ex/2), h = (-(dL*ez)/m, dL*ex/m). 0 when |e| < 1e-10 or
// |s| < 1e-10, e = (xo - xc)*nx + (zo - zc)*nz.
// smooth: smoothK1Kernel in place of the table (the same for elementAverage).
double elementIntegral(float xo, float zo, float xc, float zc, float dL, float nx, float nz,
                       float ex, float ez, float s, float w, float ky, bool smooth = false);

// Sums over m points along the receiving element (centre x, z; normal xn, zn;
// length dL; points placed as in elementIntegral) of the field along the
// normal of a unit source at (xs, zs) and at (xs, zsImage), in float.
void elementAverage(float x, float z, float xn, float zn, float dL, int m, float xs, float zs,
                    float zsImage, float w, float ky, float& direct, float& image,
                    bool smooth = false);

// Fills the n x n matrix (column-major, leading dimension ld) for wavenumber
// ky: M(i,i) = 1 - q(i)*I_ii, M(i,j) = -(D_ij + I_ij)*q(i), g = Ro1/6.283185.
// Coinciding node/image pairs write their diagnostic lines to `console`, in
// row-major order of (i, j) as a plain double loop would. Runs on every
// core; the entries do not depend on the number of threads.
void assembleBoundaryMatrix(const common::NodeTable& nodes, const float* q, float Ro1,
                            float* M, int ld, float ky, std::ostream& console);

// The DC and the IP matrix of one wavenumber at once, each bit-identical to
// assembleBoundaryMatrix with its own coefficients and Ro1: the geometry of
// every kernel (distance, G, projection) is evaluated once for both. The
// diagnostic lines depend on the geometry alone and are written once.
void assembleBoundaryMatrixPair(const common::NodeTable& nodes, const float* qDC,
                                float Ro1DC, float* Mdc, const float* qIP, float Ro1IP,
                                float* Mip, int ld, float ky, std::ostream& console);

// The same two fills with the smooth kernel smoothK1Kernel in place of the
// table (the survey mode and --accurate); every other step as above, except
// that the near pairs take segmentField (graded panels) and the far pairs
// come a column at a time from smoothFarColumn (smooth_columns.h), whose G
// differs from smoothK1Kernel's by rounding only (a float apart at most).
void assembleSmoothBoundaryMatrix(const common::NodeTable& nodes, const float* q,
                                  float Ro1, float* M, int ld, float ky, std::ostream& console);
void assembleSmoothBoundaryMatrixPair(const common::NodeTable& nodes, const float* qDC,
                                      float Ro1DC, float* Mdc, const float* qIP, float Ro1IP,
                                      float* Mip, int ld, float ky, std::ostream& console);

// Primary fields EA, EB at the receiver and, unless mode == 1, the total
// field E = (EA - EB) + secondary field of the charges sigma (double sum of
// a direct and an image term per node). Pure: safe to call concurrently.
void receiverField(const common::NodeTable& nodes, float rho, float xr, float zr,
                   float XA, float ZA, float XB, float ZB, float nx, float nz, const float* sigma,
                   float rhoA, float rhoB, float ky, int mode, float& EA, float& EB, float& E);

// receiverField's primary fields alone (its mode 1): EA = the kernel at the
// receiver from A plus that from (XA, -ZA), weight rhoA*0.15915495; EB
// likewise; with the smooth kernel when `smooth`.
void primaryFields(float xr, float zr, float XA, float ZA, float XB, float ZB, float nx, float nz,
                   float rhoA, float rhoB, float ky, bool smooth, float& EA, float& EB);

// trunc(quotient) as a point or part count. Counts that would not fit the
// loops' int range (an observation point or electrode almost on an element
// centre) are held at 2^28, and a NaN gives 0, instead of an undefined
// conversion.
int truncatedCount(float quotient);

}  // namespace korvis
