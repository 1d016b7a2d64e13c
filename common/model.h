// The model geometry and the boundary-node table shared in layout by both
// programs, and the survey description of the array file varga.arr. The
// fixed kinds size every table once, at start-up, to the fixed limits below;
// the survey mode (--survey) sizes them to the counts it reads, within the
// limits that the machine's memory allows (memory_limit.h). Indices in C++
// are 0-based; vertex and body numbers stored in the lists keep their
// 1-based values as they appear in the files.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace common {

inline constexpr int maxBodies = 50;     // bodies; telm uses slot nT for the outside region
inline constexpr int maxRing = 41;       // outline entries per body (40 vertices + closing repeat)
inline constexpr int maxVertices = 100;  // polygon vertices
inline constexpr int maxSurface = 50;    // surface-list entries
inline constexpr int maxSpacings = 30;
inline constexpr int maxPositions = 100;

// The most bodies, vertices (in all, and per body outline), surface-list
// entries and nodes a run accepts. memoryBounded marks the survey mode,
// whose limits follow the memory and whose refusals say so.
struct ModelLimits {
  int bodies = maxBodies;
  int vertices = maxVertices;
  int ringVertices = maxRing - 1;
  int surface = maxSurface;
  int nodes = 0;
  bool memoryBounded = false;
  double memory = 0;  // bytes available when memoryBounded (0: unknown)
};

struct ModelGeometry {
  int nT = 0;  // bodies
  int nP = 0;  // vertices
  std::vector<float> Ro = std::vector<float>(maxBodies + 1);
  std::vector<float> RO_IP = std::vector<float>(maxBodies + 1);
  std::vector<int> nVer = std::vector<int>(maxBodies + 1);
  // vertexRing[i][k]: number (1-based) of the k-th vertex of body i (0-based
  // i and k); entry nVer[i] repeats entry 0 once the ring has been closed.
  std::vector<std::vector<int>> vertexRing =
      std::vector<std::vector<int>>(maxBodies + 1, std::vector<int>(maxRing));
  std::vector<float> xp = std::vector<float>(maxVertices);
  std::vector<float> zp = std::vector<float>(maxVertices);
  int nPOnSurface = 0;
  std::vector<int> surfaceList = std::vector<int>(maxSurface);    // vertex numbers, 1-based
  std::vector<int> surfaceBodies = std::vector<int>(maxSurface);  // body numbers, 1-based
  int nSurfaceBodies = 0;                                         // entries actually in surfaceBodies

  // Room for `bodies` bodies and the slot after them, `vertices` vertices
  // and `surface` surface-list entries; tables only grow, so the fixed
  // kinds' sizes stay as they are.
  void makeRoom(int bodies, int vertices, int surface);
  // Room for body i's ring of `count` vertices and its closing repeat.
  void makeRingRoom(int i, int count);
};

// Boundary elements ("nodes"): centre, length, unit normal, contrast
// coefficients. Every column holds `capacity` entries, the first N in use.
struct NodeTable {
  explicit NodeTable(int rows = 0) { setCapacity(rows); }
  void setCapacity(int capacity);
  int capacity = 0;
  int N = 0;
  std::vector<float> x, z, dL, xn, zn, q, qIP;
};

// varga.arr: records 1 and 2, and the spacings (record 3, or generated for
// kind 18).
struct ArrayFile {
  float dX = 0, dZ = 0, X0 = 0, Z0 = 0;
  int nPos = 0, nSpac = 0;
  float XA = 0, ZA = 0, XB = 0, ZB = 0, XMN = 0;
  int keyArr = 0, iDir = 0;
  std::array<float, maxSpacings> Spac{};
};

}  // namespace common
