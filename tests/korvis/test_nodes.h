// Node sets and model geometries for the korvis numerical tests: random
// nodes (with surface nodes and coinciding pairs) and a small real model, a
// conductive block in a half-space with its outline cut into elements.
#pragma once

#include <cmath>
#include <initializer_list>
#include <memory>
#include <random>
#include <utility>

#include "korvis/korvis_state.h"

namespace korvis::testing {

inline void addNode(common::NodeTable& nd, float x, float z, float dL, float xn,
                    float zn, float q, float qIP) {
  const int i = nd.N++;
  nd.x[i] = x;
  nd.z[i] = z;
  nd.dL[i] = dL;
  nd.xn[i] = xn;
  nd.zn[i] = zn;
  nd.q[i] = q;
  nd.qIP[i] = qIP;
}

// n random elements below the surface; every seventh lies on z = 0 and the
// last repeats the first surface node, so the diagnostics have work.
inline void randomNodes(common::NodeTable& nd, int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> xs(-50.0f, 50.0f), zs(0.05f, 40.0f), len(0.1f, 8.0f),
      angle(0.0f, 6.2831853f), coef(-0.9f, 0.9f);
  nd.N = 0;
  for (int i = 0; i < n - 1; ++i) {
    const float a = angle(rng);
    const float z = (i % 7 == 3) ? 0.0f : zs(rng);
    addNode(nd, xs(rng), z, len(rng), std::cos(a), std::sin(a), coef(rng), coef(rng));
  }
  addNode(nd, nd.x[3], 0.0f, nd.dL[3], nd.xn[3], nd.zn[3], coef(rng), coef(rng));
}

// Body 1: the host, a 2000 m wide box under the surface; body 2: a block
// x in [-20, 20], z in [10, 30]; both outlines from +X towards +Z. The
// block's outline is cut into 2 m elements with outward normals.
inline std::unique_ptr<KorvisState> blockModel(float rhoHost = 100.0f, float rhoBlock = 10.0f) {
  auto st = std::make_unique<KorvisState>();
  common::ModelGeometry& m = st->model;
  const std::pair<float, float> vertices[] = {{-1000, 0}, {1000, 0},  {1000, 1000},
                                              {-1000, 1000}, {-20, 10}, {20, 10},
                                              {20, 30},      {-20, 30}};
  m.nP = 8;
  for (int v = 0; v < 8; ++v) {
    m.xp[v] = vertices[v].first;
    m.zp[v] = vertices[v].second;
  }
  m.nT = 2;
  m.Ro[0] = rhoHost;
  m.Ro[1] = rhoBlock;
  m.RO_IP[0] = rhoHost;
  m.RO_IP[1] = rhoBlock / (1.0f - 0.01f * 20.0f);
  m.nVer[0] = 4;
  m.nVer[1] = 4;
  for (int k = 0; k < 5; ++k) {
    m.vertexRing[0][k] = 1 + k % 4;
    m.vertexRing[1][k] = 5 + k % 4;
  }
  m.nPOnSurface = 2;
  m.surfaceList[0] = 1;
  m.surfaceList[1] = 2;
  m.surfaceBodies[0] = 1;
  m.nSurfaceBodies = 1;

  const float q = (rhoHost - rhoBlock) / (rhoHost + rhoBlock);
  const float qIP = (m.RO_IP[0] - m.RO_IP[1]) / (m.RO_IP[0] + m.RO_IP[1]);
  common::NodeTable& nd = st->nodes;
  for (int k = 0; k < 20; ++k) addNode(nd, -19.0f + 2.0f * float(k), 10.0f, 2.0f, 0, -1, q, qIP);
  for (int k = 0; k < 10; ++k) addNode(nd, 20.0f, 11.0f + 2.0f * float(k), 2.0f, 1, 0, q, qIP);
  for (int k = 0; k < 20; ++k) addNode(nd, 19.0f - 2.0f * float(k), 30.0f, 2.0f, 0, 1, q, qIP);
  for (int k = 0; k < 10; ++k) addNode(nd, -20.0f, 29.0f - 2.0f * float(k), 2.0f, -1, 0, q, qIP);
  return st;
}

}  // namespace korvis::testing
