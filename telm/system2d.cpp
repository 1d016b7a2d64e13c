// The 2D line-source boundary system: kernels, near-field quadrature, matrix,
// source-body lookup, right-hand side, response, and the one-configuration
// sequence. The matrix builder works column by column (contiguous in the
// column-major matrix) with the point formulas in a branch-free loop and the
// near-field quadrature patched in afterwards; every entry is computed by the
// same single-precision operations in the same order as the plain double loop
// over rows and columns would, so the result is bit-identical to it.
#include "telm/system2d.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/edit_format.h"
#include "telm/factor_solve.h"
#include "telm/parallel.h"
#include "telm/qz_export.h"

namespace telm {

namespace {

constexpr float tinyValue = 1e-10f;     // below this a projection or density counts as zero
constexpr float coincidentGap = 1e-5f;  // 0.705-scaled distances at or below this coincide
constexpr float maxQuarterPieces = 250000.0f;

float sgn(float v) { return v > 0.0f ? 1.0f : (v < 0.0f ? -1.0f : 0.0f); }

float distance(float x1, float z1, float x2, float z2) {
  const float dx = x1 - x2;
  const float dz = z1 - z2;
  return std::sqrt(dx * dx + dz * dz);
}

// First end and step of the m-piece subdivision of the element of length L
// centred at (xQ, zQ) with normal (ex, ez).
struct Subdivision {
  float x0, z0, hx, hz;
};

Subdivision subdivide(float xQ, float zQ, float L, float ex, float ez, int m) {
  Subdivision s{};
  s.x0 = xQ + 0.5f * L * ez;
  s.z0 = zQ - 0.5f * L * ex;
  const float fm = static_cast<float>(m);
  s.hx = sgn(xQ - s.x0) * std::fabs(L * ez) / fm;
  s.hz = sgn(zQ - s.z0) * std::fabs(L * ex) / fm;
  return s;
}

int truncatedCount(float ratio) {
  if (!(ratio < maxQuarterPieces)) ratio = maxQuarterPieces;
  return static_cast<int>(ratio);
}

// The image element of node j.
float imageZ(float z) { return -z; }

}  // namespace

bool sourcesFixedOverSpacings(int arrayKind) {
  switch (arrayKind) {
    case 4:
    case 5:
    case 8:
    case 9:
    case 12:
    case 13:
      return true;
    default:
      return false;
  }
}

float lineSourcePotential(float xP, float zP, float xQ, float zQ, float strength, float c) {
  return -std::log(distance(xP, zP, xQ, zQ)) * strength * c;
}

float normalFieldKernel(float xP, float zP, float xQ, float zQ, float nx, float nz, float strength,
                        float c) {
  const float dx = xP - xQ;
  const float dz = zP - zQ;
  return c * strength * (dx * nx + dz * nz) / (dx * dx + dz * dz);
}

int nearFieldPieces(float L, float r) { return 4 * truncatedCount(L / (0.7f * r)); }

float elementFieldIntegral(float xP, float zP, float xQ, float zQ, float L, float nx, float nz,
                           float ex, float ez, float density, float c) {
  const float s = (xP - xQ) * nx + (zP - zQ) * nz;
  if (std::fabs(s) < tinyValue || std::fabs(density) < tinyValue) return 0.0f;
  const int m = nearFieldPieces(L, distance(xP, zP, xQ, zQ));
  if (m <= 0) return 0.0f;
  const Subdivision sub = subdivide(xQ, zQ, L, ex, ez, m);
  const float strength = density * L / static_cast<float>(m);
  float sum = 0.0f;
  for (int k = 1; k <= m; ++k) {
    const float t = static_cast<float>(k) - 0.5f;
    sum += normalFieldKernel(xP, zP, sub.x0 + t * sub.hx, sub.z0 + t * sub.hz, nx, nz, strength, c);
  }
  return sum;
}

float elementPotentialIntegral(float xP, float zP, float xQ, float zQ, float L, float ex, float ez,
                               float density, float c) {
  if (std::fabs(density) < tinyValue) return 0.0f;
  const int m = nearFieldPieces(L, distance(xP, zP, xQ, zQ));
  if (m <= 0) return 0.0f;
  const Subdivision sub = subdivide(xQ, zQ, L, ex, ez, m);
  const float strength = density * L / static_cast<float>(m);
  float sum = 0.0f;
  for (int k = 1; k <= m; ++k) {
    const float t = static_cast<float>(k) - 0.5f;
    sum += lineSourcePotential(xP, zP, sub.x0 + t * sub.hx, sub.z0 + t * sub.hz, strength, c);
  }
  return sum;
}

void receiverElementAverage(const Nodes& nodes, int i, float xS, float zS, float xSImage,
                            float zSImage, int m, float c, float& direct, float& image) {
  const float xn = nodes.xn[i];
  const float zn = nodes.zn[i];
  const Subdivision sub = subdivide(nodes.x[i], nodes.z[i], nodes.dL[i], xn, zn, m);
  direct = 0.0f;
  image = 0.0f;
  for (int k = 1; k <= m; ++k) {
    const float t = static_cast<float>(k) - 0.5f;
    const float xk = sub.x0 + t * sub.hx;
    const float zk = sub.z0 + t * sub.hz;
    direct += normalFieldKernel(xk, zk, xS, zS, xn, zn, 1.0f, c);
    image += normalFieldKernel(xk, zk, xSImage, zSImage, xn, zn, 1.0f, c);
  }
}

MatrixReport assembleSystemMatrix(const Nodes& nodes, const ActiveColumns& act, int n, float* a,
                                  int ld, int arrayKind, int threads) {
  const float c = act.rho[0] * inverseTwoPi;
  const bool magnetic = arrayKind == magneticKind;
  const float* x = nodes.x.data();
  const float* z = nodes.z.data();
  const float* xn = nodes.xn.data();
  const float* zn = nodes.zn.data();
  const float* dL = nodes.dL.data();
  const float* k = act.coef;

  const int workers = std::max(1, std::min(threadCount(threads), n));
  std::vector<int> nearCounts(static_cast<std::size_t>(workers), 0);
  std::vector<std::vector<CoincidentPair>> coincident(static_cast<std::size_t>(workers));

  // Flag bits per receiver: 1 direct term near, 2 image term near, 4 coincident.
  constexpr std::uint8_t nearDirect = 1, nearImage = 2, coincidentFlag = 4;

  parallelBlocks(n, workers, [&](int begin, int end, int worker) {
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(n));
    int count = 0;
    std::vector<CoincidentPair>& found = coincident[static_cast<std::size_t>(worker)];
    for (int j = begin; j < end; ++j) {
      float* col = a + static_cast<std::ptrdiff_t>(j) * ld;
      const float xj = x[j], zj = z[j], dLj = dL[j];
      const float cdl = c * dLj;
      for (int i = 0; i < n; ++i) {
        const float dx = x[i] - xj;
        const float dz = z[i] - zj;
        const float dzImage = z[i] - imageZ(zj);
        const float r2 = dx * dx + dz * dz;
        const float r2Image = dx * dx + dzImage * dzImage;
        const float d = nearFactor * std::sqrt(r2);
        const float dImage = nearFactor * std::sqrt(r2Image);
        const float t = cdl * (dx * xn[i] + dz * zn[i]) / r2;
        float tImage = cdl * (dx * xn[i] + dzImage * zn[i]) / r2Image;
        if (magnetic) tImage = 0.0f;
        col[i] = -(k[i] * (t + tImage));
        flags[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(
            (dLj > d ? nearDirect : 0) | (dLj > dImage ? nearImage : 0) |
            (d <= coincidentGap && dImage <= coincidentGap ? coincidentFlag : 0));
      }
      for (int i = 0; i < n; ++i) {
        const std::uint8_t f = flags[static_cast<std::size_t>(i)];
        if (f & coincidentFlag) {
          const float dx = x[i] - xj;
          const float dz = z[i] - zj;
          const float dzImage = z[i] - imageZ(zj);
          found.push_back({i + 1, j + 1, x[i], z[i], xj, zj,
                           nearFactor * std::sqrt(dx * dx + dz * dz),
                           nearFactor * std::sqrt(dx * dx + dzImage * dzImage)});
        }
        if (i == j) {
          const bool nearSelfImage = z[i] + zj < dLj;
          if (nearSelfImage) ++count;
          const float tImage =
              magnetic        ? 0.0f
              : nearSelfImage ? elementFieldIntegral(x[i], z[i], xj, imageZ(zj), dLj, xn[i], zn[i],
                                                     xn[j], -zn[j], 1.0f, c)
                              : normalFieldKernel(x[i], z[i], xj, imageZ(zj), xn[i], zn[i], dLj, c);
          col[i] = 1.0f - k[i] * tImage;
          continue;
        }
        if ((f & (nearDirect | nearImage)) == 0) continue;
        ++count;
        const float t =
            (f & nearDirect)
                ? elementFieldIntegral(x[i], z[i], xj, zj, dLj, xn[i], zn[i], xn[j], zn[j], 1.0f, c)
                : normalFieldKernel(x[i], z[i], xj, zj, xn[i], zn[i], dLj, c);
        // The magnetic-field array has no image term; the pair still counts.
        const float tImage =
            magnetic          ? 0.0f
            : (f & nearImage) ? elementFieldIntegral(x[i], z[i], xj, imageZ(zj), dLj, xn[i], zn[i],
                                                     xn[j], -zn[j], 1.0f, c)
                              : normalFieldKernel(x[i], z[i], xj, imageZ(zj), xn[i], zn[i], dLj, c);
        col[i] = -(k[i] * (t + tImage));
      }
    }
    nearCounts[static_cast<std::size_t>(worker)] = count;
  });

  MatrixReport report;
  for (const int cnt : nearCounts) report.nearCount += cnt;
  for (const auto& list : coincident) {
    report.coincident.insert(report.coincident.end(), list.begin(), list.end());
  }
  std::sort(report.coincident.begin(), report.coincident.end(),
            [](const CoincidentPair& p, const CoincidentPair& q) {
              return p.i != q.i ? p.i < q.i : p.j < q.j;
            });
  return report;
}

std::string matrixSummary(const MatrixReport& report, int n) {
  const float share =
      n > 0 ? static_cast<float>(report.nearCount) / static_cast<float>(n * n) * 100.0f : 0.0f;
  return common::formatLine(
      "(/,2X,'Matrix have been calculated',/,2X,'Large elements -',F6.2,'% of total')", {share});
}

std::string coincidentRecords(const MatrixReport& report) {
  std::string text;
  for (const CoincidentPair& p : report.coincident) {
    text += common::formatLine("(/,2X,'I,J,XI,ZI,XJ,ZJ,R1,RO:',3X,2I4,6E12.4)",
                               {p.i, p.j, p.xi, p.zi, p.xj, p.zj, p.d, p.dImage});
  }
  return text;
}

int surfaceBodyAt(const common::ModelGeometry& model, float x) {
  for (int k = 0; k + 1 < model.nPOnSurface; ++k) {
    const float left = model.xp[static_cast<std::size_t>(model.surfaceList[k] - 1)];
    const float right = model.xp[static_cast<std::size_t>(model.surfaceList[k + 1] - 1)];
    if (left <= x && x <= right) {
      // A segment that no body runs along has no entry of its own; body 1
      // then stands in rather than a value from beyond the list.
      return k < model.nSurfaceBodies ? model.surfaceBodies[k] : 1;
    }
  }
  return 1;
}

int enclosingBody(const common::ModelGeometry& model, float x, float z) {
  constexpr float pi = 3.141593f;
  constexpr float twoPi = 2.0f * pi;
  float sum = 0.0f;
  for (int b = 0; b < model.nT; ++b) {
    const int nVer = model.nVer[b];
    const auto& ring = model.vertexRing[b];
    for (int m = 0; m < nVer; ++m) {
      const int v1 = ring[m] - 1;
      const int v2 = ring[(m + 1) % nVer] - 1;
      float alpha1 = std::atan2(model.zp[v1] - z, model.xp[v1] - x);
      float alpha2 = std::atan2(model.zp[v2] - z, model.xp[v2] - x);
      if (alpha1 < 0.0f) alpha1 += twoPi;
      if (alpha2 < 0.0f) alpha2 += twoPi;
      float delta = alpha2 - alpha1;
      if (delta < -pi) delta += twoPi;
      if (delta > pi) delta -= twoPi;
      sum += delta;
    }
    if (sum > 6.0f) return b + 1;
  }
  return 0;
}

int bodyContaining(const common::ModelGeometry& model, float x, float z) {
  const int body = enclosingBody(model, x, z);
  return body == 0 ? 1 : body;
}

SourceMedium sourceBodyLookup(const common::ModelGeometry& model, const float* rho,
                              const Electrodes& e) {
  SourceMedium m;
  if (e.ZB == 400.0f && e.ZA == 0.0f) {
    m.bodyB = std::max(model.nT, 1);
    m.bodyA = surfaceBodyAt(model, e.XA);
  } else {
    const auto classify = [&](float xS, float zS, bool remote) {
      if (remote) return 1;
      if (zS == 0.0f) return model.nPOnSurface >= 3 ? surfaceBodyAt(model, xS) : 1;
      return bodyContaining(model, xS, zS);
    };
    m.bodyA = classify(e.XA, e.ZA, e.XA == -remoteX);
    m.bodyB = classify(e.XB, e.ZB, e.XB == remoteX);
  }
  m.rhoA = rho[m.bodyA - 1];
  m.rhoB = rho[m.bodyB - 1];
  return m;
}

void buildRightHandSide(const Nodes& nodes, const float* coef, const Electrodes& e,
                        const SourceMedium& medium, int arrayKind, float* b) {
  const int n = nodes.N;
  if (arrayKind == magneticKind) {
    for (int i = 0; i < n; ++i) {
      b[i] = (e.XA * nodes.xn[i] + e.ZA * nodes.zn[i]) * coef[i] + nodes.qIP[i];
    }
    return;
  }
  const float cA = medium.rhoA * inverseTwoPi;
  const float cB = medium.rhoB * inverseTwoPi;
  // Field of one source and its image at node i, averaged over the element
  // when the source is close to it.
  const auto field = [&](int i, float xS, float zS, float cS, float& direct, float& image) {
    const float xi = nodes.x[i], zi = nodes.z[i], dLi = nodes.dL[i];
    const float r = distance(xi, zi, xS, zS);
    if (dLi > nearFactor * r) {
      const int m = truncatedCount(1.5f * dLi / r);
      receiverElementAverage(nodes, i, xS, zS, xS, -zS, m, cS, direct, image);
      direct = direct / static_cast<float>(m);
      image = image / static_cast<float>(m);
    } else {
      direct = normalFieldKernel(xi, zi, xS, zS, nodes.xn[i], nodes.zn[i], 1.0f, cS);
      image = normalFieldKernel(xi, zi, xS, -zS, nodes.xn[i], nodes.zn[i], 1.0f, cS);
    }
  };
  for (int i = 0; i < n; ++i) {
    float fA, fAImage, fB, fBImage;
    field(i, e.XA, e.ZA, cA, fA, fAImage);
    field(i, e.XB, e.ZB, cB, fB, fBImage);
    b[i] = coef[i] * (fA + fAImage - fB - fBImage);
  }
}

PrimaryPart primaryPart(const Electrodes& e, const SourceMedium& medium) {
  const float cA = medium.rhoA * inverseTwoPi;
  const float cB = medium.rhoB * inverseTwoPi;
  const auto primary = [](float xR, float zR, float xS, float zS, float cS) {
    return lineSourcePotential(xR, zR, xS, zS, 1.0f, cS) +
           lineSourcePotential(xR, zR, xS, -zS, 1.0f, cS);
  };
  const float dA = primary(e.xM, e.zM, e.XA, e.ZA, cA) - primary(e.xN, e.zN, e.XA, e.ZA, cA);
  const float dB = primary(e.xM, e.zM, e.XB, e.ZB, cB) - primary(e.xN, e.zN, e.XB, e.ZB, cB);
  return {dA - dB, dA / medium.rhoA - dB / medium.rhoB};
}

float configurationResponse(const Nodes& nodes, int n, const float* chargeDensity, Electrodes& e,
                            const SourceMedium& medium, float rho1, int arrayKind) {
  const float c1 = rho1 * inverseTwoPi;
  if (arrayKind == magneticKind) {
    float hx = 0.0f, hz = 0.0f;
    for (int i = 0; i < n; ++i) {
      const float strength = chargeDensity[i] * nodes.dL[i];
      hx += normalFieldKernel(e.xM, e.zM, nodes.x[i], nodes.z[i], 1.0f, 0.0f, strength, c1);
      hz += normalFieldKernel(e.xM, e.zM, nodes.x[i], nodes.z[i], 0.0f, 1.0f, strength, c1);
    }
    e.xN = hx;
    e.zN = hz;
    return 0.0f;
  }
  const PrimaryPart primary = primaryPart(e, medium);

  // G(R, S): the distance found for the near test is the one the point
  // formula takes its logarithm of.
  const auto g = [&](int i, float xR, float zR, float zS, float zn) {
    const float r = distance(xR, zR, nodes.x[i], zS);
    const float dLi = nodes.dL[i];
    if (nearFactor * r < dLi) {
      return elementPotentialIntegral(xR, zR, nodes.x[i], zS, dLi, nodes.xn[i], zn,
                                      chargeDensity[i], c1);
    }
    return -std::log(r) * (chargeDensity[i] * dLi) * c1;
  };
  float dS = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float zi = nodes.z[i], zni = nodes.zn[i];
    dS += g(i, e.xM, e.zM, zi, zni) + g(i, e.xM, e.zM, -zi, -zni) - g(i, e.xN, e.zN, zi, zni) -
          g(i, e.xN, e.zN, -zi, -zni);
  }
  return (primary.dP + dS) / primary.dK;
}

