// The far nodes' source fields in one loop without jumps (the kernel
// branch-free, the other nodes marked rather than skipped), so that it
// compiles to vector code; the arithmetic of a field is the point formula's
// (directionalKernel with the smooth kernel).
#include "korvis/far_source_fields.h"

#include <cstddef>

#include "korvis/bessel_lanes.h"
#include "korvis/node_lanes.h"

namespace korvis {

namespace {


void farNodes(int n, float xs, float zs, float w, float wImage, float ky, NodeLanes a,
              float* __restrict E, float* __restrict EImage, unsigned char* __restrict special) {
  const bool bare = wImage == 0.0f;
  for (int k = 0; k < n; ++k) {
    const auto i = static_cast<std::size_t>(k);
    const float x = a.x[i], z = a.z[i], xn = a.xn[i], zn = a.zn[i];
    const float fdx = x - xs, fdz = z - zs;
    const float reach = 0.705f * std::sqrt(fdx * fdx + fdz * fdz);
    // Bitwise, not logical: a short-circuit is a jump.
    const bool marked = !(a.dL[i] <= reach) | (z < 0.0f) | (bare & onElementLine(x, z, xn, zn, xs, zs));
    special[i] = marked ? 1 : 0;
    const double dx = static_cast<double>(x) - static_cast<double>(xs);
    const double dz = static_cast<double>(z) - static_cast<double>(zs);
    const double sz = static_cast<double>(z) + static_cast<double>(zs);
    const double r = std::sqrt(dz * dz + dx * dx), rImage = std::sqrt(sz * sz + dx * dx);
    const double f = dz * static_cast<double>(zn) + dx * static_cast<double>(xn);
    const double fImage = sz * static_cast<double>(zn) + dx * static_cast<double>(xn);
    const auto G = static_cast<double>(smoothK1Lanes(static_cast<float>(r), ky));
    const auto GImage = static_cast<double>(smoothK1Lanes(static_cast<float>(rImage), ky));
    const auto direct = static_cast<float>(static_cast<double>(w) * G * f);
    const auto image = static_cast<float>(static_cast<double>(wImage) * GImage * fImage);
    E[i] = lanes::select(marked, E[i], direct);
    EImage[i] = lanes::select(marked, EImage[i], image);
  }
}

}  // namespace

void farSourceFields(const common::NodeTable& nodes, float xs, float zs, float w, float wImage,
                     float ky, float* E, float* EImage, unsigned char* special) {
  const NodeLanes a = nodeLanes(nodes);
  farNodes(nodes.N, xs, zs, w, wImage, ky, a, E, EImage, special);
}

}  // namespace korvis
