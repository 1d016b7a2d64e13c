// One source configuration: the right-hand side from the primary field of
// the current electrodes at the nodes, the solution with the factors of the
// wavenumber's matrix, and the field at the receiver.
#include "korvis/solve.h"

#include <algorithm>
#include <cmath>

#include "korvis/boundary.h"
#include "korvis/electrode_resistivity.h"
#include "korvis/kernels.h"
#include "korvis/lu_solve.h"

namespace korvis {

namespace {

// 1/(2*pi) with pi the float 3.1415925, formed and applied in long double
// (the x87 extended format on x86); only the weight is rounded to float.
constexpr long double inverseTwoPi = 1.0L / (2.0L * static_cast<long double>(3.1415925f));

float sourceWeight(float rho) {
  return static_cast<float>(static_cast<long double>(rho) * inverseTwoPi);
}

float nearDistance(float x, float z, float X, float Z) {
  const float dx = x - X;
  const float dz = z - Z;
  return 0.705f * std::sqrt(dx * dx + dz * dz);
}

// EA and EA' of one electrode at node u: the point kernel when the element
// is short against the distance, else the mean over m points of the element.
void electrodeField(const common::NodeTable& nd, std::size_t u, float X, float Z,
                    float w, float ky, float& E, float& EImage) {
  const float x = nd.x[u], z = nd.z[u], dL = nd.dL[u], xn = nd.xn[u], zn = nd.zn[u];
  const float dist = nearDistance(x, z, X, Z);
  if (dL <= dist) {
    E = directionalKernel(x, z, X, Z, xn, zn, 1.0f, w, ky);
    EImage = directionalKernel(x, z, X, -Z, xn, zn, 1.0f, w, ky);
    return;
  }
  const int m = truncatedCount((0.705f / dist) * dL * 1.5f);
  float direct, image;
  elementAverage(x, z, xn, zn, dL, m, X, Z, -Z, w, ky, direct, image);
  const auto fm = static_cast<float>(m);
  E = direct / fm;
  EImage = image / fm;
}

}  // namespace

void SolveWorkspace::allocate(int N) {
  ld = std::max(N, 1);
  const auto n = static_cast<std::size_t>(std::max(N, 0));
  M.assign(static_cast<std::size_t>(ld) * static_cast<std::size_t>(ld), 0.0f);
  work.assign(n, 0.0f);
  b.assign(n, 0.0f);
  sigma.assign(n, 0.0f);
  rhoA = 0.0f;
  rhoB = 0.0f;
}

void sourceRhsGiven(const KorvisState& st, const float* q, float XA, float ZA, float XB, float ZB,
                    float rhoA, float rhoB, float* b, float ky) {
  const float wA = sourceWeight(rhoA);
  const float wB = sourceWeight(rhoB);
  for (int i = 0; i < st.nodes.N; ++i) {
    const auto u = static_cast<std::size_t>(i);
    float EA, EAi, EB, EBi;
    electrodeField(st.nodes, u, XA, ZA, wA, ky, EA, EAi);
    electrodeField(st.nodes, u, XB, ZB, wB, ky, EB, EBi);
    b[u] = ((EA + EAi) - EB - EBi) * q[u];
  }
}

void sourceRhs(const KorvisState& st, float XA, float ZA, float XB, float ZB, float* b,
               float& rhoA, float& rhoB, float ky, std::ostream& console) {
  electrodeResistivities(st.model, XA, ZA, XB, ZB, rhoA, rhoB, console);
  sourceRhsGiven(st, st.nodes.q.data(), XA, ZA, XB, ZB, rhoA, rhoB, b, ky);
}

bool electrodeOnNode(const KorvisState& st, float X, float Z, int& node) {
  constexpr float countLimit = 268435456.0f;  // 2^28, where truncatedCount saturates
  for (int i = 0; i < st.nodes.N; ++i) {
    const auto u = static_cast<std::size_t>(i);
    const float dL = st.nodes.dL[u];
    const float dist = nearDistance(st.nodes.x[u], st.nodes.z[u], X, Z);
    if (dist == 0.0f || (dL > dist && !((0.705f / dist) * dL * 1.5f < countLimit))) {
      node = i;
      return true;
    }
  }
  return false;
}

int solveSource(const KorvisState& st, SolveWorkspace& ws, const Configuration& c, float ky,
                int factorFlag, int solveFlag, float& E, float& EA, float& EB,
                std::ostream& console) {
  int zeroPivot = 0;
  if (solveFlag <= 1) {
    sourceRhs(st, c.XA, c.ZA, c.XB, c.ZB, ws.b.data(), ws.rhoA, ws.rhoB, ky, console);
    zeroPivot = luSolve(ws.M.data(), ws.ld, ws.sigma.data(), ws.b.data(), st.nodes.N,
                        ws.work.data(), factorFlag);
  }
  receiverField(st.nodes, st.model.Ro[0], c.xr, c.zr, c.XA, c.ZA, c.XB, c.ZB, c.nx, c.nz,
                ws.sigma.data(), ws.rhoA, ws.rhoB, ky, 2, EA, EB, E);
  return zeroPivot;
}

}  // namespace korvis
