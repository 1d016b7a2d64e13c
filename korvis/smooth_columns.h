// The far pairs of the survey-mode boundary matrices, a column at a time in
// vector loops. Almost every pair of a survey's matrix is far: both the
// element and its image lie further from the observation point than about
// twice the element's length, and the entry is the point formula with the
// smooth kernel. Those entries are computed here for a whole column with the
// branch-free kernel of bessel_lanes.h, so that the compiler evaluates
// several rows per instruction; the rows that need more (the diagonal, near
// pairs, points above the surface, coincidences) are marked for the scalar
// code of the boundary fill, which overwrites them.
#pragma once

#include <vector>

#include "korvis/korvis_state.h"

namespace korvis {

// The per-thread working arrays of smoothFarColumn (the distances,
// projections and kernels of a column's direct and image pairs).
struct SmoothColumnScratch {
  std::vector<float> r;
  std::vector<double> f, G;
};

// For every row i of column j of the W matrices (column[k][i] = M_k(i, j)):
//   special[i] = 1 when i == j, z_i < 0, dL_j > 0.5*(z_i + z_j) (near image),
//     dL_j > 0.5*d, dL_j > d or dL_j > d' (d, d' = float(0.9*|P_i - P_j|),
//     float(0.9*|P_i - P_j'|), P_j' the image), or d and d' both <= 1e-5;
//   else column[k][i] = -(D + I)*q_k(i), D = float(((dL_j*g_k)*G(r))*f) and
//     I likewise for the image, r = float(|P_i - P_j|) (float(|P_i - P_j'|)),
//     G = smoothK1Lanes(r, ky), f the separation's projection on node i's
//     normal, in double; entries of special rows are left as they were.
template <int W>
void smoothFarColumn(const common::NodeTable& nodes, int j, float ky, const float (&g)[W],
                     const float* const (&q)[W], float* const (&column)[W],
                     unsigned char* special, SmoothColumnScratch& scratch);

}  // namespace korvis
