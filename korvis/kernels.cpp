// The table of 2*x*K1(x) behind k1Kernel, with its per-interval constants
// and the start points of the interval search.
#include "korvis/kernels.h"

namespace korvis {

namespace {

// X(k) and V(k) as tabulated to six digits, each held as its float.
constexpr std::array<float, K1Table::size> tabulatedX{
    0.0f,     0.04f,    0.0533409f, 0.0711312f, 0.0948549f, 0.126491f, 0.168679f,
    0.224936f, 0.299958f, 0.4f,      0.533409f,  0.711312f,  0.948549f, 1.26491f,
    1.68679f, 2.24936f, 2.99958f,  4.0f,       5.33409f,   7.11312f,  9.48549f,
    12.6491f, 16.8679f, 22.4936f,  29.9958f,   40.0f,      53.3409f,  71.1312f};
constexpr std::array<float, K1Table::size> tabulatedV{
    2.0f,        1.99386f,    1.9899f,     1.9835f,     1.97323f,    1.95695f,   1.93152f,
    1.89243f,    1.83363f,    1.74748f,    1.62546f,    1.45995f,    1.24761f,   0.994262f,
    0.719301f,   0.455714f,   0.241027f,   0.099868f,   0.0297926f,  0.00571989f, 0.000608781f,
    2.94497e-05f, 4.97033e-07f, 2.05749e-09f, 1.30607e-12f, 6.7977e-17f, 1.25895e-22f, 0.0f};

// The logarithms are taken at run time by the library routine, never folded
// by the compiler, so that they are the values a direct evaluation of the
// interpolation formula would use.
double runtimeLog(double v) {
  volatile double arg = v;
  return std::log(arg);
}

K1Table makeTable() {
  K1Table t;
  for (int k = 0; k < K1Table::size; ++k) {
    const auto u = static_cast<std::size_t>(k);
    t.X[u] = static_cast<double>(tabulatedX[u]);
    t.V[u] = static_cast<double>(tabulatedV[u]);
  }
  for (std::size_t c = 1; c < K1Table::size; ++c) {
    t.dX[c] = t.X[c] - t.X[c - 1];
    t.dV[c] = t.V[c] - t.V[c - 1];
    // Only intervals 11..26 interpolate exponentially; V(28) = 0 has no log.
    if (c >= 10 && c <= 25) {
      t.lnV[c] = runtimeLog(t.V[c - 1]);
      t.lnRatio[c] = runtimeLog(t.V[c] / t.V[c - 1]);
    }
  }
  // Interval numbers are monotone in x, so the number at a bucket's lower
  // edge bounds those inside it from below.
  for (int b = 0; b < K1Table::buckets; ++b) {
    const double edge =
        std::ldexp(1.0 + (b % 8) / 8.0, K1Table::firstExponent + b / 8);
    int k = 2;
    while (k < K1Table::size && edge > t.X[static_cast<std::size_t>(k - 1)]) ++k;
    t.startK[static_cast<std::size_t>(b)] = static_cast<std::int8_t>(k);
  }
  return t;
}

}  // namespace

const K1Table k1Table = makeTable();

}  // namespace korvis
