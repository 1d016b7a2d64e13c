// One source configuration: right-hand side from the current electrodes,
// solution with the factors of the wavenumber's matrix, field at the receiver.
#pragma once

#include <ostream>
#include <vector>

#include "common/array_layout.h"
#include "korvis/korvis_state.h"

namespace korvis {

// Matrix and vectors of one run, allocated once for the model's N.
struct SolveWorkspace {
  int ld = 0;
  std::vector<float> M, work, b, sigma;
  float rhoA = 0, rhoB = 0;  // resistivities at A and B of the last solve
  void allocate(int N);
};

using common::Configuration;

// b(i) = ((EA + EA') - EB - EB')*q(i) for every node; sets rhoA, rhoB by the
// electrode lookups (messages to console), then forms b by sourceRhsGiven.
void sourceRhs(const KorvisState& st, float XA, float ZA, float XB, float ZB, float* b,
               float& rhoA, float& rhoB, float ky, std::ostream& console);

// The right-hand side for known electrode resistivities, with coefficients q:
// wA = float(rhoA * (1/(2*3.1415925f)) in long double), wB likewise; per node,
// dA = 0.705*|P(i) - A| in float; A far (dL <= dA): EA, EA' the point kernel
// at the node from A and from (XA, -ZA); A near: the elementAverage sums over
// m = trunc((0.705/dA)*dL*1.5) points, each divided by m. B the same;
// b(i) = ((EA + EA') - EB - EB')*q(i) in float. Pure: safe to call
// concurrently for several configurations.
void sourceRhsGiven(const KorvisState& st, const float* q, float XA, float ZA, float XB, float ZB,
                    float rhoA, float rhoB, float* b, float ky);

// True when the current electrode (X, Z) lies on a node centre, where the
// near-field point count m = trunc((0.705/dA)*dL*1.5) of sourceRhsGiven has
// no value (dA = 0) or exceeds any sensible count (above 2^28 points); node
// is then the 0-based index of the first such node. The driver rejects such
// a geometry before computing. Absent electrodes (x = -10000 for A, 10000
// for B) are far from every node of a real model and need no exception.
bool electrodeOnNode(const KorvisState& st, float X, float Z, int& node);

// Solves (when solveFlag <= 1; factorising when factorFlag < 2) and returns
// the field E at the receiver with the primary fields EA, EB. Returns 0, or
// the 1-based row of a zero pivot met while factorising.
int solveSource(const KorvisState& st, SolveWorkspace& ws, const Configuration& c, float ky,
                int factorFlag, int solveFlag, float& E, float& EA, float& EB,
                std::ostream& console);

}  // namespace korvis
