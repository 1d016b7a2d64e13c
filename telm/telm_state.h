// The one state record of a telm run: titles, header, bodies and vertices,
// survey settings, the refinement points, the edge and node tables and the
// surface lists. Created once at start-up with the fixed kinds' limits; the
// survey mode sets memory-bounded ones (setLimits) before it reads.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/ground_surface.h"
#include "common/model.h"

namespace telm {

inline constexpr int maxNodes = 4200;
inline constexpr int maxEdges = 100;
inline constexpr int maxArrays = 5;

// bodyOut of a side of the ground surface of a model with relief: the air.
inline constexpr int airBody = 0;

struct Edge {
  int start = 0, end = 0;     // vertex numbers, 1-based
  int bodyIn = 0, bodyOut = 0;  // body numbers, 1-based; nT + 1 is the outside region
};

struct TelmState {
  std::string modelFileName;  // the 128-character name field, trailing blanks removed
  std::string title1, title2; // 75 characters each, blank padded

  int keyIP = 0;
  float dens = 0;
  int keyRun = 0;

  common::ModelLimits limits{.nodes = maxNodes};
  common::ModelGeometry model;  // Ro, RO_IP, rings, vertices, surface lists
  std::vector<float> eta = std::vector<float>(common::maxBodies + 1);
  std::vector<float> M1 = std::vector<float>(common::maxBodies + 1);  // magnetisation, always 0
  std::vector<float> M2 = std::vector<float>(common::maxBodies + 1);

  // Survey settings of the model file.
  float stationStep = 0, firstStation = 0;
  int stationCount = 0, spacingCount = 0;
  float profileDepth = 0;
  float XA = 0, ZA = 0, XB = 0, ZB = 0;
  std::array<float, common::maxSpacings> spacingList{}, offsetList{}, mnList{};
  int arrayCount = 0;
  std::array<int, maxArrays> arrayKind{};
  int firstArrayKind = 0;

  // Mesh refinement around fixed electrodes: 0 none, 1 model file, 2 varga.arr,
  // 3 every electrode of a survey file (telm --survey), x and depth in
  // surveyX, surveyZ.
  int refineFlag = 0;
  float refAx = 0, refAz = 0, refBx = 0, refBz = 0;
  std::vector<float> surveyX, surveyZ;
  // Electrodes toward whose nearest point on each interface the mesh is
  // graded where they lie closer to it than the model's own step: every
  // electrode of a survey file, the buried electrodes of varga.arr.
  std::vector<float> gradeX, gradeZ;
  // The survey-sized mesh (telm --survey): away from the survey's
  // electrodes an interface is sized as if it lay electrodeReach times its
  // distance to the nearest of them deep; 0 sizes by depth alone.
  float electrodeReach = 0;
  // Elements graded toward every junction (telm --survey, --graded-corners).
  bool gradedCorners = false;
  // A model with relief (telm --survey only): the ground surface is one more
  // boundary, against the air (bodyOut 0 in the edge table), the sources are
  // mirrored in the level plane at depth mirrorDepth (at or above the
  // surface's highest point), and the surface runs on level beyond the
  // model's ends for `truncation` metres (relief_mesh.h).
  bool relief = false;
  common::GroundSurface ground;
  float mirrorDepth = 0;
  float truncation = 0;
  float surfaceStep = 0;   // times 1/dens: the smallest step on the surface
  float surfaceScale = 1;  // every step on the surface times this (tests)

  // The interface sides; at most maxEdges of them unless the limits are
  // memory-bounded (then every side of the outlines may be one).
  std::vector<Edge> edgeTable = std::vector<Edge>(maxEdges);
  int nEdges = 0;
  common::NodeTable nodes{maxNodes};
  // The edge (0-based) that each node was cut from, so that a node's
  // coefficients can be traced to the two bodies they come from.
  std::vector<int> nodeEdge = std::vector<int>(maxNodes);
  // With memory-bounded limits a full node table does not stop the
  // discretisation: the nodes beyond it are counted here (not stored), so
  // that the refusal can say how many the mesh needs.
  long long nodesBeyond = 0;

  // Room for bodies and the slot after them (eta, M1, M2 with the model).
  void makeRoom(int bodies, int vertices, int surface);
  // The node table's capacity, nodeEdge with it.
  void setNodeCapacity(int capacity);
  // Limits and the tables sized for them (the node table to limits.nodes).
  void setLimits(const common::ModelLimits& newLimits);
};

}  // namespace telm
