// Literal reference of the telm 2D system and array run (see the header).
#include "reference_arrays.h"

#include <cmath>

#include "common/edit_format.h"
#include "common/exit_codes.h"
#include "common/output_file.h"
#include "telm/array_kinds.h"
#include "telm/qz_export.h"
#include "telm/result_files.h"

namespace telm::reference {

namespace {

float distance(float x1, float z1, float x2, float z2) {
  return std::sqrt((x1 - x2) * (x1 - x2) + (z1 - z2) * (z1 - z2));
}

}  // namespace

MatrixReport assembleSystemMatrix(const Nodes& nodes, const ActiveColumns& act, int n, float* a,
                                  int ld, int arrayKind) {
  MatrixReport report;
  const float c = act.rho[0] * 0.15915492f;
  for (int i = 0; i < n; ++i) {
    const float ki = act.coef[i];
    const float xi = nodes.x[i], zi = nodes.z[i], nxi = nodes.xn[i], nzi = nodes.zn[i];
    for (int j = 0; j < n; ++j) {
      const float xj = nodes.x[j], zj = nodes.z[j], dLj = nodes.dL[j];
      const float d = 0.705f * distance(xi, zi, xj, zj);
      const float dImage = 0.705f * distance(xi, zi, xj, -zj);
      if (d <= 1e-5f && dImage <= 1e-5f) {
        report.coincident.push_back({i + 1, j + 1, xi, zi, xj, zj, d, dImage});
      }
      float& entry = a[i + static_cast<std::ptrdiff_t>(j) * ld];
      if (i == j) {
        float tImage;
        if (zi + zj < dLj) {
          tImage = elementFieldIntegral(xi, zi, xj, -zj, dLj, nxi, nzi, nodes.xn[j], -nodes.zn[j],
                                        1.0f, c);
          ++report.nearCount;
        } else {
          tImage = normalFieldKernel(xi, zi, xj, -zj, nxi, nzi, dLj, c);
        }
        if (arrayKind == 13) tImage = 0.0f;
        entry = 1.0f - ki * tImage;
        continue;
      }
      bool near = false;
      float t, tImage;
      if (dLj > d) {
        t = elementFieldIntegral(xi, zi, xj, zj, dLj, nxi, nzi, nodes.xn[j], nodes.zn[j], 1.0f, c);
        near = true;
      } else {
        t = normalFieldKernel(xi, zi, xj, zj, nxi, nzi, dLj, c);
      }
      if (dLj > dImage) {
        tImage = elementFieldIntegral(xi, zi, xj, -zj, dLj, nxi, nzi, nodes.xn[j], -nodes.zn[j],
                                      1.0f, c);
        near = true;
      } else {
        tImage = normalFieldKernel(xi, zi, xj, -zj, nxi, nzi, dLj, c);
      }
      if (near) ++report.nearCount;
      if (arrayKind == 13) tImage = 0.0f;
      entry = -ki * (t + tImage);
    }
  }
  return report;
}

float configurationResponse(const Nodes& nodes, int n, const float* chargeDensity, Electrodes& e,
                            const SourceMedium& medium, float rho1, int arrayKind) {
  const float c1 = rho1 * 0.15915492f;
  if (arrayKind == 13) {
    float hx = 0.0f, hz = 0.0f;
    for (int i = 0; i < n; ++i) {
      hx += normalFieldKernel(e.xM, e.zM, nodes.x[i], nodes.z[i], 1.0f, 0.0f,
                              chargeDensity[i] * nodes.dL[i], c1);
      hz += normalFieldKernel(e.xM, e.zM, nodes.x[i], nodes.z[i], 0.0f, 1.0f,
                              chargeDensity[i] * nodes.dL[i], c1);
    }
    e.xN = hx;
    e.zN = hz;
    return 0.0f;
  }
  const float cA = medium.rhoA * 0.15915492f;
  const float cB = medium.rhoB * 0.15915492f;
  const float uAM = lineSourcePotential(e.xM, e.zM, e.XA, e.ZA, 1.0f, cA) +
                    lineSourcePotential(e.xM, e.zM, e.XA, -e.ZA, 1.0f, cA);
  const float uAN = lineSourcePotential(e.xN, e.zN, e.XA, e.ZA, 1.0f, cA) +
                    lineSourcePotential(e.xN, e.zN, e.XA, -e.ZA, 1.0f, cA);
  const float uBM = lineSourcePotential(e.xM, e.zM, e.XB, e.ZB, 1.0f, cB) +
                    lineSourcePotential(e.xM, e.zM, e.XB, -e.ZB, 1.0f, cB);
  const float uBN = lineSourcePotential(e.xN, e.zN, e.XB, e.ZB, 1.0f, cB) +
                    lineSourcePotential(e.xN, e.zN, e.XB, -e.ZB, 1.0f, cB);
  const float dA = uAM - uAN;
  const float dB = uBM - uBN;
  const float dP = dA - dB;
  const float dK = dA / medium.rhoA - dB / medium.rhoB;
  float dS = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float sigma = chargeDensity[i];
    const float xi = nodes.x[i], zi = nodes.z[i], dLi = nodes.dL[i];
    const float xni = nodes.xn[i], zni = nodes.zn[i];
    float g1, g2, g3, g4;
    if (0.705f * distance(e.xM, e.zM, xi, zi) < dLi) {
      g1 = elementPotentialIntegral(e.xM, e.zM, xi, zi, dLi, xni, zni, sigma, c1);
    } else {
      g1 = lineSourcePotential(e.xM, e.zM, xi, zi, sigma * dLi, c1);
    }
    if (0.705f * distance(e.xM, e.zM, xi, -zi) < dLi) {
      g2 = elementPotentialIntegral(e.xM, e.zM, xi, -zi, dLi, xni, -zni, sigma, c1);
    } else {
      g2 = lineSourcePotential(e.xM, e.zM, xi, -zi, sigma * dLi, c1);
    }
    if (0.705f * distance(e.xN, e.zN, xi, zi) < dLi) {
      g3 = elementPotentialIntegral(e.xN, e.zN, xi, zi, dLi, xni, zni, sigma, c1);
    } else {
      g3 = lineSourcePotential(e.xN, e.zN, xi, zi, sigma * dLi, c1);
    }
    if (0.705f * distance(e.xN, e.zN, xi, -zi) < dLi) {
      g4 = elementPotentialIntegral(e.xN, e.zN, xi, -zi, dLi, xni, -zni, sigma, c1);
    } else {
      g4 = lineSourcePotential(e.xN, e.zN, xi, -zi, sigma * dLi, c1);
    }
    dS = dS + (g1 + g2 - g3 - g4);
  }
  return (dP + dS) / dK;
}

