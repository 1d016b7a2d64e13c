// Gauss rules by Newton's method on the three-term recurrences, and the
// three-part rule of the inverse strike transform.
#include "korvis/quadrature.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvis {

void gaussLegendre(int n, std::vector<double>& x, std::vector<double>& w) {
  x.assign(static_cast<std::size_t>(n), 0.0);
  w.assign(static_cast<std::size_t>(n), 0.0);
  for (int i = 0; i < n; ++i) {
    // Start near the i-th root (decreasing from 1), refine until it stops moving.
    double z = std::cos(std::numbers::pi * (i + 0.75) / (n + 0.5));
    double derivative = 1.0;
    for (int iteration = 0; iteration < 100; ++iteration) {
      double p1 = 1.0, p2 = 0.0;
      for (int j = 1; j <= n; ++j) {
        const double p3 = p2;
        p2 = p1;
        p1 = ((2.0 * j - 1.0) * z * p2 - (j - 1.0) * p3) / j;
      }
      derivative = n * (z * p1 - p2) / (z * z - 1.0);
      const double step = p1 / derivative;
      z -= step;
      if (std::fabs(step) < 1e-15) break;
    }
    const auto u = static_cast<std::size_t>(n - 1 - i);  // increasing order
    x[u] = z;
    w[u] = 2.0 / ((1.0 - z * z) * derivative * derivative);
  }
}

void gaussLaguerre(int n, std::vector<double>& x, std::vector<double>& w) {
  x.assign(static_cast<std::size_t>(n), 0.0);
  w.assign(static_cast<std::size_t>(n), 0.0);
  double z = 0.0;
  for (int i = 0; i < n; ++i) {
    const auto u = static_cast<std::size_t>(i);
    // Asymptotic first guesses of the increasing roots.
    if (i == 0) {
      z = 3.0 / (1.0 + 2.4 * n);
    } else if (i == 1) {
      z += 15.0 / (1.0 + 2.5 * n);
    } else {
      const double a = i - 1.0;
      z += (1.0 + 2.55 * a) / (1.9 * a) * (z - x[u - 2]);
    }
    double derivative = 1.0, previous = 0.0;
    for (int iteration = 0; iteration < 200; ++iteration) {
      double p1 = 1.0, p2 = 0.0;
      for (int j = 1; j <= n; ++j) {
        const double p3 = p2;
        p2 = p1;
        p1 = ((2.0 * j - 1.0 - z) * p2 - (j - 1.0) * p3) / j;
      }
      previous = p2;
      derivative = n * (p1 - p2) / z;
      const double step = p1 / derivative;
      z -= step;
      if (std::fabs(step) <= 1e-15 * std::fabs(z)) break;
    }
    x[u] = z;
    w[u] = -1.0 / (derivative * n * previous);
  }
}

TransformRule convergentRule(double rShort, double rLong, int order, double panelWidth) {
  constexpr double lowFactor = 0.5, highFactor = 8.0, tailFactor = 0.5;
  order = std::max(order, 1);
  rLong = std::max(rLong, 2.0 * rShort);
  rShort = std::max(rShort, rLong / maxDistanceRatio);
  const double kLow = lowFactor / rLong;
  const double kHigh = highFactor / rShort;
  TransformRule rule;
  std::vector<double> x, w;

  gaussLegendre(4 * order, x, w);
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double u = 0.5 * (x[i] + 1.0);
    rule.ky.push_back(kLow * u * u * u * u);
    rule.weight.push_back(0.5 * w[i] * 4.0 * kLow * u * u * u);
  }

  const double span = std::log(kHigh / kLow);
  const int panels = std::max(1, static_cast<int>(std::ceil(span / panelWidth - 1e-9)));
  const double width = span / panels;
  gaussLegendre(panelPoints * order, x, w);
  for (int p = 0; p < panels; ++p) {
    for (std::size_t i = 0; i < x.size(); ++i) {
      const double k = kLow * std::exp(width * (p + 0.5 * (x[i] + 1.0)));
      rule.ky.push_back(k);
      rule.weight.push_back(0.5 * width * w[i] * k);
    }
  }

  gaussLaguerre(4 * order, x, w);
  const double scale = tailFactor / rShort;
  for (std::size_t i = 0; i < x.size(); ++i) {
    rule.ky.push_back(kHigh + x[i] * scale);
    rule.weight.push_back(w[i] * std::exp(x[i]) * scale);
  }
  return rule;
}

}  // namespace korvis
