// Timing of the survey mode of korvis: a model of about 4000 nodes (a host
// with a row of conductive, chargeable blocks), 64 surface electrodes and
// 2000 four-electrode measurements (dipole-dipole, Wenner, pole-dipole),
// DC and IP. Prints the wavenumbers, the total time and the time per phase
// (matrix fill, factorisation, right-hand sides, substitutions, potentials),
// then measures the machine's own rates (bench/machine_rates.h) and sets the
// run against the limit of its dense arithmetic: the factorisations and the
// forward substitutions at the peak multiply-subtract rate of all cores, the
// back substitutions at the attainable chain rate of korvis's kernel. The
// fill and the potentials are not part of that limit; their share of the
// run is what a faster kernel evaluation could still take off.
//
// Usage: korvis_survey_bench [nodes] [subnormals|keep-subnormals]
// (default 4000 nodes). "subnormals" also counts the subnormal entries of
// the matrices, factors, right-hand sides and solutions (and takes longer);
// "keep-subnormals" counts them with the processor's flush of subnormals
// to zero left off, as the run was before it had one.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/dense_update.h"
#include "common/worker_pool.h"
#include "korvis/back_substitution.h"
#include "korvis/survey_model.h"
#include "machine_rates.h"

namespace {

void addNode(korvis::KorvisState& st, float x, float z, float dL, float xn, float zn, float q,
             float qIP) {
  auto& nd = st.nodes;
  const auto i = static_cast<std::size_t>(nd.N++);
  nd.x[i] = x;
  nd.z[i] = z;
  nd.dL[i] = dL;
  nd.xn[i] = xn;
  nd.zn[i] = zn;
  nd.q[i] = q;
  nd.qIP[i] = qIP;
}

// Host 100 ohm-m, 2 km wide and deep; eight square blocks 20 m wide of 10
// ohm-m (chargeability 10 %) under the profile, their outlines cut into
// elements to reach about `target` nodes.
std::unique_ptr<korvis::KorvisState> benchModel(int target) {
  auto st = std::make_unique<korvis::KorvisState>();
  st->nodes.setCapacity(std::max(target, korvis::maxNodes));
  st->keyIP = 1;
  auto& m = st->model;
  const float corners[4][2] = {{-1000, 0}, {1000, 0}, {1000, 1000}, {-1000, 1000}};
  m.nP = 4;
  for (int v = 0; v < 4; ++v) {
    m.xp[static_cast<std::size_t>(v)] = corners[v][0];
    m.zp[static_cast<std::size_t>(v)] = corners[v][1];
  }
  m.nT = 1;
  m.Ro[0] = 100.0f;
  m.RO_IP[0] = 100.0f;
  m.nVer[0] = 4;
  for (int k = 0; k < 5; ++k) m.vertexRing[0][static_cast<std::size_t>(k)] = 1 + k % 4;
  m.nPOnSurface = 2;
  m.surfaceList[0] = 1;
  m.surfaceList[1] = 2;
  m.surfaceBodies[0] = 1;
  m.nSurfaceBodies = 1;
  const float host = 100.0f, block = 10.0f, blockIP = block / 0.9f;
  const float q = 2.0f * (host - block) / ((host + block) * host);
  const float qIP = 2.0f * (host - blockIP) / ((host + blockIP) * host);
  const int perSide = std::max(1, target / 32);
  for (int b = 0; b < 8; ++b) {
    const float x0 = -140.0f + 35.0f * static_cast<float>(b),
                z0 = 8.0f + 2.0f * static_cast<float>(b);
    const float h = 20.0f / static_cast<float>(perSide);
    for (int k = 0; k < perSide; ++k) {
      const float t = (static_cast<float>(k) + 0.5f) * h;
      addNode(*st, x0 + t, z0, h, 0.0f, -1.0f, q, qIP);
      addNode(*st, x0 + 20.0f, z0 + t, h, 1.0f, 0.0f, q, qIP);
      addNode(*st, x0 + 20.0f - t, z0 + 20.0f, h, 0.0f, 1.0f, q, qIP);
      addNode(*st, x0, z0 + 20.0f - t, h, -1.0f, 0.0f, q, qIP);
    }
  }
  return st;
}

}  // namespace

