// Wavenumber table, quadrature weights and the combination of the
// per-wavenumber values into apparent resistivity, calibrated field and
// apparent chargeability. All arithmetic is single precision except the
// logarithm that sizes the table.
#include "korvis/wavenumbers.h"

#include <algorithm>
#include <cmath>

#include "common/edit_format.h"

namespace korvis {

namespace {

constexpr float kyRatio = 1.7782794f;       // 10^(1/4): four wavenumbers per decade
constexpr float lnKyRatio = 0.5756463f;     // ln(1.7782794)
constexpr float farDistance = 10000.0f;
constexpr float closestDistance = 1.0e-4f;  // a position on a node is taken this close
constexpr float inverseFourPi = 0.0795774757862091f;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

void addPrimary(float& sum, float w, float EA, float EB, float rhoA, float rhoB) {
  if (rhoB > 0.0f) sum = sum - w * EB / rhoB;
  if (rhoA > 0.0f) sum = sum + w * EA / rhoA;
}

// The field of a unit source at (xe, ze) and of its image at (xe, -ze).
void pointField(float X, float Z, float xe, float ze, float& ex, float& ez) {
  const float dx = X - xe;
  const float dzDirect = Z - ze;
  const float dzImage = Z + ze;
  const float r1 = std::sqrt(dx * dx + dzDirect * dzDirect);
  const float r2 = std::sqrt(dx * dx + dzImage * dzImage);
  const float r1Cubed = r1 * r1 * r1;
  const float r2Cubed = r2 * r2 * r2;
  ex = dx * (1.0f / r1Cubed + 1.0f / r2Cubed);
  ez = dzDirect / r1Cubed + dzImage / r2Cubed;
}

// `grid` names the array of kind 18 ("forward", "reverse"), or is empty.
void warnZeroSum(std::ostream& warnings, int pass, int p, int j, const char* grid) {
  warnings << "korvis: warning: " << (pass == 1 ? "DC" : "IP") << " pass, position " << p
           << ", spacing " << j;
  if (*grid != '\0') warnings << ", " << grid << " array";
  warnings << ": the primary-field sum is zero, the apparent value is not finite\n";
}

}  // namespace

float nearestNodeDistance(const common::NodeTable& nodes, float px, float pz) {
  float nearest = farDistance;
  for (int i = 0; i < nodes.N; ++i) {
    const float dx = px - nodes.x[at(i)];
    const float dz = pz - nodes.z[at(i)];
    const float d = std::sqrt(dx * dx + dz * dz);
    if (d < nearest) nearest = d;
  }
  return nearest;
}

int wavenumberCount(float rmax, float rmin) {
  const float ratio = rmax / rmin;
  const long double decades =
      std::log(static_cast<long double>(ratio)) / static_cast<long double>(lnKyRatio);
  // Below one step (or a ratio that is not positive) there would be fewer
  // than the two wavenumbers the weights need.
  if (!(decades >= 1.0L)) return 2;
  if (decades >= static_cast<long double>(maxWavenumbers - 1)) return maxWavenumbers;
  return static_cast<int>(decades) + 1;
}

void setUpWavenumbers(KorvisState& st, float largestSpacing) {
  const common::ArrayFile& a = st.arr;
  const float rmax = 5.0f * largestSpacing;
  float rmin = 1.0e10f;
  for (int p = 0; p < a.nPos; ++p) {
    const float d = nearestNodeDistance(st.nodes, a.X0 + static_cast<float>(p) * a.dX,
                                        a.Z0 + static_cast<float>(p) * a.dZ);
    if (d < rmin) rmin = d;
  }
  if (a.keyArr == 17 || a.keyArr == 19) {
    for (const auto& [xe, ze] : {std::pair{a.XA, a.ZA}, std::pair{a.XB, a.ZB}}) {
      const float d = nearestNodeDistance(st.nodes, xe, ze);
      if (d < rmin) rmin = d;
    }
  }
  if (rmin < closestDistance) rmin = closestDistance;
  rmin = 0.05f * rmin;

  st.nKy = wavenumberCount(rmax, rmin);
  const int n = st.nKy;
  st.Ky[0] = 0.0f;
  st.Ky[1] = 1.0f / rmax;
  for (int k = 2; k < n; ++k) st.Ky[at(k)] = kyRatio * st.Ky[at(k - 1)];

  for (int k = 0; k + 1 < n; ++k) st.WKy[at(k)] = 0.5f * (st.Ky[at(k + 1)] - st.Ky[at(k)]);
  st.WKy[at(n - 1)] = 2.0f * st.WKy[at(n - 2)];
  for (int k = 1; k + 1 < n; ++k) st.WKy[at(k)] = st.WKy[at(k - 1)] + st.WKy[at(k)];
}

std::string wavenumberLine(const KorvisState& st) {
  return common::formatLine("(2X,'nKy  KyMIN  KyMAX - ',I2,2E12.4)",
                            {st.nKy, st.Ky[1], st.Ky[at(st.nKy - 1)]});
}

float analyticFieldMagnitude(float X, float Z, float XA, float ZA, float XB, float ZB, float rhoA,
                             float rhoB) {
  float exA = 0.0f, ezA = 0.0f, exB = 0.0f, ezB = 0.0f;
  if (rhoA > 0.0f) pointField(X, Z, XA, ZA, exA, ezA);
  if (rhoB > 0.0f) pointField(X, Z, XB, ZB, exB, ezB);
  const float ex = exA - exB;
  const float ez = ezA - ezB;
  return inverseFourPi * std::sqrt(ex * ex + ez * ez);
}

void accumulate(KorvisState& st, int k, int cell, const Evaluation& ev, float X, float Z, float XA,
                float ZA, float XB, float ZB) {
  const float w = st.WKy[at(k)];
  const auto c = at(cell);
  st.ResF[c] = st.ResF[c] + w * ev.value;
  addPrimary(st.NrmF[c], w, ev.EA, ev.EB, ev.rhoA, ev.rhoB);
  switch (st.arr.keyArr) {
    case 18:
      st.ResR[c] = st.ResR[c] + w * ev.value2;
      addPrimary(st.NrmR[c], w, ev.EA2, ev.EB2, ev.rhoA, ev.rhoB);
      break;
    case 19:
      addPrimary(st.NrmR[c], w, ev.EA2, ev.EB2, ev.rhoA, ev.rhoB);
      if (k == 0) st.ResR[c] = analyticFieldMagnitude(X, Z, XA, ZA, XB, ZB, ev.rhoA, ev.rhoB);
      break;
    default:
      break;
  }
}

void finishPass(KorvisState& st, int pass, std::ostream& warnings) {
  const common::ArrayFile& a = st.arr;
  for (int j = 0; j < a.nSpac; ++j) {
    for (int p = 0; p < a.nPos; ++p) {
      const auto c = at(p + j * a.nPos);
      if (a.keyArr == 19) {
        const float r = std::sqrt(st.NrmF[c] * st.NrmF[c] + st.NrmR[c] * st.NrmR[c]);
        if (r > 1.0e-15f) {
          st.ResF[c] = st.ResF[c] * st.ResR[c] / r;
        } else {
          st.ResF[c] = 0.18518518f * st.ResF[c];
        }
        continue;
      }
      if (st.NrmF[c] == 0.0f) warnZeroSum(warnings, pass, p + 1, j + 1, a.keyArr == 18 ? "forward" : "");
      st.ResF[c] = st.ResF[c] / st.NrmF[c];
      if (a.keyArr == 18) {
        if (st.NrmR[c] == 0.0f) warnZeroSum(warnings, pass, p + 1, j + 1, "reverse");
        st.ResR[c] = st.ResR[c] / st.NrmR[c];
      }
    }
  }
}

void computeChargeability(KorvisState& st) {
  const common::ArrayFile& a = st.arr;
  const int cells = a.nPos * a.nSpac;
  for (int i = 0; i < cells; ++i) {
    const auto c = at(i);
    st.DcF[c] = 100.0f * (st.ResF[c] - st.DcF[c]) / st.ResF[c];
    if (a.keyArr == 18) st.DcR[c] = 100.0f * (st.ResR[c] - st.DcR[c]) / st.ResR[c];
  }
}

}  // namespace korvis
