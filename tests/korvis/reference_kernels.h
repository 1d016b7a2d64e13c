// Literal versions of the korvis kernels, written in the plain order of
// their definitions (logarithmic first guess, double loop over (i, j), one
// weight at a time), against which the optimised routines are compared bit
// for bit.
#pragma once

#include <cmath>
#include <sstream>
#include <string>

#include "common/edit_format.h"
#include "korvis/korvis_state.h"

namespace korvis::reference {

inline constexpr double X[28] = {
    double(0.0f),      double(0.04f),     double(0.0533409f), double(0.0711312f),
    double(0.0948549f), double(0.126491f), double(0.168679f),  double(0.224936f),
    double(0.299958f), double(0.4f),      double(0.533409f),  double(0.711312f),
    double(0.948549f), double(1.26491f),  double(1.68679f),   double(2.24936f),
    double(2.99958f),  double(4.0f),      double(5.33409f),   double(7.11312f),
    double(9.48549f),  double(12.6491f),  double(16.8679f),   double(22.4936f),
    double(29.9958f),  double(40.0f),     double(53.3409f),   double(71.1312f)};
inline constexpr double V[28] = {
    double(2.0f),         double(1.99386f),     double(1.9899f),      double(1.9835f),
    double(1.97323f),     double(1.95695f),     double(1.93152f),     double(1.89243f),
    double(1.83363f),     double(1.74748f),     double(1.62546f),     double(1.45995f),
    double(1.24761f),     double(0.994262f),    double(0.719301f),    double(0.455714f),
    double(0.241027f),    double(0.099868f),    double(0.0297926f),   double(0.00571989f),
    double(0.000608781f), double(2.94497e-05f), double(4.97033e-07f), double(2.05749e-09f),
    double(1.30607e-12f), double(6.7977e-17f),  double(1.25895e-22f), double(0.0f)};

// The first guess of the interval, from ln of the single-precision s.
inline int firstGuess(double x) {
  const float s = float(25.0 * x);
  int i = int(std::log(s) * 3.4743562f) + 2;
  if (i <= 1) i = 2;
  return i;
}

inline void k1Kernel(float r, float ky, float& G) {
  if (ky == 0.0f) {
    G = float(V[0] / double(2.0f * r * r));
    return;
  }
  const double x = double(r) * double(ky);
  if (x <= double(0.04f)) {
    G = float(V[0] / double(2.0f * r * r));
    return;
  }
  if (x > double(71.1f)) {
    G = 0.0f;
    return;
  }
  int k = firstGuess(x);
  while (k <= 28 && !(x <= X[k - 1])) ++k;
  if (k > 28) {
    G = 0.0f;
    return;
  }
  float h;
  if (k >= 11 && k <= 26) {
    const double L = std::log(V[k - 2]) +
                     (x - X[k - 2]) * std::log(V[k - 1] / V[k - 2]) / (X[k - 1] - X[k - 2]);
    const float Lf = float(L);
    h = float(std::exp(double(Lf)));
  } else {
    h = float(V[k - 2] + (x - X[k - 2]) * (V[k - 1] - V[k - 2]) / (X[k - 1] - X[k - 2]));
  }
  G = float(double(h) / double(2.0f * r * r));
}

inline float directionalKernel(float x1, float z1, float x2, float z2, float nx, float nz,
                               float w1, float w2, float ky) {
  const double dx = double(x1) - double(x2);
  const float z1m = (z2 < 0.0f && z1 < 0.0f) ? -z1 : z1;
  const double dz = double(z1m) - double(z2);
  const float r = float(std::sqrt(dz * dz + dx * dx));
  float G;
  k1Kernel(r, ky, G);
  const double f = dz * double(nz) + dx * double(nx);
  return float(double(w1) * double(w2) * double(G) * f);
}

inline double elementIntegral(float xo, float zo, float xc, float zc, float dL, float nx,
                              float nz, float ex, float ez, float s, float w, float ky) {
  const float e = (xo - xc) * nx + (zo - zc) * nz;
  if (std::fabs(e) < 1e-10f || std::fabs(s) < 1e-10f) return 0.0;
  const float dist = std::sqrt((xo - xc) * (xo - xc) + (zo - zc) * (zo - zc));
  const int m = 4 * int(dL / (0.7f * dist));
  const float x0 = xc + dL * ez / 2.0f;
  const float z0 = zc - dL * ex / 2.0f;
  const float hx = -(dL * ez) / float(m);
  const float hz = dL * ex / float(m);
  double sum = 0.0;
  for (int p = 1; p <= m; ++p) {
    const float xm = x0 + (float(p) - 0.5f) * hx;
    const float zm = z0 + (float(p) - 0.5f) * hz;
    sum += double(directionalKernel(xo, zo, xm, zm, nx, nz, s * dL / float(m), w, ky));
  }
  return sum;
}

inline void elementAverage(float x, float z, float xn, float zn, float dL, int m, float xs,
                           float zs, float zsImage, float w, float ky, float& direct,
                           float& image) {
  const float x0 = x + dL * zn / 2.0f;
  const float z0 = z - dL * xn / 2.0f;
  const float hx = -(dL * zn) / float(m);
  const float hz = dL * xn / float(m);
  direct = 0.0f;
  image = 0.0f;
  for (int p = 1; p <= m; ++p) {
    const float xm = x0 + (float(p) - 0.5f) * hx;
    const float zm = z0 + (float(p) - 0.5f) * hz;
    direct += directionalKernel(xm, zm, xs, zs, xn, zn, 1.0f, w, ky);
    image += directionalKernel(xm, zm, xs, zsImage, xn, zn, 1.0f, w, ky);
  }
}

// Row by row, column by column; the diagnostics are written as met.
inline void assembleBoundaryMatrix(const common::NodeTable& nd, const float* q,
                                   float Ro1, float* M, int ld, float ky, std::ostream& console) {
  const float g = Ro1 / 6.283185f;
  for (int i = 0; i < nd.N; ++i) {
    for (int j = 0; j < nd.N; ++j) {
      const float xi = nd.x[i], zi = nd.z[i], xj = nd.x[j], zj = nd.z[j];
      const double dx = double(xi) - double(xj);
      const double dz = double(zi) - double(zj);
      const double sz = double(zi) + double(zj);
      const float d = float(double(0.9f) * std::sqrt(dx * dx + dz * dz));
      const float dImage = float(double(0.9f) * std::sqrt(dx * dx + sz * sz));
      if (d <= 1e-5f && dImage <= 1e-5f) {
        console << common::formatLine("(/,2X,'I,J,XI,ZI,XJ,ZJ,R1,RO:',3X,2I4,6E12.4)",
                                      {i + 1, j + 1, xi, zi, xj, zj, d, dImage});
      }
      if (i == j) {
        double I;
        if (double(nd.dL[j]) > sz) {
          I = elementIntegral(xi, zi, xj, -zj, nd.dL[j], nd.xn[i], nd.zn[i], nd.xn[j], -nd.zn[j],
                              1.0f, g, ky);
        } else {
          I = double(directionalKernel(xi, zi, xi, -zj, nd.xn[i], nd.zn[i], nd.dL[j], g, ky));
        }
        M[j * ld + i] = float(1.0 - double(q[i]) * I);
      } else {
        float D, I;
        if (nd.dL[j] > d) {
          D = float(elementIntegral(xi, zi, xj, zj, nd.dL[j], nd.xn[i], nd.zn[i], nd.xn[j],
                                    nd.zn[j], 1.0f, g, ky));
        } else {
          D = directionalKernel(xi, zi, xj, zj, nd.xn[i], nd.zn[i], nd.dL[j], g, ky);
        }
        if (nd.dL[j] > dImage) {
          I = float(elementIntegral(xi, zi, xj, -zj, nd.dL[j], nd.xn[i], nd.zn[i], nd.xn[j],
                                    -nd.zn[j], 1.0f, g, ky));
        } else {
          I = directionalKernel(xi, zi, xj, -zj, nd.xn[i], nd.zn[i], nd.dL[j], g, ky);
        }
        M[j * ld + i] = -(D + I) * q[i];
      }
    }
  }
}

inline void receiverField(const common::NodeTable& nd, float rho, float xr, float zr,
                          float XA, float ZA, float XB, float ZB, float nx, float nz,
                          const float* sigma, float rhoA, float rhoB, float ky, int mode,
                          float& EA, float& EB, float& E) {
  const float wA = rhoA * 0.15915495f;
  const float wB = rhoB * 0.15915495f;
  EA = directionalKernel(xr, zr, XA, ZA, nx, nz, 1.0f, wA, ky) +
       directionalKernel(xr, zr, XA, -ZA, nx, nz, 1.0f, wA, ky);
  EB = directionalKernel(xr, zr, XB, ZB, nx, nz, 1.0f, wB, ky) +
       directionalKernel(xr, zr, XB, -ZB, nx, nz, 1.0f, wB, ky);
  if (mode == 1) return;
  const float w = rho * 0.15915495f;
  double sum = 0.0;
  for (int j = 0; j < nd.N; ++j) {
    const float dist = 0.705f * std::sqrt((xr - nd.x[j]) * (xr - nd.x[j]) +
                                          (zr - nd.z[j]) * (zr - nd.z[j]));
    if (nd.dL[j] > dist) {
      sum += elementIntegral(xr, zr, nd.x[j], nd.z[j], nd.dL[j], nx, nz, nd.xn[j], nd.zn[j],
                             sigma[j], w, ky);
    } else {
      sum += double(directionalKernel(xr, zr, nd.x[j], nd.z[j], nx, nz, nd.dL[j] * sigma[j], w,
                                      ky));
    }
    sum += double(
        directionalKernel(xr, zr, nd.x[j], -nd.z[j], nx, nz, nd.dL[j] * sigma[j], w, ky));
  }
  E = float(double(EA - EB) + sum);
}

// The right-hand side for known electrode resistivities.
inline void sourceRhsGiven(const common::NodeTable& nd, const float* q, float XA,
                           float ZA, float XB, float ZB, float rhoA, float rhoB, float* b,
                           float ky) {
  const float wA = float(static_cast<long double>(rhoA) *
                         (1.0L / (2.0L * static_cast<long double>(3.1415925f))));
  const float wB = float(static_cast<long double>(rhoB) *
                         (1.0L / (2.0L * static_cast<long double>(3.1415925f))));
  for (int i = 0; i < nd.N; ++i) {
    const float dA = 0.705f * std::sqrt((nd.x[i] - XA) * (nd.x[i] - XA) +
                                        (nd.z[i] - ZA) * (nd.z[i] - ZA));
    const float dB = 0.705f * std::sqrt((nd.x[i] - XB) * (nd.x[i] - XB) +
                                        (nd.z[i] - ZB) * (nd.z[i] - ZB));
    float EA, EAi, EB, EBi;
    if (nd.dL[i] <= dA) {
      EA = directionalKernel(nd.x[i], nd.z[i], XA, ZA, nd.xn[i], nd.zn[i], 1.0f, wA, ky);
      EAi = directionalKernel(nd.x[i], nd.z[i], XA, -ZA, nd.xn[i], nd.zn[i], 1.0f, wA, ky);
    } else {
      const int m = int((0.705f / dA) * nd.dL[i] * 1.5f);
      float s1, s2;
      elementAverage(nd.x[i], nd.z[i], nd.xn[i], nd.zn[i], nd.dL[i], m, XA, ZA, -ZA, wA, ky, s1,
                     s2);
      EA = s1 / float(m);
      EAi = s2 / float(m);
    }
    if (nd.dL[i] <= dB) {
      EB = directionalKernel(nd.x[i], nd.z[i], XB, ZB, nd.xn[i], nd.zn[i], 1.0f, wB, ky);
      EBi = directionalKernel(nd.x[i], nd.z[i], XB, -ZB, nd.xn[i], nd.zn[i], 1.0f, wB, ky);
    } else {
      const int m = int((0.705f / dB) * nd.dL[i] * 1.5f);
      float s1, s2;
      elementAverage(nd.x[i], nd.z[i], nd.xn[i], nd.zn[i], nd.dL[i], m, XB, ZB, -ZB, wB, ky, s1,
                     s2);
      EB = s1 / float(m);
      EBi = s2 / float(m);
    }
    b[i] = ((EA + EAi) - EB - EBi) * q[i];
  }
}

}  // namespace korvis::reference
