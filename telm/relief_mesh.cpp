// The mirror plane, the surface lists and the continuations of the ground
// surface of a model with relief.
#include "telm/relief_mesh.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/record_reader.h"
#include "telm/discretisation.h"

namespace telm {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// The edge of the surface segment that ends the line at its left (first)
// or right end; -1 when that segment lies in the mirror plane.
int endEdge(const TelmState& st, bool right) {
  const auto& v = st.ground.vertices;
  const int a = right ? v[v.size() - 2] : v[0];
  const int b = right ? v.back() : v[1];
  for (int e = 0; e < st.nEdges; ++e) {
    const Edge& edge = st.edgeTable[at(e)];
    if (edge.bodyOut == airBody && edge.start == a && edge.end == b) return e;
  }
  return -1;
}

}  // namespace

void prepareRelief(TelmState& st) {
  std::string problem;
  common::findGroundSurface(st.model, st.ground, problem);
  st.mirrorDepth = static_cast<float>(st.ground.top());
  const auto width = static_cast<float>(st.ground.x.back() - st.ground.x.front());
  st.truncation = truncationFactor * width;
  float smallest = HUGE_VALF;
  for (std::size_t i = 0; i < st.surveyX.size(); ++i) {
    for (std::size_t j = i + 1; j < st.surveyX.size(); ++j) {
      const float d = std::hypot(st.surveyX[i] - st.surveyX[j], st.surveyZ[i] - st.surveyZ[j]);
      if (d > 0.001f) smallest = std::min(smallest, d);
    }
  }
  st.surfaceStep = std::isfinite(smallest) ? std::max(smallest, 0.05f) : 0.05f * width;

  common::ModelGeometry& g = st.model;
  const auto count = static_cast<int>(st.ground.vertices.size());
  if (count > st.limits.surface) {
    throw common::InputError(st.modelFileName + ": expected at most " + std::to_string(st.limits.surface) +
                             " vertices along the ground surface, found " + std::to_string(count));
  }
  if (g.surfaceList.size() < at(count)) g.surfaceList.resize(at(count));
  if (g.surfaceBodies.size() < at(count)) g.surfaceBodies.resize(at(count));
  g.nPOnSurface = count;
  g.nSurfaceBodies = count - 1;
  for (int k = 0; k < count; ++k) g.surfaceList[at(k)] = st.ground.vertices[at(k)];
  for (int k = 0; k + 1 < count; ++k) g.surfaceBodies[at(k)] = st.ground.bodies[at(k)];
}

void addSurfaceTails(TelmState& st, std::ostream& console) {
  for (const bool right : {false, true}) {
    const int e = endEdge(st, right);
    if (e < 0) continue;
    const Edge& edge = st.edgeTable[at(e)];
    const int end = right ? edge.end : edge.start;
    const Point p{st.model.xp[at(end - 1)], st.model.zp[at(end - 1)]};
    if (std::fabs(p.z - st.mirrorDepth) < 1e-6f) continue;
    const Point far{right ? p.x + st.truncation : p.x - st.truncation, p.z};
    const float near = stepAt(st, e, p);
    const float wide = 0.1f * st.truncation;
    // Left of the model the run goes toward the end, so that its normal
    // points up as on the surface.
    if (right) {
      splitSegment(st, e, p, far, near, wide, console);
    } else {
      splitSegment(st, e, far, p, wide, near, console);
    }
  }
}

}  // namespace telm
