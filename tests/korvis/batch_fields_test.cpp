// The batched right-hand sides and receiver fields against the routines for
// one configuration, bit for bit: shared and distinct electrodes, near and
// far ones, absent ones, repeated receivers with different charges.
#include "korvis/batch_fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "korvis/boundary.h"
#include "korvis/solve.h"
#include "model_files.h"

namespace korvis {
namespace {

// Electrode points: a few repeated surface points, points next to the block
// (inside the reach of its elements), and the two absent positions.
std::vector<SourcePair> sources(std::mt19937& rng, int count) {
  std::uniform_int_distribution<int> pick(0, 7);
  std::uniform_real_distribution<float> rho(1.0f, 200.0f);
  const float points[8][2] = {{-30, 0}, {-12.5f, 0}, {0.5f, 0},  {-10.3f, 20.1f},
                              {9.7f, 12}, {45, 0},    {-10000, 0}, {10000, 0}};
  const float rhos[3] = {100.0f, 40.0f, rho(rng)};
  std::vector<SourcePair> out;
  for (int s = 0; s < count; ++s) {
    const auto a = pick(rng), b = pick(rng);
    SourcePair p{points[a][0], points[a][1], points[b][0], points[b][1], rhos[s % 3],
                 rhos[(s + 1) % 3]};
    if (a == 7) p.rhoA = 0.0f;
    if (b == 6) p.rhoB = 0.0f;
    out.push_back(p);
  }
  return out;
}

TEST(FieldBatch, RightHandSidesMatchTheSingleConfigurationRoutine) {
  const auto st = testing::faultModel(1.0f);
  const int n = st->nodes.N;
  std::mt19937 rng(7);
  const std::vector<SourcePair> pairs = sources(rng, 60);
  for (const float ky : {0.0f, 0.013f, 0.9f}) {
    SCOPED_TRACE(ky);
    const std::size_t ld = static_cast<std::size_t>(n) + 3;
    std::vector<float> batch(ld * pairs.size(), -1.0f), single(static_cast<std::size_t>(n));
    FieldBatch fields(2);
    fields.rightHandSides(*st, st->nodes.qIP.data(), pairs, ky, batch.data(), ld);
    for (std::size_t s = 0; s < pairs.size(); ++s) {
      const SourcePair& p = pairs[s];
      sourceRhsGiven(*st, st->nodes.qIP.data(), p.XA, p.ZA, p.XB, p.ZB, p.rhoA, p.rhoB,
                     single.data(), ky);
      EXPECT_EQ(std::memcmp(single.data(), batch.data() + s * ld, sizeof(float) * single.size()), 0)
          << "solve " << s;
      EXPECT_EQ(batch[s * ld + static_cast<std::size_t>(n)], -1.0f) << "padding untouched";
    }
  }
}

TEST(FieldBatch, RightHandSidesAcrossChunksOfElectrodes) {
  // More distinct electrodes than the field store holds for 4100 nodes.
  auto st = std::make_unique<KorvisState>();
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> coord(-50.0f, 50.0f), depth(0.5f, 30.0f), unit(-1, 1);
  auto& nd = st->nodes;
  for (int i = 0; i < maxNodes; ++i) {
    nd.x[i] = coord(rng);
    nd.z[i] = depth(rng);
    nd.dL[i] = 0.5f;
    nd.xn[i] = 0.6f;
    nd.zn[i] = 0.8f;
    nd.q[i] = unit(rng);
  }
  nd.N = maxNodes;
  st->model.nT = 1;
  std::vector<SourcePair> pairs;
  for (int s = 0; s < 600; ++s) {
    pairs.push_back({coord(rng), 0.0f, coord(rng), depth(rng), 100.0f, 50.0f});
  }
  const std::size_t ld = maxNodes;
  std::vector<float> batch(ld * pairs.size()), single(ld);
  FieldBatch fields(2);
  fields.rightHandSides(*st, nd.q.data(), pairs, 0.05f, batch.data(), ld);
  for (std::size_t s = 0; s < pairs.size(); s += 37) {
    const SourcePair& p = pairs[s];
    sourceRhsGiven(*st, nd.q.data(), p.XA, p.ZA, p.XB, p.ZB, p.rhoA, p.rhoB, single.data(), 0.05f);
    EXPECT_EQ(std::memcmp(single.data(), batch.data() + s * ld, sizeof(float) * ld), 0) << s;
  }
}

TEST(FieldBatch, ReceiversMatchTheSingleConfigurationRoutine) {
  const auto st = testing::faultModel(1.0f);
  const auto& nd = st->nodes;
  const auto n = static_cast<std::size_t>(nd.N);
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> charge(-2.0f, 2.0f);
  const int columns = 5;
  std::vector<float> sigma(n * columns);
  for (float& s : sigma) s = charge(rng);

  // Receivers on the surface, in the block, beside its elements (near
  // field), with vertical and oblique directions; each used several times.
  const float points[][4] = {{-20, 0, 1, 0},   {3.5f, 0, 1, 0},   {-10.2f, 15, 0, 1},
                             {0.4f, 11, 0.6f, 0.8f}, {9.9f, 29.9f, 1, 0}, {60, 2, 0, 1}};
  std::vector<ReceiverRequest> requests;
  std::uniform_int_distribution<int> pick(0, 5), column(0, columns - 1);
  for (int r = 0; r < 40; ++r) {
    const auto* p = points[pick(rng)];
    ReceiverRequest q;
    q.xr = p[0];
    q.zr = p[1];
    q.nx = p[2];
    q.nz = p[3];
    q.XA = -25.0f;
    q.XB = r % 4 == 0 ? 10000.0f : 30.0f;
    q.ZB = r % 3 == 0 ? 5.0f : 0.0f;
    q.rhoA = 100.0f;
    q.rhoB = r % 4 == 0 ? 0.0f : 40.0f;
    q.column = column(rng);
    requests.push_back(q);
  }
  for (const float ky : {0.0f, 0.02f, 1.5f}) {
    SCOPED_TRACE(ky);
    FieldBatch fields(2);
    std::vector<ReceiverValue> values;
    fields.receivers(nd, 100.0f, requests, sigma.data(), n, ky, values);
    ASSERT_EQ(values.size(), requests.size());
    for (std::size_t r = 0; r < requests.size(); ++r) {
      const ReceiverRequest& q = requests[r];
      float EA, EB, E;
      receiverField(nd, 100.0f, q.xr, q.zr, q.XA, q.ZA, q.XB, q.ZB, q.nx, q.nz,
                    sigma.data() + static_cast<std::size_t>(q.column) * n, q.rhoA, q.rhoB, ky, 2,
                    EA, EB, E);
      EXPECT_EQ(std::memcmp(&E, &values[r].E, sizeof E), 0) << r;
      EXPECT_EQ(std::memcmp(&EA, &values[r].EA, sizeof EA), 0) << r;
      EXPECT_EQ(std::memcmp(&EB, &values[r].EB, sizeof EB), 0) << r;
    }
  }
}

}  // namespace
}  // namespace korvis
