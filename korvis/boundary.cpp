// Boundary influence coefficients for one wavenumber. The matrix fill is the
// hot loop of a run (N^2 pairs, two kernels each, per wavenumber and pass):
// it walks the columns in blocks shared out to threads, keeps the distances
// of a pair for the point formulas that need the same roots, and can fill
// the DC and IP matrices from one evaluation of every kernel geometry. The
// arithmetic of each entry is that of the plain double loop over (i, j).
#include "korvis/boundary.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "common/edit_format.h"
#include "common/float_mode.h"
#include "korvis/kernels.h"
#include "korvis/smooth_columns.h"
#include "korvis/source_field.h"

namespace korvis {

int truncatedCount(float quotient) {
  constexpr int limit = 1 << 28;
  if (quotient >= static_cast<float>(limit)) return limit;
  if (quotient > -static_cast<float>(limit)) return static_cast<int>(quotient);
  return quotient < 0.0f ? -limit : 0;
}

namespace {

// A float kernel value widened for a double sum or product. GCC 12's SLP
// vectorizer, pairing the DC and IP lanes, folds double(float(x)) back to x
// and so drops the rounding to single precision; a volatile float keeps it.
inline double widenRounded(float v) {
  const volatile float kept = v;
  return static_cast<double>(kept);
}

// elementIntegral for W weights at once: the midpoints and the kernel
// geometry are the same for every weight, only the final products differ.
template <int W, class Kernel = TableK1>
void elementIntegralMulti(float xo, float zo, float xc, float zc, float dL, float nx, float nz,
                          float ex, float ez, float s, const float (&w)[W], float ky,
                          double (&sum)[W]) {
  for (int k = 0; k < W; ++k) sum[k] = 0.0;
  const float ddx = xo - xc;
  const float ddz = zo - zc;
  const float e = ddx * nx + ddz * nz;
  if (std::fabs(e) < 1e-10f || std::fabs(s) < 1e-10f) return;
  const float dist = std::sqrt(ddx * ddx + ddz * ddz);
  const int m = 4 * truncatedCount(dL / (0.7f * dist));
  const auto fm = static_cast<float>(m);
  const float w1 = s * dL / fm;
  const float x0 = xc + dL * ez / 2.0f;
  const float z0 = zc - dL * ex / 2.0f;
  const float hx = -(dL * ez) / fm;
  const float hz = dL * ex / fm;
  for (int p = 1; p <= m; ++p) {
    const float t = static_cast<float>(p) - 0.5f;
    const KernelGeometry geo =
        kernelGeometry<Kernel>(xo, zo, x0 + t * hx, z0 + t * hz, nx, nz, ky);
    for (int k = 0; k < W; ++k) sum[k] += widenRounded(weighKernel(w1, w[k], geo));
  }
}

struct Coincidence {
  int i, j;
  float d, dImage;
};

// The weights, coefficients and output matrices of W matrices filled together.
template <int W>
struct MatrixSet {
  float g[W];
  const float* q[W];
  float* M[W];
};

// Columns [j0, j1) of every matrix of the set, rows in increasing order.
template <int W, class Kernel>
void fillColumns(const common::NodeTable& nd, const MatrixSet<W>& set, int ld, float ky,
                 int j0, int j1, std::vector<Coincidence>& found) {
  constexpr double factor = static_cast<double>(0.9f);
  const int n = nd.N;
  const float* x = nd.x.data();
  const float* z = nd.z.data();
  const float* xn = nd.xn.data();
  const float* zn = nd.zn.data();
  constexpr bool smooth = std::is_same_v<Kernel, SmoothK1>;
  // The smooth kernel's far pairs come from the vector loop of
  // smoothFarColumn; the rows it marks are left to the loop below.
  std::vector<unsigned char> special(smooth ? static_cast<std::size_t>(n) : 0);
  SmoothColumnScratch scratch;
  for (int j = j0; j < j1; ++j) {
    const auto uj = static_cast<std::size_t>(j);
    const float xj = x[uj], zj = z[uj], dLj = nd.dL[uj], xnj = xn[uj], znj = zn[uj];
    const std::size_t column = uj * static_cast<std::size_t>(ld);
    if constexpr (smooth) {
      float* columns[W];
      for (int k = 0; k < W; ++k) columns[k] = set.M[k] + column;
      smoothFarColumn<W>(nd, j, ky, set.g, set.q, columns, special.data(), scratch);
    }
    for (int i = 0; i < n; ++i) {
      const auto ui = static_cast<std::size_t>(i);
      if constexpr (smooth) {
        if (special[ui] == 0) continue;
      }
      const float xi = x[ui], zi = z[ui], xni = xn[ui], zni = zn[ui];
      const double dx = static_cast<double>(xi) - static_cast<double>(xj);
      const double dz = static_cast<double>(zi) - static_cast<double>(zj);
      const double sz = static_cast<double>(zi) + static_cast<double>(zj);
      const double rootDirect = std::sqrt(dx * dx + dz * dz);
      const double rootImage = std::sqrt(dx * dx + sz * sz);
      const auto d = static_cast<float>(factor * rootDirect);
      const auto dImage = static_cast<float>(factor * rootImage);
      if (d <= 1e-5f && dImage <= 1e-5f) found.push_back({i, j, d, dImage});

      double image[W];
      // The smooth kernel (the survey mode) takes near pairs by graded
      // panels: within about twice the source element's length the midpoint
      // rule misses the field of the near end.
      if constexpr (smooth) {
        const bool nearImage = static_cast<double>(dLj) > 0.5 * sz;
        if (i == j && nearImage) {
          const double field = segmentField(xi, zi, xni, zni, xj, -zj, dLj, xnj, -znj, ky);
          for (int k = 0; k < W; ++k) {
            set.M[k][column + ui] = static_cast<float>(
                1.0 - static_cast<double>(set.q[k][ui]) * static_cast<double>(set.g[k]) * field);
          }
          continue;
        }
        const bool nearDirect = i != j && dLj > 0.5f * d;
        if (nearDirect || (i != j && nearImage)) {
          const double direct = nearDirect ? segmentField(xi, zi, xni, zni, xj, zj, dLj, xnj, znj, ky) : 0.0;
          const double mirrored = nearImage ? segmentField(xi, zi, xni, zni, xj, -zj, dLj, xnj, -znj, ky) : 0.0;
          for (int k = 0; k < W; ++k) {
            const auto g = static_cast<double>(set.g[k]);
            float directF = static_cast<float>(g * direct);
            float imageF = static_cast<float>(g * mirrored);
            if (!nearDirect) {
              const KernelGeometry geo = kernelGeometryAt<Kernel>(dx, dz, rootDirect, xni, zni, ky);
              directF = weighKernel(dLj, set.g[k], geo);
            }
            if (!nearImage) {
              const KernelGeometry geo = kernelGeometryAt<Kernel>(dx, sz, rootImage, xni, zni, ky);
              imageF = weighKernel(dLj, set.g[k], geo);
            }
            set.M[k][column + ui] = -(directF + imageF) * set.q[k][ui];
          }
          continue;
        }
      }
      if (i == j) {
        if (static_cast<double>(dLj) > sz) {
          elementIntegralMulti<W, Kernel>(xi, zi, xj, -zj, dLj, xni, zni, xnj, -znj, 1.0f, set.g,
                                          ky, image);
        } else {
          const KernelGeometry geo = kernelGeometry<Kernel>(xi, zi, xi, -zj, xni, zni, ky);
          for (int k = 0; k < W; ++k) image[k] = widenRounded(weighKernel(dLj, set.g[k], geo));
        }
        for (int k = 0; k < W; ++k) {
          set.M[k][column + ui] =
              static_cast<float>(1.0 - static_cast<double>(set.q[k][ui]) * image[k]);
        }
        continue;
      }

      float direct[W];
      if (dLj > d) {
        double sum[W];
        elementIntegralMulti<W, Kernel>(xi, zi, xj, zj, dLj, xni, zni, xnj, znj, 1.0f, set.g, ky,
                                        sum);
        for (int k = 0; k < W; ++k) direct[k] = static_cast<float>(sum[k]);
      } else {
        // Unmirrored, the point formula's separation is (dx, dz) and its root
        // the one just taken.
        const KernelGeometry geo = (zj < 0.0f && zi < 0.0f)
                                       ? kernelGeometry<Kernel>(xi, zi, xj, zj, xni, zni, ky)
                                       : kernelGeometryAt<Kernel>(dx, dz, rootDirect, xni, zni, ky);
        for (int k = 0; k < W; ++k) direct[k] = weighKernel(dLj, set.g[k], geo);
      }
      float imageF[W];
      if (dLj > dImage) {
        elementIntegralMulti<W, Kernel>(xi, zi, xj, -zj, dLj, xni, zni, xnj, -znj, 1.0f, set.g,
                                        ky, image);
        for (int k = 0; k < W; ++k) imageF[k] = static_cast<float>(image[k]);
      } else {
        // Unmirrored, z(i) - (-z(j)) is z(i) + z(j) = sz exactly.
        const KernelGeometry geo = (-zj < 0.0f && zi < 0.0f)
                                       ? kernelGeometry<Kernel>(xi, zi, xj, -zj, xni, zni, ky)
                                       : kernelGeometryAt<Kernel>(dx, sz, rootImage, xni, zni, ky);
        for (int k = 0; k < W; ++k) imageF[k] = weighKernel(dLj, set.g[k], geo);
      }
      for (int k = 0; k < W; ++k) set.M[k][column + ui] = -(direct[k] + imageF[k]) * set.q[k][ui];
    }
  }
}

void writeCoincidences(const common::NodeTable& nd, std::vector<Coincidence>& found,
                       std::ostream& console) {
  std::sort(found.begin(), found.end(), [](const Coincidence& a, const Coincidence& b) {
    return a.i != b.i ? a.i < b.i : a.j < b.j;
  });
  for (const Coincidence& c : found) {
    const auto ui = static_cast<std::size_t>(c.i);
    const auto uj = static_cast<std::size_t>(c.j);
    console << common::formatLine("(/,2X,'I,J,XI,ZI,XJ,ZJ,R1,RO:',3X,2I4,6E12.4)",
                                  {c.i + 1, c.j + 1, nd.x[ui], nd.z[ui], nd.x[uj], nd.z[uj], c.d,
                                   c.dImage});
  }
}

// Shares blocks of columns out to the cores; each thread keeps its own list
// of coincidences, merged into the plain (i, j) order afterwards.
template <int W, class Kernel = TableK1>
void fillMatrices(const common::NodeTable& nd, const MatrixSet<W>& set, int ld,
                  float ky, std::ostream& console) {
  const int n = nd.N;
  constexpr int block = 8;
  const int blocks = (n + block - 1) / block;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int workers = n < 64 ? 1 : std::min(cores, blocks);
  std::vector<std::vector<Coincidence>> found(static_cast<std::size_t>(workers));
  std::atomic<int> next{0};
  auto work = [&](std::vector<Coincidence>& mine) {
    for (int b = next.fetch_add(1); b < blocks; b = next.fetch_add(1))
      fillColumns<W, Kernel>(nd, set, ld, ky, b * block, std::min(n, (b + 1) * block), mine);
  };
  std::vector<std::thread> pool;
  const unsigned mode = common::floatMode();
  for (int t = 1; t < workers; ++t) {
    try {
      pool.emplace_back(
          [&work, mode](std::vector<Coincidence>& mine) {
            const common::ScopedFloatMode same(mode);
            work(mine);
          },
          std::ref(found[static_cast<std::size_t>(t)]));
    } catch (const std::system_error&) {
      break;  // the blocks left over are taken by the threads already running
    }
  }
  work(found[0]);
  for (std::thread& t : pool) t.join();

  std::vector<Coincidence> all;
  for (auto& list : found) all.insert(all.end(), list.begin(), list.end());
  writeCoincidences(nd, all, console);
}

}  // namespace

double elementIntegral(float xo, float zo, float xc, float zc, float dL, float nx, float nz,
                       float ex, float ez, float s, float w, float ky, bool smooth) {
  const float weights[1] = {w};
  double sum[1];
  if (smooth) {
    elementIntegralMulti<1, SmoothK1>(xo, zo, xc, zc, dL, nx, nz, ex, ez, s, weights, ky, sum);
  } else {
    elementIntegralMulti<1>(xo, zo, xc, zc, dL, nx, nz, ex, ez, s, weights, ky, sum);
  }
  return sum[0];
}

namespace {

template <class Kernel>
void elementAverageWith(float x, float z, float xn, float zn, float dL, int m, float xs, float zs,
                        float zsImage, float w, float ky, float& direct, float& image) {
  const auto fm = static_cast<float>(m);
  const float x0 = x + dL * zn / 2.0f;
  const float z0 = z - dL * xn / 2.0f;
  const float hx = -(dL * zn) / fm;
  const float hz = dL * xn / fm;
  direct = 0.0f;
  image = 0.0f;
  for (int p = 1; p <= m; ++p) {
    const float t = static_cast<float>(p) - 0.5f;
    const float xm = x0 + t * hx;
    const float zm = z0 + t * hz;
    direct += directionalKernel<Kernel>(xm, zm, xs, zs, xn, zn, 1.0f, w, ky);
    image += directionalKernel<Kernel>(xm, zm, xs, zsImage, xn, zn, 1.0f, w, ky);
  }
}

template <class Kernel>
void primaryFieldsWith(float xr, float zr, float XA, float ZA, float XB, float ZB, float nx,
                       float nz, float rhoA, float rhoB, float ky, float& EA, float& EB) {
  constexpr float inverseTwoPi = 0.15915495f;
  const float wA = rhoA * inverseTwoPi;
  const float wB = rhoB * inverseTwoPi;
  EA = directionalKernel<Kernel>(xr, zr, XA, ZA, nx, nz, 1.0f, wA, ky) +
       directionalKernel<Kernel>(xr, zr, XA, -ZA, nx, nz, 1.0f, wA, ky);
  EB = directionalKernel<Kernel>(xr, zr, XB, ZB, nx, nz, 1.0f, wB, ky) +
       directionalKernel<Kernel>(xr, zr, XB, -ZB, nx, nz, 1.0f, wB, ky);
}

}  // namespace

void elementAverage(float x, float z, float xn, float zn, float dL, int m, float xs, float zs,
                    float zsImage, float w, float ky, float& direct, float& image, bool smooth) {
  if (smooth) {
    elementAverageWith<SmoothK1>(x, z, xn, zn, dL, m, xs, zs, zsImage, w, ky, direct, image);
  } else {
    elementAverageWith<TableK1>(x, z, xn, zn, dL, m, xs, zs, zsImage, w, ky, direct, image);
  }
}

void primaryFields(float xr, float zr, float XA, float ZA, float XB, float ZB, float nx, float nz,
                   float rhoA, float rhoB, float ky, bool smooth, float& EA, float& EB) {
  if (smooth) {
    primaryFieldsWith<SmoothK1>(xr, zr, XA, ZA, XB, ZB, nx, nz, rhoA, rhoB, ky, EA, EB);
  } else {
    primaryFieldsWith<TableK1>(xr, zr, XA, ZA, XB, ZB, nx, nz, rhoA, rhoB, ky, EA, EB);
  }
}

void assembleBoundaryMatrix(const common::NodeTable& nodes, const float* q, float Ro1,
                            float* M, int ld, float ky, std::ostream& console) {
  const MatrixSet<1> set{{Ro1 / 6.283185f}, {q}, {M}};
  fillMatrices<1>(nodes, set, ld, ky, console);
}

void assembleBoundaryMatrixPair(const common::NodeTable& nodes, const float* qDC,
                                float Ro1DC, float* Mdc, const float* qIP, float Ro1IP,
                                float* Mip, int ld, float ky, std::ostream& console) {
  const MatrixSet<2> set{{Ro1DC / 6.283185f, Ro1IP / 6.283185f}, {qDC, qIP}, {Mdc, Mip}};
  fillMatrices<2>(nodes, set, ld, ky, console);
}

void assembleSmoothBoundaryMatrix(const common::NodeTable& nodes, const float* q,
                                  float Ro1, float* M, int ld, float ky, std::ostream& console) {
  const MatrixSet<1> set{{Ro1 / 6.283185f}, {q}, {M}};
  fillMatrices<1, SmoothK1>(nodes, set, ld, ky, console);
}

void assembleSmoothBoundaryMatrixPair(const common::NodeTable& nodes, const float* qDC,
                                      float Ro1DC, float* Mdc, const float* qIP, float Ro1IP,
                                      float* Mip, int ld, float ky, std::ostream& console) {
  const MatrixSet<2> set{{Ro1DC / 6.283185f, Ro1IP / 6.283185f}, {qDC, qIP}, {Mdc, Mip}};
  fillMatrices<2, SmoothK1>(nodes, set, ld, ky, console);
}

void receiverField(const common::NodeTable& nodes, float rho, float xr, float zr,
                   float XA, float ZA, float XB, float ZB, float nx, float nz, const float* sigma,
                   float rhoA, float rhoB, float ky, int mode, float& EA, float& EB, float& E) {
  constexpr float inverseTwoPi = 0.15915495f;
  const float wA = rhoA * inverseTwoPi;
  const float wB = rhoB * inverseTwoPi;
  EA = directionalKernel(xr, zr, XA, ZA, nx, nz, 1.0f, wA, ky) +
       directionalKernel(xr, zr, XA, -ZA, nx, nz, 1.0f, wA, ky);
  EB = directionalKernel(xr, zr, XB, ZB, nx, nz, 1.0f, wB, ky) +
       directionalKernel(xr, zr, XB, -ZB, nx, nz, 1.0f, wB, ky);
  if (mode == 1) return;

  const float w = rho * inverseTwoPi;
  double sum = 0.0;
  for (int j = 0; j < nodes.N; ++j) {
    const auto u = static_cast<std::size_t>(j);
    const float xj = nodes.x[u], zj = nodes.z[u], dLj = nodes.dL[u];
    const float ddx = xr - xj;
    const float ddz = zr - zj;
    const float dist = 0.705f * std::sqrt(ddx * ddx + ddz * ddz);
    const float strength = dLj * sigma[u];
    if (dLj > dist) {
      sum += elementIntegral(xr, zr, xj, zj, dLj, nx, nz, nodes.xn[u], nodes.zn[u], sigma[u], w,
                             ky);
    } else {
      sum += static_cast<double>(directionalKernel(xr, zr, xj, zj, nx, nz, strength, w, ky));
    }
    sum += static_cast<double>(directionalKernel(xr, zr, xj, -zj, nx, nz, strength, w, ky));
  }
  E = static_cast<float>(static_cast<double>(EA - EB) + sum);
}

}  // namespace korvis
