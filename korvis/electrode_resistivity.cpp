// Resistivity of the medium at the current electrodes: the fourteen-rule
// choice between the surface-segment and the polygon lookup, and the two
// lookups. Angles are atan2 of float differences, evaluated in double and
// rounded to float; the running sum is float.
#include "korvis/electrode_resistivity.h"

#include <cmath>

#include "common/free_format.h"

namespace korvis {

namespace {

constexpr float absentA = -10000.0f;
constexpr float absentB = 10000.0f;

void writeConsoleLine(std::ostream& console, const char* text) {
  common::FreeRecord record(common::FreeStyle::korvis);
  record << text;
  console << record.str();
}

float vertexX(const common::ModelGeometry& model, int vertex) {
  return model.xp[static_cast<std::size_t>(vertex - 1)];
}

float vertexZ(const common::ModelGeometry& model, int vertex) {
  return model.zp[static_cast<std::size_t>(vertex - 1)];
}

}  // namespace

float subtendedAngle(float pi, float x0, float z0, float xa, float za, float xb, float zb) {
  auto a = static_cast<float>(std::atan2(static_cast<double>(za - z0), static_cast<double>(xa - x0)));
  auto b = static_cast<float>(std::atan2(static_cast<double>(zb - z0), static_cast<double>(xb - x0)));
  const float twoPi = pi * 2.0f;
  if (a < 0.0f) a = a + twoPi;
  if (b < 0.0f) b = b + twoPi;
  float d = b - a;
  if (d < -pi) d = d + twoPi;
  if (d > pi) d = d - twoPi;
  return d;
}

void bodyUnderSurface(const common::ModelGeometry& model, float x, float& rho,
                      std::ostream& console) {
  for (int k = 0; k + 1 < model.nPOnSurface; ++k) {
    const auto u = static_cast<std::size_t>(k);
    if (vertexX(model, model.surfaceList[u]) <= x && x <= vertexX(model, model.surfaceList[u + 1])) {
      rho = model.Ro[static_cast<std::size_t>(model.surfaceBodies[u] - 1)];
      return;
    }
  }
  writeConsoleLine(console, "ni~eg ne na{li");
}

void bodyAtPoint(const common::ModelGeometry& model, float pi, float x, float z, float& rho,
                 std::ostream& console) {
  float sum = 0.0f;
  for (int i = 0; i < model.nT; ++i) {
    const auto& ring = model.vertexRing[static_cast<std::size_t>(i)];
    for (int j = 0; j < model.nVer[static_cast<std::size_t>(i)]; ++j) {
      const int from = ring[static_cast<std::size_t>(j)];
      const int to = ring[static_cast<std::size_t>(j + 1)];
      sum = sum + subtendedAngle(pi, x, z, vertexX(model, from), vertexZ(model, from),
                                 vertexX(model, to), vertexZ(model, to));
    }
    if (sum > 6.0f) {
      rho = model.Ro[static_cast<std::size_t>(i)];
      return;
    }
  }
  writeConsoleLine(console, "ni~ego ne na{li");
}

void electrodeResistivities(const common::ModelGeometry& model, float XA, float ZA, float XB,
                            float ZB, float& rhoA, float& rhoB, std::ostream& console) {
  const bool noA = XA == absentA;
  const bool noB = XB == absentB;
  const bool twoOnSurface = model.nPOnSurface == 2;
  const bool manyOnSurface = model.nPOnSurface >= 3;
  const float reference = model.Ro[0];
  enum class Lookup { first, surface, polygon };
  Lookup ruleA = Lookup::polygon;
  Lookup ruleB = Lookup::polygon;
  auto rule = [&](Lookup a, Lookup b) {
    ruleA = a;
    ruleB = b;
  };
  if (noA && noB) {
    rule(Lookup::first, Lookup::first);
  } else if (noA && twoOnSurface && ZB == 0.0f) {
    rule(Lookup::first, Lookup::first);
  } else if (noA && manyOnSurface && ZB == 0.0f) {
    rule(Lookup::first, Lookup::surface);
  } else if (noA && ZB > 0.0f) {
    rule(Lookup::first, Lookup::polygon);
  } else if (noB && twoOnSurface && ZA == 0.0f) {
    rule(Lookup::first, Lookup::first);
  } else if (noB && manyOnSurface && ZA == 0.0f) {
    rule(Lookup::surface, Lookup::first);
  } else if (noB && ZA > 0.0f) {
    rule(Lookup::polygon, Lookup::first);
  } else if (twoOnSurface && ZA == 0.0f && ZB > 0.0f) {
    rule(Lookup::first, Lookup::polygon);
  } else if (ZA == 0.0f && ZB > 0.0f) {
    rule(Lookup::surface, Lookup::polygon);
  } else if (twoOnSurface && ZB == 0.0f && ZA > 0.0f) {
    rule(Lookup::polygon, Lookup::first);
  } else if (ZB == 0.0f && ZA > 0.0f) {
    rule(Lookup::polygon, Lookup::surface);
  } else if (twoOnSurface && ZA == 0.0f && ZB == 0.0f) {
    rule(Lookup::first, Lookup::first);
  } else if (ZA == 0.0f && ZB == 0.0f) {
    rule(Lookup::surface, Lookup::surface);
  }

  auto look = [&](Lookup how, float x, float z, float& rho) {
    switch (how) {
      case Lookup::first:
        rho = reference;
        break;
      case Lookup::surface:
        bodyUnderSurface(model, x, rho, console);
        break;
      case Lookup::polygon:
        bodyAtPoint(model, piSingle, x, z, rho, console);
        break;
    }
  };
  look(ruleA, XA, ZA, rhoA);
  look(ruleB, XB, ZB, rhoB);
  if (noA) rhoA = 0.0f;
  if (noB) rhoB = 0.0f;
}

}  // namespace korvis
