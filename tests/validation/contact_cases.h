// The vertical-contact case shared by the contact and convergence tests:
// the model, the electrode layouts of the array kinds used, and the apparent
// values of the image solutions for them.
#pragma once

#include <optional>

#include "analytic.h"
#include "study_files.h"

namespace validation {

// Electrodes of one korvis configuration: A (+1 A) and B (-1 A) on the
// surface, either absent (at infinity), and the receiver M on the surface.
struct KorvisLayout {
  std::optional<double> A, B;
  double M = 0;
};

// Layout of korvis kinds 1 to 5, 15, 16 and 18 at position p and spacing j
// (0-based); `reverse` picks the second receiver of kind 18.
KorvisLayout korvisLayout(const ArraySurvey& a, int p, int j, bool reverse);

// Electrodes of one telm configuration (surface points, remote ones
// excluded by the kinds used).
struct TelmLayout {
  Point A, B, M, N;
};
TelmLayout telmLayout(const TelmSurvey& s, int kind, int i, int j);

struct ContactCase {
  double rhoLeft = 100, etaLeft = 2;
  double rhoRight = 1000, etaRight = 10;
  double halfWidth = 5000, depth = 5000;
  double dens = 8;

  Model model() const;
  // Apparent resistivity of the image solution, with the polarised
  // resistivities rho / (1 - eta / 100) when `polarised`.
  double korvisApparent(const KorvisLayout& e, bool polarised) const;
  double telmApparent(const TelmLayout& e, bool polarised) const;
};

}  // namespace validation
