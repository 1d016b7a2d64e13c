// The model geometry and the boundary-node table shared in layout by both
// programs, and the survey description of the array file varga.arr. Plain
// fixed-capacity records: they are created once at start-up and never
// reallocated. Indices in C++ are 0-based; vertex and body numbers stored in
// the lists keep their 1-based values as they appear in the files.
#pragma once

#include <array>

namespace common {

inline constexpr int maxBodies = 50;     // bodies; telm uses slot nT for the outside region
inline constexpr int maxRing = 41;       // outline entries per body (40 vertices + closing repeat)
inline constexpr int maxVertices = 100;  // polygon vertices
inline constexpr int maxSurface = 50;    // surface-list entries
inline constexpr int maxSpacings = 30;
inline constexpr int maxPositions = 100;

struct ModelGeometry {
  int nT = 0;  // bodies
  int nP = 0;  // vertices
  std::array<float, maxBodies + 1> Ro{};
  std::array<float, maxBodies + 1> RO_IP{};
  std::array<int, maxBodies + 1> nVer{};
  // vertexRing[i][k]: number (1-based) of the k-th vertex of body i (0-based
  // i and k); entry nVer[i] repeats entry 0 once the ring has been closed.
  std::array<std::array<int, maxRing>, maxBodies + 1> vertexRing{};
  std::array<float, maxVertices> xp{};
  std::array<float, maxVertices> zp{};
  int nPOnSurface = 0;
  std::array<int, maxSurface> surfaceList{};    // vertex numbers, 1-based
  std::array<int, maxSurface> surfaceBodies{};  // body numbers, 1-based
  int nSurfaceBodies = 0;                       // entries actually in surfaceBodies
};

// Boundary elements ("nodes"): centre, length, unit normal, contrast
// coefficients. Capacity 4200 in telm, 4100 in korvis.
template <int Capacity>
struct NodeTable {
  static constexpr int capacity = Capacity;
  int N = 0;
  std::array<float, Capacity> x{}, z{}, dL{}, xn{}, zn{}, q{}, qIP{};
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