int main(int argc, char** argv) {
  const int target = argc > 1 ? std::atoi(argv[1]) : 4000;
  const auto st = benchModel(target);
  std::vector<korvis::PotentialPoint> electrodes;
  for (int i = 0; i < 64; ++i) electrodes.push_back({-158.0 + 5.0 * i, 0.0});
  std::vector<korvis::Quadrupole> data;
  for (int a = 1; a <= 8 && data.size() < 2000; ++a) {
    for (int i = 0; i + 3 * a < 64; ++i) {
      for (int n = 1; n <= 6 && i + a + n * a + a < 64; ++n)
        data.push_back({i, i + a, i + a + n * a, i + 2 * a + n * a});
      data.push_back({i, i + 3 * a, i + a, i + 2 * a});
    }
  }
  for (int i = 0; data.size() < 2000; i = (i + 1) % 60)
    data.push_back({i, -1, i + 1, i + 2 + i % 2});
  data.resize(2000);

  std::ostringstream console;
  korvis::SurveyTimes times;
  korvis::SurveySetup setup;
  setup.times = &times;
  korvis::SubnormalCounts subnormals;
  const std::string mode = argc > 2 ? argv[2] : "";
  const bool scan = mode == "subnormals" || mode == "keep-subnormals";
  if (scan) setup.subnormals = &subnormals;
  setup.flushSubnormals = mode != "keep-subnormals";
  const auto start = std::chrono::steady_clock::now();
  const korvis::SurveyOutcome out = korvis::modelSurvey(*st, electrodes, data, setup, console);
  const double total =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("survey: %d nodes, %zu electrodes (%d current, %d potential), %zu measurements, IP\n",
              st->nodes.N, electrodes.size(), out.currentElectrodes, out.potentialElectrodes,
              data.size());
  std::printf("wavenumbers %zu, passes 2: %zu factorisations, %zu unit-source solves\n",
              out.rule.ky.size(), 2 * out.rule.ky.size(),
              2 * out.rule.ky.size() * static_cast<std::size_t>(out.currentElectrodes));
  std::printf("total %.2f s\n", total);
  const double dense = times.factor + times.substitute;
  std::printf("  matrix fill    %8.2f s  %5.1f %%\n", times.fill, 100.0 * times.fill / total);
  std::printf("  factorisation  %8.2f s  %5.1f %%\n", times.factor, 100.0 * times.factor / total);
  std::printf("  right-hand     %8.2f s  %5.1f %%\n", times.rhs, 100.0 * times.rhs / total);
  std::printf("  substitution   %8.2f s  %5.1f %%\n", times.substitute,
              100.0 * times.substitute / total);
  std::printf("  potentials     %8.2f s  %5.1f %%\n", times.potentials,
              100.0 * times.potentials / total);
  std::printf("  solves (factorisation + substitution) %.1f %% of the run\n",
              100.0 * dense / total);
  // The dense arithmetic against the machine's measured rates.
  const int threads = common::resolveThreads(0);
  const double n = st->nodes.N;
  const double factorisations = 2.0 * static_cast<double>(out.rule.ky.size());
  const double solves = factorisations * out.currentElectrodes;
  const double factorFlops = factorisations * 2.0 * n * n * n / 3.0;
  const double forwardFlops = solves * n * (n - 1.0);
  const double backMultiplyAdds = solves * n * (n - 1.0) / 2.0;
  const double peakOne = bench::peakMultiplySubtract(1);
  const double peakAll = bench::peakMultiplySubtract(threads);
  const bench::ChainRate chain = bench::attainableChainRate(st->nodes.N, threads);
  const double limitFactor = factorFlops / (peakAll * 1e9);
  const double limitSubstitute = forwardFlops / (peakAll * 1e9) + backMultiplyAdds / chain.multiplyAdds;
  const double limit = limitFactor + limitSubstitute;
  std::printf("machine: %s, %d cores; vector width %d bytes (elimination), %d bytes (back substitution)\n",
              bench::processorModel().c_str(), threads, common::eliminationWidth(),
              korvis::backSubstitutionWidth());
  std::printf("peak multiply-subtract: %.1f GFLOP/s on one core, %.1f on %d cores; attainable chain "
              "rate %.2f G multiply-adds/s (%d chains, %d right-hand sides per task)\n",
              peakOne, peakAll, threads, chain.multiplyAdds / 1e9, chain.chains, chain.columns);
  std::printf("factorisations %.1f GFLOP/s (%.0f %% of peak), %.2f times their limit %.2f s; "
              "substitutions %.2f times their limit %.2f s\n",
              factorFlops / times.factor / 1e9, 100.0 * factorFlops / times.factor / 1e9 / peakAll,
              times.factor / limitFactor, limitFactor, times.substitute / limitSubstitute, limitSubstitute);
  std::printf("limit of the dense arithmetic %.2f s; the run %.2f s is %.2f times it (the dense phases "
              "alone %.2f times)\n",
              limit, total, total / limit, solves > 0 ? (times.factor + times.substitute) / limit : 0.0);
  if (scan) {
    std::printf("subnormal entries: filled %zu, factors %zu of %zu matrix entries; right-hand sides %zu, "
                "solutions %zu of %zu vector entries\n",
                subnormals.filled, subnormals.factors, subnormals.matrixEntries, subnormals.rhs,
                subnormals.solutions, subnormals.vectorEntries);
  }
  return out.pivotRow == 0 ? 0 : 3;
}
