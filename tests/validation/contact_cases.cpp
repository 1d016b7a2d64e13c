#include "contact_cases.h"

#include <stdexcept>

namespace validation {

KorvisLayout korvisLayout(const ArraySurvey& a, int p, int j, bool reverse) {
  const double X = a.X0 + p * a.dX;
  const double s = a.keyArr == 18 ? (j + 1.5) * a.dX : a.spacings.at(static_cast<std::size_t>(j));
  KorvisLayout e;
  e.M = X;
  switch (a.keyArr) {
    case 1:
      e.A = X - s;
      e.B = X + s;
      break;
    case 2:
      e.A = X - s;
      break;
    case 3:
      e.B = X + s;
      break;
    case 4:  // a dipole of length 4s/3 whose centre lies 2s to the left
      e.A = X - 8.0 * s / 3.0;
      e.B = X - 4.0 * s / 3.0;
      break;
    case 5:
      e.A = X + 4.0 * s / 3.0;
      e.B = X + 8.0 * s / 3.0;
      break;
    case 15:
      e.A = X;
      e.M = X + s;
      break;
    case 16:
      e.B = X;
      e.M = X - s;
      break;
    case 18:
      e.A = X;
      e.M = reverse ? X - s : X + s;
      break;
    default:
      throw std::invalid_argument("no layout for this korvis kind");
  }
  return e;
}

TelmLayout telmLayout(const TelmSurvey& s, int kind, int i, int j) {
  const double x = s.firstStation + i * s.stationStep;
  const auto col = static_cast<std::size_t>(j);
  const double sp = s.spacings.at(col), o = s.offsets.at(col), m = s.mnLengths.at(col);
  switch (kind) {
    case 1:
      return {{x - sp, 0}, {x + sp, 0}, {x - m / 2, 0}, {x + m / 2, 0}};
    case 6:  // receivers to the right of the current dipole
      return {{x - sp, 0}, {x + sp, 0}, {x + o - m, 0}, {x + o + m, 0}};
    case 7:
      return {{x - sp, 0}, {x + sp, 0}, {x - o - m, 0}, {x - o + m, 0}};
    case 12: {
      const double m1 = s.mnLengths.at(0);
      return {{s.XA, s.ZA}, {s.XB, s.ZB}, {x - m1 / 2, 0}, {x + m1 / 2, 0}};
    }
    default:
      throw std::invalid_argument("no layout for this telm kind");
  }
}

Model ContactCase::model() const {
  return contactModel(rhoLeft, etaLeft, rhoRight, etaRight, halfWidth, depth);
}

double ContactCase::korvisApparent(const KorvisLayout& e, bool polarised) const {
  const double left = polarised ? rhoLeft / (1 - 0.01 * etaLeft) : rhoLeft;
  const double right = polarised ? rhoRight / (1 - 0.01 * etaRight) : rhoRight;
  double field = 0, unit = 0;
  if (e.A) {
    field += contactPointField(e.M, *e.A, left, right);
    unit += halfSpacePointField({e.M, 0}, {*e.A, 0}, 1, 1, 0);
  }
  if (e.B) {
    field -= contactPointField(e.M, *e.B, left, right);
    unit -= halfSpacePointField({e.M, 0}, {*e.B, 0}, 1, 1, 0);
  }
  return field / unit;
}

double ContactCase::telmApparent(const TelmLayout& e, bool polarised) const {
  const double left = polarised ? rhoLeft / (1 - 0.01 * etaLeft) : rhoLeft;
  const double right = polarised ? rhoRight / (1 - 0.01 * etaRight) : rhoRight;
  const auto voltage = [&](double rl, double rr) {
    const auto between = [&](double source) {
      return contactLinePotential(e.M.x, source, rl, rr) -
             contactLinePotential(e.N.x, source, rl, rr);
    };
    return between(e.A.x) - between(e.B.x);
  };
  return voltage(left, right) / voltage(1, 1);
}

}  // namespace validation
