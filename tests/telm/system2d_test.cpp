// The 2D line-source system: kernel values, near-field quadrature against
// closed forms, the fast matrix and response against their literal
// references bit for bit, the console and diagnostic records of a build, the
// body lookup at the current electrodes, and the solution of a vertical
// contact against its image solution.
#include "telm/system2d.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "array_test_models.h"
#include "reference_arrays.h"
#include "telm/factor_solve.h"
#include "telm/response_rows.h"

namespace telm {
namespace {

using testing::ScratchDir;

// --- kernels and quadrature -------------------------------------------------

TEST(Kernels, PointFormulas) {
  EXPECT_FLOAT_EQ(lineSourcePotential(3, 4, 0, 0, 2.0f, 0.5f), -std::log(5.0f));
  // Field along (0.6, 0.8) at (3, 4) of a source at the origin: 5 / 25.
  EXPECT_FLOAT_EQ(normalFieldKernel(3, 4, 0, 0, 0.6f, 0.8f, 2.0f, 0.5f), 0.2f);
  EXPECT_FLOAT_EQ(normalFieldKernel(3, 4, 0, 0, 0.8f, -0.6f, 1.0f, 1.0f), 0.0f);
}

TEST(Kernels, FieldIntegralMatchesTheClosedForm) {
  // Element on the x axis centred at 0, length 2, normal (0, 1); at (0, h)
  // the normal field of unit density is 2 atan(L / 2h).
  for (const float h : {0.3f, 0.5f, 1.0f}) {
    const float value = elementFieldIntegral(0, h, 0, 0, 2.0f, 0, 1, 0, 1, 1.0f, 1.0f);
    EXPECT_NEAR(value, 2.0f * std::atan(1.0f / h), 0.01f * value) << "h = " << h;
  }
  // Seen along the element's own line the field is zero.
  EXPECT_EQ(elementFieldIntegral(5, 0, 0, 0, 2.0f, 0, 1, 0, 1, 1.0f, 1.0f), 0.0f);
  EXPECT_EQ(elementFieldIntegral(0, 0.5f, 0, 0, 2.0f, 0, 1, 0, 1, 1e-11f, 1.0f), 0.0f);
}

TEST(Kernels, PotentialIntegralMatchesTheClosedForm) {
  // -int_{-a}^{a} ln sqrt(x^2 + h^2) dx = -2 (a ln sqrt(a^2+h^2) - a + h atan(a/h)).
  const float a = 1.0f;
  for (const float h : {0.2f, 0.5f, 1.0f}) {
    const float exact = -2.0f * (a * std::log(std::sqrt(a * a + h * h)) - a + h * std::atan(a / h));
    const float value = elementPotentialIntegral(0, h, 0, 0, 2 * a, 0, 1, 1.0f, 1.0f);
    EXPECT_NEAR(value, exact, 0.01f * std::fabs(exact) + 1e-4f) << "h = " << h;
  }
}

TEST(Kernels, ReceiverOnTheElementCentreStaysFinite) {
  const float value = elementPotentialIntegral(0, 0, 0, 0, 2.0f, 0, 1, 1.0f, 1.0f);
  EXPECT_TRUE(std::isfinite(value));
  EXPECT_NEAR(value, 2.0f, 0.01f);  // -int_{-1}^{1} ln|x| dx = 2
  EXPECT_EQ(nearFieldPieces(1.0f, 0.0f), 4 * 250000);
  EXPECT_EQ(nearFieldPieces(1.0f, 1.0f), 4);
}

// --- matrix -----------------------------------------------------------------

// Random nodes, some coinciding on the surface, many close to each other so
// that every branch of the matrix builder is taken.
std::unique_ptr<TelmState> randomNodes(int n, unsigned seed) {
  auto st = std::make_unique<TelmState>();
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> ux(-40, 40), uz(0, 25), ul(0.3f, 6), ua(0, 6.2831855f),
      uq(-1.5f, 1.5f);
  Nodes& nd = st->nodes;
  nd.N = n;
  for (int i = 0; i < n; ++i) {
    const float angle = ua(gen);
    nd.x[i] = ux(gen);
    nd.z[i] = i % 7 == 3 ? 0.0f : uz(gen);
    nd.dL[i] = ul(gen);
    nd.xn[i] = std::cos(angle);
    nd.zn[i] = std::sin(angle);
    nd.q[i] = uq(gen);
    nd.qIP[i] = uq(gen);
  }
  nd.x[5] = nd.x[3];  // a second node on top of a surface node
  nd.z[5] = 0.0f;
  st->model.nT = 1;
  st->model.Ro[0] = 37.0f;
  st->model.RO_IP[0] = 41.0f;
  return st;
}

void expectSameMatrix(const TelmState& st, int kind, int threads) {
  const int n = st.nodes.N;
  const ActiveColumns act{st.nodes.q.data(), st.model.Ro.data()};
  std::vector<float> fast(static_cast<std::size_t>(n * n), -1), plain(fast.size(), -2);
  const MatrixReport r1 = assembleSystemMatrix(st.nodes, act, n, fast.data(), n, kind, threads);
  const MatrixReport r2 = reference::assembleSystemMatrix(st.nodes, act, n, plain.data(), n, kind);
  EXPECT_EQ(0, std::memcmp(fast.data(), plain.data(), fast.size() * sizeof(float)))
      << "kind " << kind << ", threads " << threads;
  EXPECT_EQ(r1.nearCount, r2.nearCount);
  EXPECT_EQ(coincidentRecords(r1), coincidentRecords(r2));
}

TEST(SystemMatrix, FastBuildIsBitIdenticalToThePlainLoop) {
  const auto random = randomNodes(157, 11);
  for (const int threads : {1, 2, 3}) {
    expectSameMatrix(*random, 1, threads);
    expectSameMatrix(*random, 13, threads);
  }
  ScratchDir dir;
  const auto real = testing::loadModel(dir, testing::blocksOverLayer());
  ASSERT_GT(real->nodes.N, 50);
  expectSameMatrix(*real, 1, 2);
}

TEST(SystemMatrix, ReportsCoincidentSurfaceNodesAndTheNearShare) {
  const auto st = randomNodes(12, 3);
  const int n = st->nodes.N;
  std::vector<float> a(static_cast<std::size_t>(n * n));
  const MatrixReport r = assembleSystemMatrix(st->nodes, {st->nodes.q.data(), st->model.Ro.data()},
                                              n, a.data(), n, 1, 2);
  // Surface nodes 4 and 6 (1-based) coincide with themselves and each other.
  std::vector<std::pair<int, int>> pairs;
  for (const CoincidentPair& p : r.coincident) pairs.emplace_back(p.i, p.j);
  const std::vector<std::pair<int, int>> expected{{4, 4}, {4, 6}, {6, 4}, {6, 6}, {11, 11}};
  EXPECT_EQ(pairs, expected);
  EXPECT_EQ(coincidentRecords(r).substr(0, 36), "\n  I,J,XI,ZI,XJ,ZJ,R1,RO:      4   4");

  MatrixReport share;
  share.nearCount = 3;
  EXPECT_EQ(matrixSummary(share, 4),
            "\n  Matrix have been calculated\n  Large elements - 18.75% of total\n");
  EXPECT_EQ(matrixSummary(MatrixReport{}, 0),
            "\n  Matrix have been calculated\n  Large elements -  0.00% of total\n");
}

// --- source body lookup -----------------------------------------------------

TEST(SourceBodyLookup, RulesOfTheCurrentElectrodes) {
  ScratchDir dir;
  const auto st = testing::loadModel(dir, testing::blocksOverLayer());
  const common::ModelGeometry& g = st->model;
  ASSERT_EQ(g.nPOnSurface, 3);
  const float* rho = g.Ro.data();

  EXPECT_EQ(surfaceBodyAt(g, -10), 1);
  EXPECT_EQ(surfaceBodyAt(g, 10), 2);
  EXPECT_EQ(surfaceBodyAt(g, 0), 1);  // the first segment that contains x
  EXPECT_EQ(surfaceBodyAt(g, 400), 1);
  EXPECT_EQ(bodyContaining(g, 100, 20), 2);
  EXPECT_EQ(bodyContaining(g, -100, 100), 3);
  EXPECT_EQ(bodyContaining(g, 0, 500), 1);  // outside every body

  Electrodes e;
  e.XA = -remoteX;
  e.XB = remoteX;
  e.ZA = 30;  // remote electrodes do not look at their depth
  SourceMedium m = sourceBodyLookup(g, rho, e);
  EXPECT_EQ(m.bodyA, 1);
  EXPECT_EQ(m.bodyB, 1);
  EXPECT_EQ(m.rhoB, 100.0f);

  e = Electrodes{};
  e.XA = 50;
  e.XB = -20;
  e.ZB = 120;
  m = sourceBodyLookup(g, rho, e);
  EXPECT_EQ(m.bodyA, 2);
  EXPECT_EQ(m.rhoA, 20.0f);
  EXPECT_EQ(m.bodyB, 3);

  // B at z = 400 with A on the surface: B in the last body whatever its x.
  e = Electrodes{};
  e.XA = 50;
  e.XB = -5000;
  e.ZB = 400;
  m = sourceBodyLookup(g, rho, e);
  EXPECT_EQ(m.bodyA, 2);
  EXPECT_EQ(m.bodyB, 3);
  EXPECT_EQ(m.rhoB, 500.0f);

  // With only two surface vertices every surface electrode is in body 1.
  common::ModelGeometry two = g;
  two.nPOnSurface = 2;
  e = Electrodes{};
  e.XA = 50;
  e.XB = 60;
  m = sourceBodyLookup(two, rho, e);
  EXPECT_EQ(m.bodyA, 1);
  EXPECT_EQ(m.bodyB, 1);
}

// --- response ---------------------------------------------------------------

TEST(Response, FastResponsesAreBitIdenticalToThePlainSum) {
  const auto st = randomNodes(300, 5);
  std::mt19937 gen(17);
  std::uniform_real_distribution<float> ux(-45, 45), uz(0, 20), us(-3, 3);
  std::vector<float> sigma(300);
  for (float& s : sigma) s = us(gen);
  const SourceMedium m{13.0f, 29.0f, 1, 2};
  std::vector<Electrodes> configs;
  for (int trial = 0; trial < 40; ++trial) {
    Electrodes e;
    e.XA = ux(gen);
    e.ZA = trial % 2 ? 0.0f : uz(gen);
    e.XB = trial % 5 == 0 ? remoteX : ux(gen);
    e.ZB = 0;
    // Receivers on node centres and their images as well as anywhere; some
    // receivers shared by several configurations, M and N at one point once.
    const int on = trial % 300;
    e.xM = trial % 10 == 0 ? st->nodes.x[on] : trial % 3 == 1 ? 7.5f : ux(gen);
    e.zM = trial % 10 == 0 ? st->nodes.z[on] : trial % 3 == 1 ? 0.0f : uz(gen);
    e.xN = trial == 13 ? e.xM : ux(gen);
    e.zN = trial == 13 ? e.zM : trial % 4 == 0 ? -st->nodes.z[on] : uz(gen);
    configs.push_back(e);
  }
  std::vector<float> plain;
  for (const Electrodes& e : configs) {
    for (const int kind : {1, 13}) {
      Electrodes fast = e, reference = e;
      const float r1 = configurationResponse(st->nodes, 300, sigma.data(), fast, m, 37.0f, kind);
      const float r2 =
          reference::configurationResponse(st->nodes, 300, sigma.data(), reference, m, 37.0f, kind);
      EXPECT_EQ(0, std::memcmp(&r1, &r2, sizeof r1)) << kind;
      EXPECT_EQ(0, std::memcmp(&fast, &reference, sizeof fast)) << kind;
      if (kind == 1) plain.push_back(r2);
    }
  }

  // From the receivers' logarithm rows, in one pass over the configurations
  // as the array run takes them: every row kept, or rows evicted and
  // computed again (a cap of 2 or 5 positions), on 1 to 3 threads.
  struct Table {
    std::size_t bytes;
    int threads;
    bool evicts;
  };
  const std::size_t perPosition = 2 * 300 * sizeof(float);
  for (const Table& t : {Table{SIZE_MAX, 1, false}, Table{SIZE_MAX, 3, false},
                         Table{0, 2, true}, Table{5 * perPosition + 7, 3, true}}) {
    ResponseRows rows(st->nodes, 300, t.bytes);
    std::vector<ReceiverPosition> receivers;
    for (const Electrodes& e : configs) {
      receivers.push_back({e.xM, e.zM});
      receivers.push_back({e.xN, e.zN});
    }
    std::vector<float> fromRows(configs.size());
    std::vector<ResponseRows::SlotPair> slots;
    for (int k = 0; k < static_cast<int>(configs.size());) {
      const int end = rows.admit(receivers, k, t.threads, slots);
      ASSERT_GT(end, k);
      for (int c = k; c < end; ++c) {
        fromRows[static_cast<std::size_t>(c)] =
            rows.response(slots[static_cast<std::size_t>(c - k)],
                          configs[static_cast<std::size_t>(c)], sigma.data(), m, 37.0f);
      }
      k = end;
    }
    EXPECT_EQ(0, std::memcmp(fromRows.data(), plain.data(), plain.size() * sizeof(float)))
        << "cap " << t.bytes << ", threads " << t.threads;
    std::set<std::pair<std::uint32_t, std::uint32_t>> distinct;
    for (const ReceiverPosition& p : receivers) {
      distinct.emplace(std::bit_cast<std::uint32_t>(p.x), std::bit_cast<std::uint32_t>(p.z));
    }
    EXPECT_EQ(rows.rowsComputed() > static_cast<long long>(distinct.size()), t.evicts);
    EXPECT_GE(rows.rowsComputed(), static_cast<long long>(distinct.size()));
  }
}

// --- physics ----------------------------------------------------------------

// Two quarter-spaces in contact along x = 0 down to `depth`: body 1 (rho1)
// for x < 0, body 2 (rho2) for x > 0, the contact cut into elements that
// grow geometrically with depth.
std::unique_ptr<TelmState> verticalContact(float rho1, float rho2, float depth) {
  auto st = std::make_unique<TelmState>();
  common::ModelGeometry& g = st->model;
  g.nP = 6;
  const float w = 20000;
  const float xs[] = {-w, 0, w, w, 0, -w}, zs[] = {0, 0, 0, depth, depth, depth};
  for (int j = 0; j < 6; ++j) {
    g.xp[j] = xs[j];
    g.zp[j] = zs[j];
  }
  g.nT = 2;
  g.Ro[0] = rho1;
  g.Ro[1] = rho2;
  g.RO_IP[0] = rho1;
  g.RO_IP[1] = rho2;
  g.nVer[0] = 4;
  g.nVer[1] = 4;
  g.vertexRing[0] = {1, 2, 5, 6, 1};
  g.vertexRing[1] = {2, 3, 4, 5, 2};
  g.nPOnSurface = 3;
  g.surfaceList = {1, 2, 3};
  g.surfaceBodies = {1, 2};
  g.nSurfaceBodies = 2;
  Nodes& nd = st->nodes;
  float top = 0, size = 0.25f;
  const float q = 2 * (rho2 - rho1) / ((rho2 + rho1) * rho1);
  while (top < depth && nd.N < maxNodes) {
    const float h = std::min(size, depth - top);
    nd.x[nd.N] = 0;
    nd.z[nd.N] = top + h / 2;
    nd.dL[nd.N] = h;
    nd.xn[nd.N] = 1;
    nd.zn[nd.N] = 0;
    nd.q[nd.N] = q;
    nd.qIP[nd.N] = q;
    ++nd.N;
    top += h;
    size = std::min(size * 1.08f, 0.1f * top + 0.25f);
  }
  return st;
}

// Potential of a unit line source on the surface at xS, at the surface
// point x, over two quarter-spaces (image in the contact, reflection
// coefficient k = (rho2 - rho1)/(rho2 + rho1)).
double contactPotential(double rho1, double rho2, double xS, double x) {
  const double k = (rho2 - rho1) / (rho2 + rho1);
  const double r = std::fabs(x - xS), rImage = std::fabs(x + xS);
  if (xS < 0) {
    return x < 0 ? -rho1 / M_PI * (std::log(r) + k * std::log(rImage))
                 : -rho1 / M_PI * (1 + k) * std::log(r);
  }
  return x > 0 ? -rho2 / M_PI * (std::log(r) - k * std::log(rImage))
               : -rho2 / M_PI * (1 - k) * std::log(r);
}

TEST(Physics, VerticalContactFollowsTheImageSolution) {
  const float rho1 = 100, rho2 = 10;
  const auto st = verticalContact(rho1, rho2, 20000);
  const int n = st->nodes.N;
  SystemWorkspace ws(n);
  const ActiveColumns act{st->nodes.q.data(), st->model.Ro.data()};
  assembleSystemMatrix(st->nodes, act, n, ws.a.data(), n, 1, 0);
  ASSERT_EQ(factorLinpack(ws.a.data(), n, n, ws.pivot.data()), 0);

  double worst = 0;
  for (const float x : {-60.0f, -25.0f, -8.0f, 8.0f, 25.0f, 60.0f}) {
    for (const float s : {5.0f, 15.0f}) {
      Electrodes e;
      e.XA = x - s;
      e.XB = x + s;
      e.xM = x - 1;
      e.xN = x + 1;
      if (e.XA * e.XB < 0 || e.xM * e.xN < 0) continue;  // keep every electrode off the contact
      const SourceMedium m = sourceBodyLookup(st->model, act.rho, e);
      buildRightHandSide(st->nodes, act.coef, e, m, 1, ws.rhs.data());
      solveFactored(ws.a.data(), n, n, ws.pivot.data(), ws.rhs.data(), ws.chargeDensity.data());
      const double rhoA =
          configurationResponse(st->nodes, n, ws.chargeDensity.data(), e, m, rho1, 1);

      const auto v = [&](double xS, double xR) { return contactPotential(rho1, rho2, xS, xR); };
      const auto u = [&](double xS, double xR) { return -std::log(std::fabs(xR - xS)) / M_PI; };
      const double exact = (v(e.XA, e.xM) - v(e.XA, e.xN) - v(e.XB, e.xM) + v(e.XB, e.xN)) /
                           (u(e.XA, e.xM) - u(e.XA, e.xN) - u(e.XB, e.xM) + u(e.XB, e.xN));
      worst = std::max(worst, std::fabs(rhoA - exact) / exact);
      EXPECT_NEAR(rhoA, exact, 0.001 * exact) << "station " << x << ", spacing " << s;
    }
  }
  RecordProperty("worst_relative_error", std::to_string(worst));
}

}  // namespace
}  // namespace telm
