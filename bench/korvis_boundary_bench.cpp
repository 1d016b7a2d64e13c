// Timing of the korvis numerical core on a full-size node set (about 4100
// nodes: 68 blocks of 20 m x 10 m cut into 1 m elements): the matrix fill of
// one wavenumber (plain and DC/IP pair), one receiver field and one right-
// hand side, at wavenumbers from the 2D limit up to the table's upper end.
// Then the dense solve of that matrix (factorisation, forward and back
// substitution of 256 right-hand sides of real sources) against the same
// steps on a synthetic matrix of the same order, with the count of
// subnormal floats in the factors and forward results: the speed of the
// single-precision steps depends on the data where products underflow.
// Wall and process CPU time are printed; the CPU time shows the cost when
// the machine is shared.
//
// Usage: korvis_boundary_bench
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <cmath>
#include <random>

#include "korvis/boundary.h"
#include "korvis/lu_solve.h"
#include "korvis/solve.h"

namespace {

void addNode(common::NodeTable& nd, float x, float z, float xn, float zn) {
  const auto i = static_cast<std::size_t>(nd.N++);
  nd.x[i] = x;
  nd.z[i] = z;
  nd.dL[i] = 1.0f;
  nd.xn[i] = xn;
  nd.zn[i] = zn;
  nd.q[i] = 0.8f;
  nd.qIP[i] = 0.75f;
}

struct Clock {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  std::clock_t cpu = std::clock();
  void report(const char* what, double per) const {
    const double w = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    const double c = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    std::printf("  %-26s wall %9.3f ms   cpu %9.3f ms\n", what, 1e3 * w / per, 1e3 * c / per);
  }
};

std::size_t subnormals(const std::vector<float>& v) {
  std::size_t count = 0;
  for (float x : v) count += std::fpclassify(x) == FP_SUBNORMAL ? 1 : 0;
  return count;
}

// Factorisation, forward and back substitution of M (order n) with the
// right-hand sides B0 (n x nrhs), each timed.
void denseSolve(const char* name, std::vector<float> M, int n, const std::vector<float>& B0,
                int nrhs) {
  std::vector<float> B = B0, X(B0.size());
  Clock factor;
  korvis::luFactor(M.data(), n, n, 0);
  factor.report((std::string(name) + " luFactor").c_str(), 1);
  Clock forward;
  korvis::luForwardMany(M.data(), n, n, B.data(), n, nrhs, 0);
  forward.report((std::string(name) + " forward").c_str(), 1);
  Clock back;
  korvis::luBackMany(M.data(), n, n, B.data(), n, X.data(), n, nrhs, 0);
  back.report((std::string(name) + " back").c_str(), 1);
  std::printf("  %s: %zu subnormal floats in the factors, %zu in the forward results\n", name,
              subnormals(M), subnormals(B));
}

}  // namespace

int main() {
  auto st = std::make_unique<korvis::KorvisState>();
  auto& nd = st->nodes;
  for (int b = 0; nd.N + 60 <= korvis::maxNodes; ++b) {
    const float x0 = -400.0f + 30.0f * static_cast<float>(b % 27);
    const float z0 = 2.0f + 15.0f * static_cast<float>(b / 27);
    for (int k = 0; k < 20; ++k) addNode(nd, x0 + 0.5f + static_cast<float>(k), z0, 0, -1);
    for (int k = 0; k < 10; ++k) addNode(nd, x0 + 20, z0 + 0.5f + static_cast<float>(k), 1, 0);
    for (int k = 0; k < 20; ++k) addNode(nd, x0 + 19.5f - static_cast<float>(k), z0 + 10, 0, 1);
    for (int k = 0; k < 10; ++k) addNode(nd, x0, z0 + 9.5f - static_cast<float>(k), -1, 0);
  }
  const int n = nd.N;
  std::printf("N = %d\n", n);
  const auto cells = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  std::vector<float> dc(cells), ip(cells), sigma(static_cast<std::size_t>(n), 0.01f),
      b(static_cast<std::size_t>(n));
  std::ostringstream diagnostics;
  for (float ky : {0.0f, 0.003f, 0.03f, 0.3f, 3.0f}) {
    std::printf("ky = %g\n", static_cast<double>(ky));
    Clock plain;
    korvis::assembleBoundaryMatrix(nd, nd.q.data(), 100.0f, dc.data(), n, ky, diagnostics);
    plain.report("matrix", 1);
    Clock pair;
    korvis::assembleBoundaryMatrixPair(nd, nd.q.data(), 100.0f, dc.data(), nd.qIP.data(), 125.0f,
                                       ip.data(), n, ky, diagnostics);
    pair.report("DC+IP matrix pair", 1);
    constexpr int calls = 200;
    Clock field;
    float EA, EB, E;
    for (int r = 0; r < calls; ++r) {
      korvis::receiverField(nd, 100.0f, -300.0f + static_cast<float>(r), 0.0f, -320, 0, 300, 0, 1,
                            0, sigma.data(), 100, 100, ky, 2, EA, EB, E);
    }
    field.report("receiverField", calls);
    Clock rhs;
    for (int r = 0; r < calls; ++r) {
      korvis::sourceRhsGiven(*st, nd.q.data(), -300.0f + static_cast<float>(r), 0.0f, 300, 0, 100,
                             100, b.data(), ky);
    }
    rhs.report("sourceRhsGiven", calls);

    constexpr int nrhs = 256;
    std::vector<float> B(static_cast<std::size_t>(n) * nrhs);
    for (int r = 0; r < nrhs; ++r) {
      korvis::sourceRhsGiven(*st, nd.q.data(), -300.0f + 2.0f * static_cast<float>(r), 0.0f,
                             -290.0f + 2.0f * static_cast<float>(r), 0, 100, 100,
                             B.data() + static_cast<std::size_t>(r) * n, ky);
    }
    denseSolve("boundary", dc, n, B, nrhs);
    std::mt19937 gen(1);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> synthetic(cells);
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i)
        synthetic[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * n] =
            i == j ? 1.0f + 0.2f * u(gen) : 0.5f * u(gen) / static_cast<float>(n + (i - j) * (i - j));
    for (auto& x : B) x = u(gen);
    denseSolve("synthetic", synthetic, n, B, nrhs);
  }
  return 0;
}
