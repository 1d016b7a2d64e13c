// The survey mode's vector loops over far pairs against the scalar code
// they stand in for: the matrix column (smoothFarColumn, against the point
// formula with smoothK1Kernel) and the far elements' potential moments
// (farPotentialMoments, against elementMoments) and the electrodes' fields
// at the nodes (farSourceFields, against directionalKernel), with the pairs
// each must leave to the scalar code; and the fills and tables built on them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <vector>

#include "korvis/boundary.h"
#include "korvis/charge_profile.h"
#include "korvis/far_potentials.h"
#include "korvis/far_source_fields.h"
#include "korvis/kernels.h"
#include "korvis/potentials.h"
#include "korvis/smooth_columns.h"
#include "korvis/test_nodes.h"

namespace korvis {
namespace {

// Random elements (some on the surface, a coinciding pair), a cluster of
// short ones close together and three above the surface (relief).
common::NodeTable mixedNodes(unsigned seed) {
  common::NodeTable nd(maxNodes);
  testing::randomNodes(nd, 200, seed);
  for (int k = 0; k < 12; ++k)
    testing::addNode(nd, 5.0f + 0.3f * static_cast<float>(k), 3.0f, 0.3f, 0.0f, -1.0f, 0.4f, 0.3f);
  for (int k = 0; k < 3; ++k)
    testing::addNode(nd, -12.0f + 4.0f * static_cast<float>(k), -1.5f, 2.0f, 0.6f, -0.8f, -0.5f, 0.2f);
  return nd;
}

// Wavenumbers from 0 through those where every pair takes x*K1's first
// formula (below 2/(the largest distance), about 0.015 here) and those
// where the runs of a column take either or both, to those where most pairs
// are beyond 700.
constexpr float kys[] = {0.0f, 1e-5f, 0.004f, 0.07f, 0.9f, 6.0f, 60.0f};

TEST(SmoothFarColumn, FarEntriesAreThePointFormulaAndNearOnesAreLeft) {
  const float sentinel = 1234.5f;
  for (unsigned seed : {1u, 2u}) {
    const common::NodeTable nd = mixedNodes(seed);
    const auto n = static_cast<std::size_t>(nd.N);
    const float g[2] = {120.0f / 6.283185f, 80.0f / 6.283185f};
    const float* const q[2] = {nd.q.data(), nd.qIP.data()};
    SmoothColumnScratch scratch;
    for (float ky : kys) {
      for (int j = 0; j < nd.N; ++j) {
        std::vector<float> dc(n, sentinel), ip(n, sentinel);
        std::vector<unsigned char> special(n, 7);
        float* const columns[2] = {dc.data(), ip.data()};
        smoothFarColumn<2>(nd, j, ky, g, q, columns, special.data(), scratch);
        const auto uj = static_cast<std::size_t>(j);
        const float dLj = nd.dL[uj];
        for (std::size_t i = 0; i < n; ++i) {
          const double dx = static_cast<double>(nd.x[i]) - static_cast<double>(nd.x[uj]);
          const double dz = static_cast<double>(nd.z[i]) - static_cast<double>(nd.z[uj]);
          const double sz = static_cast<double>(nd.z[i]) + static_cast<double>(nd.z[uj]);
          const double root = std::sqrt(dx * dx + dz * dz), rootImage = std::sqrt(dx * dx + sz * sz);
          const auto d = static_cast<float>(static_cast<double>(0.9f) * root);
          // The pairs the scalar fill treats otherwise must be marked.
          const bool near = i == uj || nd.z[i] < 0.0f || dLj > 0.5f * d ||
                            static_cast<double>(dLj) > 0.5 * sz;
          ASSERT_LE(special[i], 1);
          if (near) {
            ASSERT_EQ(special[i], 1) << "i " << i << " j " << j << " ky " << ky;
          }
          if (special[i] != 0) {
            EXPECT_EQ(dc[i], sentinel);
            EXPECT_EQ(ip[i], sentinel);
            continue;
          }
          const KernelGeometry direct = kernelGeometryAt<SmoothK1>(dx, dz, root, nd.xn[i], nd.zn[i], ky);
          const KernelGeometry image = kernelGeometryAt<SmoothK1>(dx, sz, rootImage, nd.xn[i], nd.zn[i], ky);
          for (int k = 0; k < 2; ++k) {
            const float D = weighKernel(dLj, g[k], direct), I = weighKernel(dLj, g[k], image);
            const float want = -(D + I) * q[k][i];
            const float got = k == 0 ? dc[i] : ip[i];
            // G may round to the neighbouring float; D and I then move by
            // an ulp, and their sum by an ulp of the larger.
            EXPECT_LE(std::fabs(got - want), 2.5e-7f * (std::fabs(D) + std::fabs(I)) * std::fabs(q[k][i]))
                << "i " << i << " j " << j << " ky " << ky << " matrix " << k;
          }
        }
      }
    }
  }
}

// Electrodes on the surface, in the ground, on the line of the surface
// elements (a bare pole there gets no field from them), among the short
// elements, and above the surface.
TEST(FarSourceFields, FarNodesAreThePointFormulaAndTheOthersAreLeft) {
  const common::NodeTable nd = mixedNodes(5);
  const auto n = static_cast<std::size_t>(nd.N);
  const struct {
    float x, z, w, wImage;
  } electrodes[] = {{0.0f, 0.0f, 15.9f, 15.9f}, {2.5f, 0.0f, 15.9f, 0.0f}, {-7.0f, 12.0f, 3.0f, 3.0f},
                    {6.0f, 3.1f, 1.0f, 1.0f}, {1.0f, -2.0f, 8.0f, 8.0f}};
  const float sentinel = -777.0f;
  for (const auto& e : electrodes) {
    for (float ky : kys) {
      std::vector<float> E(n, sentinel), EImage(n, sentinel);
      std::vector<unsigned char> special(n, 7);
      farSourceFields(nd, e.x, e.z, e.w, e.wImage, ky, E.data(), EImage.data(), special.data());
      for (std::size_t i = 0; i < n; ++i) {
        const float x = nd.x[i], z = nd.z[i];
        const float reach = 0.705f * std::sqrt((x - e.x) * (x - e.x) + (z - e.z) * (z - e.z));
        const bool other = !(nd.dL[i] <= reach) || z < 0.0f ||
                           (e.wImage == 0.0f && onElementLine(x, z, nd.xn[i], nd.zn[i], e.x, e.z));
        ASSERT_EQ(special[i], other ? 1 : 0) << "node " << i << " electrode " << e.x << ", " << e.z;
        if (other) {
          EXPECT_EQ(E[i], sentinel);
          EXPECT_EQ(EImage[i], sentinel);
          continue;
        }
        const float want = directionalKernel<SmoothK1>(x, z, e.x, e.z, nd.xn[i], nd.zn[i], 1.0f, e.w, ky);
        const float wantImage =
            directionalKernel<SmoothK1>(x, z, e.x, -e.z, nd.xn[i], nd.zn[i], 1.0f, e.wImage, ky);
        // G may round to the neighbouring float, and the field with it.
        EXPECT_LE(std::fabs(E[i] - want), 2.5e-7f * std::fabs(want)) << i << " ky " << ky;
        EXPECT_LE(std::fabs(EImage[i] - wantImage), 2.5e-7f * std::fabs(wantImage)) << i << " ky " << ky;
      }
    }
  }
}

std::vector<float> smoothFill(const common::NodeTable& nd, const float* q, float ro, float ky) {
  std::vector<float> M(static_cast<std::size_t>(nd.N) * static_cast<std::size_t>(nd.N));
  std::ostringstream console;
  assembleSmoothBoundaryMatrix(nd, q, ro, M.data(), nd.N, ky, console);
  return M;
}

TEST(SmoothBoundaryMatrixPair, EqualsTwoSingleFillsBitForBit) {
  const common::NodeTable nd = mixedNodes(3);
  const auto size = static_cast<std::size_t>(nd.N) * static_cast<std::size_t>(nd.N);
  for (float ky : kys) {
    std::vector<float> dc(size), ip(size);
    std::ostringstream console;
    assembleSmoothBoundaryMatrixPair(nd, nd.q.data(), 120.0f, dc.data(), nd.qIP.data(), 80.0f,
                                     ip.data(), nd.N, ky, console);
    EXPECT_EQ(std::memcmp(dc.data(), smoothFill(nd, nd.q.data(), 120.0f, ky).data(), size * sizeof(float)), 0) << ky;
    EXPECT_EQ(std::memcmp(ip.data(), smoothFill(nd, nd.qIP.data(), 80.0f, ky).data(), size * sizeof(float)), 0) << ky;
  }
}

// The points of the potential table: on the surface, in the ground among the
// elements, on an element's centre, and above the surface.
const PotentialPoint points[] = {{0.0, 0.0}, {3.3, 0.0}, {-20.0, 5.0}, {10.0, 25.0}, {5.0, 3.0}, {-8.0, -1.0}};
constexpr double potentialKys[] = {1e-4, 0.01, 0.3, 5.0, 80.0};

// elementMoments of element j seen from (xo, zo) plus those from (xo, -zo).
void bothMoments(const common::NodeTable& nd, std::size_t j, double xo, double zo, double ky,
                 double (&direct)[3], double (&image)[3]) {
  const auto xc = static_cast<double>(nd.x[j]), zc = static_cast<double>(nd.z[j]);
  const auto dL = static_cast<double>(nd.dL[j]);
  const auto ex = static_cast<double>(nd.xn[j]), ez = static_cast<double>(nd.zn[j]);
  elementMoments(xo, zo, xc, zc, dL, ex, ez, ky, direct);
  elementMoments(xo, -zo, xc, zc, dL, ex, ez, ky, image);
}

TEST(FarPotentialMoments, FarElementsAreThreePointMomentsAndNearOnesAreLeft) {
  const common::NodeTable nd = mixedNodes(4);
  const auto n = static_cast<std::size_t>(nd.N);
  const double marker = std::numeric_limits<double>::max();
  for (const PotentialPoint& p : points) {
    for (double ky : potentialKys) {
      std::vector<double> m0(n, marker), m1(n, marker), m2(n, marker);
      std::vector<unsigned char> special(n, 7);
      farPotentialMoments(nd, p.x, p.z, ky, m0.data(), m1.data(), m2.data(), special.data());
      for (std::size_t j = 0; j < n; ++j) {
        const auto dL = static_cast<double>(nd.dL[j]);
        const auto xc = static_cast<double>(nd.x[j]), zc = static_cast<double>(nd.z[j]);
        const bool near = dL > 0.35 * std::hypot(p.x - xc, p.z - zc) ||
                          dL > 0.35 * std::hypot(p.x - xc, -p.z - zc);
        ASSERT_LE(special[j], 1);
        if (near) {
          ASSERT_EQ(special[j], 1) << "point " << p.x << ", " << p.z << " element " << j;
        }
        if (special[j] != 0) {
          EXPECT_EQ(m0[j], marker);
          EXPECT_EQ(m2[j], marker);
          continue;
        }
        double direct[3], image[3];
        bothMoments(nd, j, p.x, p.z, ky, direct, image);
        const double want[3] = {direct[0] + image[0], direct[1] + image[1], direct[2] + image[2]};
        // The first moment is a difference; it is weighed, as the charge
        // profiles weigh it, on the scale of dL/2 times the zeroth. The
        // distances are roots where elementMoments takes hypot, an ulp apart:
        // K0(x) moves by x ulps when x does by one.
        const double x = ky * std::hypot(p.x - xc, std::fabs(p.z) + std::fabs(zc));
        const double scale = std::fabs(want[0]) * (1e-14 + 4e-16 * x);
        EXPECT_LE(std::fabs(m0[j] - want[0]), scale) << j << " ky " << ky;
        EXPECT_LE(std::fabs(m1[j] - want[1]), scale * dL) << j << " ky " << ky;
        EXPECT_LE(std::fabs(m2[j] - want[2]), scale * dL * dL) << j << " ky " << ky;
      }
    }
  }
}

// elementPotentialTable, the far elements from the vector loop, against the
// sum of elementMoments over every element; and the same from 1 and 3 threads.
TEST(ElementPotentialTable, MatchesTheMomentsOfEveryElementOnAnyThreadCount) {
  const auto st = testing::blockModel();
  const common::NodeTable& nd = st->nodes;
  const std::vector<ChargeProfile> profiles = chargeProfiles(nd, st->model);
  const std::vector<PotentialPoint> at(std::begin(points), std::end(points));
  const auto n = static_cast<std::size_t>(nd.N);
  for (double ky : potentialKys) {
    std::vector<double> table, other;
    elementPotentialTable(nd, profiles, at, ky, table, 1);
    elementPotentialTable(nd, profiles, at, ky, other, 3);
    ASSERT_EQ(std::memcmp(table.data(), other.data(), table.size() * sizeof(double)), 0) << ky;
    for (std::size_t p = 0; p < at.size(); ++p) {
      std::vector<double> want(n, 0.0), size(n, 0.0);
      for (std::size_t j = 0; j < n; ++j) {
        double direct[3], image[3];
        bothMoments(nd, j, at[p].x, at[p].z, ky, direct, image);
        const ChargeProfile& profile = profiles[j];
        for (int k = 0; k < profile.count; ++k) {
          const double* c = profile.c[k];
          const auto node = static_cast<std::size_t>(profile.node[k]);
          want[node] += c[0] * (direct[0] + image[0]) + c[1] * (direct[1] + image[1]) +
                        c[2] * (direct[2] + image[2]);
          size[node] += std::fabs(c[0] * (direct[0] + image[0])) + std::fabs(c[1] * (direct[1] + image[1])) +
                        std::fabs(c[2] * (direct[2] + image[2]));
        }
      }
      for (std::size_t j = 0; j < n; ++j)
        EXPECT_LE(std::fabs(table[p * n + j] - want[j]), 1e-13 * size[j]) << "point " << p << " node " << j;
    }
  }
}

}  // namespace
}  // namespace korvis