SystemWorkspace::SystemWorkspace(int nodeCount)
    : n(nodeCount),
      a(static_cast<std::size_t>(nodeCount) * static_cast<std::size_t>(nodeCount)),
      pivot(static_cast<std::size_t>(nodeCount)),
      rhs(static_cast<std::size_t>(nodeCount)),
      chargeDensity(static_cast<std::size_t>(nodeCount)) {}

int evaluateConfiguration(TelmState& st, SystemWorkspace& ws, const ActiveColumns& act,
                          Electrodes& e, int spacingIndex, int arrayKind, int mode,
                          const std::string& directory, std::ostream& console, float& response) {
  if (spacingIndex == 1 || !sourcesFixedOverSpacings(arrayKind)) {
    if (arrayKind != magneticKind) ws.medium = sourceBodyLookup(st.model, act.rho, e);
    buildRightHandSide(st.nodes, act.coef, e, ws.medium, arrayKind, ws.rhs.data());
    if (ws.n > 0) {
      const int zeroPivot = factorAndSolve(ws.a.data(), ws.n, ws.n, ws.rhs.data(),
                                           ws.chargeDensity.data(), ws.pivot.data(), mode);
      if (zeroPivot != 0) return zeroPivot;
    }
  }
  response = configurationResponse(st.nodes, ws.n, ws.chargeDensity.data(), e, ws.medium,
                                   act.rho[0], arrayKind);
  if (st.keyRun == qzExportKeyRun) {
    exportQz(st, ws.chargeDensity.data(), act.rho[0], ws.medium, e, arrayKind, directory, console);
  }
  return 0;
}

}  // namespace telm
