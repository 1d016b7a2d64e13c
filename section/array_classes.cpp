// Array classes. The rules look at the order of the four electrodes along
// the line and at their spacings; spacings count as equal within half a per
// cent of the array's length, since files round positions to centimetres and
// thirds of a metre do not survive that exactly. Reciprocal measurements
// (current and potential pairs swapped) fall in the class of the original:
// they measure the same resistance.
#include "section/array_classes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace section {

namespace {

struct ClassNames {
  ArrayClass c;
  const char* name;
  const char* slug;
};

constexpr ClassNames names[] = {
    {ArrayClass::dipoleDipole, "dipole-dipole", "dipole-dipole"},
    {ArrayClass::wenner, "Wenner", "wenner"},
    {ArrayClass::wennerGamma, "Wenner gamma", "wenner-gamma"},
    {ArrayClass::schlumberger, "Schlumberger", "schlumberger"},
    {ArrayClass::gradient, "gradient", "gradient"},
    {ArrayClass::poleDipole, "pole-dipole", "pole-dipole"},
    {ArrayClass::dipolePole, "dipole-pole", "dipole-pole"},
    {ArrayClass::polePole, "pole-pole", "pole-pole"},
    {ArrayClass::borehole, "borehole", "borehole"},
    {ArrayClass::crossHole, "cross-hole", "cross-hole"},
    {ArrayClass::other, "other array", "other"},
};

const ClassNames& namesOf(ArrayClass c) {
  return *std::find_if(std::begin(names), std::end(names), [&](const ClassNames& n) { return n.c == c; });
}

// The four electrodes of a surface array in order along the line, each
// marked as a current (true) or potential electrode.
struct Placed {
  double x;
  bool current;
};

ArrayClass classifyLine(const Configuration& c, double tolerance) {
  std::array<Placed, 4> e{{{c.a.x, true}, {c.b.x, true}, {c.m.x, false}, {c.n.x, false}}};
  std::sort(e.begin(), e.end(), [](const Placed& p, const Placed& q) { return p.x < q.x; });
  const double d1 = e[1].x - e[0].x, d2 = e[2].x - e[1].x, d3 = e[3].x - e[2].x;
  const double slack = std::max(tolerance, 5e-3 * (e[3].x - e[0].x));
  if (std::min({d1, d2, d3}) <= tolerance) return ArrayClass::other;  // two electrodes at one place
  const auto same = [&](double p, double q) { return std::fabs(p - q) <= slack; };
  const bool even = same(d1, d2) && same(d2, d3);
  // The pattern of roles along the line: pairs apart (CCPP), nested (CPPC)
  // or interleaved (CPCP), each with its reciprocal.
  if (e[0].current == e[1].current) return ArrayClass::dipoleDipole;
  if (e[0].current == e[3].current) {
    if (even) return ArrayClass::wenner;
    return same(d1, d3) ? ArrayClass::schlumberger : ArrayClass::gradient;
  }
  return even ? ArrayClass::wennerGamma : ArrayClass::other;
}

}  // namespace

std::string arrayClassName(ArrayClass c) { return namesOf(c).name; }
std::string arrayClassSlug(ArrayClass c) { return namesOf(c).slug; }

std::optional<ArrayClass> arrayClassFromSlug(std::string_view slug) {
  for (const auto& n : names) {
    if (slug == n.slug) return n.c;
  }
  return std::nullopt;
}

std::string arrayClassList() {
  std::string list;
  for (const auto& n : names) list += (list.empty() ? "" : ", ") + std::string(n.slug);
  return list;
}

ArrayClass classifyQuadrupole(const Configuration& c, double tolerance) {
  const Electrode* finite[4];
  int count = 0;
  for (const Electrode* e : {&c.a, &c.b, &c.m, &c.n}) {
    if (!e->remote) finite[count++] = e;
  }
  if (count == 0) return ArrayClass::other;
  if (std::any_of(finite, finite + count, [&](const Electrode* e) { return e->z > tolerance; })) {
    const bool oneHole = std::all_of(finite, finite + count,
                                     [&](const Electrode* e) { return std::fabs(e->x - finite[0]->x) <= tolerance; });
    return oneHole ? ArrayClass::borehole : ArrayClass::crossHole;
  }
  const bool currentPole = c.a.remote || c.b.remote, potentialPole = c.m.remote || c.n.remote;
  if (currentPole && potentialPole) return ArrayClass::polePole;
  if (currentPole) return ArrayClass::poleDipole;
  if (potentialPole) return ArrayClass::dipolePole;
  return classifyLine(c, tolerance);
}

}  // namespace section