int computeArrays(TelmState& st, std::ostream& console, const std::string& directory) {
  const int n = st.nodes.N;
  SystemWorkspace ws(n);
  int heldKey = -1;       // pass * 2 + magnetic of the matrix in ws
  bool factored = false;  // ws holds its factors
  const bool firstMagnetic = st.arrayCount > 0 && effectiveKind(st.arrayKind[0]) == 13;
  for (int a = 0; a < st.arrayCount; ++a) {
    const int kind = effectiveKind(st.arrayKind[static_cast<std::size_t>(a)]);
    const ArrayKindInfo& info = arrayKindInfo(kind);
    console << info.title << "\n";
    common::OutputFile file(pathIn(directory, info.fileName));
    if (kind == 13) file << magneticHeader();
    std::vector<float> rho, ip;
    for (int pass = 0; pass < (st.keyIP != 0 ? 2 : 1); ++pass) {
      const ActiveColumns act = pass == 0
                                    ? ActiveColumns{st.nodes.q.data(), st.model.Ro.data()}
                                    : ActiveColumns{st.nodes.qIP.data(), st.model.RO_IP.data()};
      const bool rebuild = a == 0 || st.keyIP == 1;
      const int key = pass * 2 + ((rebuild ? kind == 13 : firstMagnetic) ? 1 : 0);
      if (rebuild || key != heldKey) {
        const MatrixReport report =
            assembleSystemMatrix(st.nodes, act, n, ws.a.data(), n, key % 2 == 1 ? 13 : 1);
        if (rebuild) {
          file << coincidentRecords(report);
          console << matrixSummary(report, n);
        }
        heldKey = key;
        factored = false;
      }
      console << common::formatLine("(2X,'Points (',I4,')')", {st.stationCount});
      for (int i = 1; i <= st.stationCount; ++i) {
        console << common::formatLine("(1X,I3,\\)", {i});
        if (kind == 12 || kind == 13) st.spacingCount = 1;
        if (ip.empty()) {
          ip.assign(static_cast<std::size_t>(st.stationCount * st.spacingCount), 0.0f);
        }
        for (int j = 1; j <= st.spacingCount; ++j) {
          Electrodes e = placeElectrodes(st, kind, i, j);
          float value = 0.0f;
          const int zeroPivot = evaluateConfiguration(st, ws, act, e, j, kind, factored ? 2 : 1,
                                                      directory, console, value);
          if (zeroPivot != 0) return common::exitNumerical;
          factored = true;
          if (kind == 13) {
            file << magneticLine(e);
          } else {
            ip[static_cast<std::size_t>((i - 1) + (kind == 12 ? 0 : j - 1) * st.stationCount)] =
                value;
          }
        }
      }
      if (pass == 0) {
        rho = ip;
        if (st.keyIP != 0) console << common::formatLine("(//,10X,'...IP is calculating ')", {});
      }
    }
    if (kind == 13) {
      file.commit();
      break;
    }
    ResultTables t(st.stationCount, st.spacingCount);
    if (!rho.empty()) {
      t.rho = rho;
      t.eta = ip;
    }
    for (std::size_t k = 0; k < t.eta.size(); ++k) {
      t.eta[k] = (t.eta[k] - t.rho[k]) / t.eta[k] * 100.0f;
    }
    file << resultFileText(st, kind, t);
    file.commit();
    if (kind == 7) {
      common::writeFileAtomically(pathIn(directory, "AB_MN_pr.txt"), pseudoSectionText(st, t));
    }
  }
  return common::exitNormal;
}

}  // namespace telm::reference
