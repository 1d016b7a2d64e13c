// The wavenumber table of the 2.5D transform and the quadrature that turns
// the per-wavenumber results into apparent values. The potential of a point
// source over a 2D earth is the inverse cosine transform over the strike
// wavenumber ky of the 2D (ky-domain) solutions; it is sampled at four
// wavenumbers per decade between 1/(5 * largest spacing) and about
// 20/(smallest distance between a position and a node), with ky = 0 in front,
// and summed with trapezoid-like weights. The same weights are applied to the
// primary fields of a homogeneous half-space of unit resistivity, and the
// ratio of the two sums is the apparent resistivity, so the quadrature error
// largely cancels.
#pragma once

#include <ostream>
#include <string>

#include "korvis/korvis_state.h"

namespace korvis {

// min(10000, min_i sqrt((px - x(i))^2 + (pz - z(i))^2)), single precision.
float nearestNodeDistance(const common::NodeTable& nodes, float px, float pz);

// n + 1 with n = trunc(ln(rmax / rmin) / 0.5756463), the logarithm taken in
// long double of the single-precision ratio; at most 35 and, because the
// transform needs ky = 0 and one positive wavenumber, at least 2.
int wavenumberCount(float rmax, float rmin);

// Sets nKy, Ky and WKy from the largest spacing and the profile (and, for
// kinds 17 and 19, the fixed electrodes):
//   rmax = 5*largest; rmin = 0.05*max(1e-4, smallest nearest-node distance);
//   Ky(1) = 0, Ky(2) = 1/rmax, Ky(k) = 1.7782794*Ky(k-1);
//   WKy(k) = Ky(k+1)/2 for k < nKy, WKy(nKy) = Ky(nKy) - Ky(nKy-1), built in
//   place as half differences followed by a running sum.
void setUpWavenumbers(KorvisState& st, float largestSpacing);

// The log line "  nKy  KyMIN  KyMAX - " nKy (I2), Ky(2), Ky(nKy) (E12.4).
std::string wavenumberLine(const KorvisState& st);

// What one evaluation contributes: the field at the first receiver with the
// primary fields EA, EB there; for kind 18 the same at the second receiver;
// for kind 19 EA, EB are the horizontal and EA2, EB2 the vertical primary
// fields (receiverField, mode 1) at the receiver. rhoA, rhoB are the
// electrode resistivities of the solve the fields belong to.
struct Evaluation {
  float value = 0, EA = 0, EB = 0;
  float value2 = 0, EA2 = 0, EB2 = 0;
  float rhoA = 0, rhoB = 0;
};

// |E| / (4 pi) of the analytic primary field of A (+) and B (-) at (X, Z),
// each electrode with its image at -z; an electrode whose resistivity is not
// positive contributes nothing.
float analyticFieldMagnitude(float X, float Z, float XA, float ZA, float XB, float ZB, float rhoA,
                             float rhoB);

// Adds the evaluation at wavenumber index k (0-based), grid cell `cell`, with
// weight w = WKy(k):
//   ResF += w*value; NrmF -= w*EB/rhoB (rhoB > 0); NrmF += w*EA/rhoA (rhoA > 0);
//   kind 18: the same into ResR, NrmR from the second receiver;
//   kind 19: NrmF from EA, EB and NrmR from EA2, EB2, and at k = 0 ResR =
//   analyticFieldMagnitude of the receiver (X, Z) and electrodes.
void accumulate(KorvisState& st, int k, int cell, const Evaluation& ev, float X, float Z, float XA,
                float ZA, float XB, float ZB);

// Turns the sums of a pass into results, cell by cell:
//   ResF = ResF/NrmF (kind 18 also ResR = ResR/NrmR);
//   kind 19: r = sqrt(NrmF^2 + NrmR^2); ResF = ResF*ResR/r when r > 1e-15,
//   else 0.18518518*ResF.
// Cells whose primary-field sum is zero are still divided (the value is then
// not finite) and are reported to `warnings`; `pass` is 1 (DC) or 2 (IP).
void finishPass(KorvisState& st, int pass, std::ostream& warnings);

// DcF = 100*(ResF - DcF)/ResF in percent (kind 18 also DcR from ResR).
void computeChargeability(KorvisState& st);

}  // namespace korvis
