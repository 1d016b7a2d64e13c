// The run of telm from banner to closing message: input, discretisation,
// surface lists, then either the exchange file for korvis or the full 2D
// modelling run. Works in the current directory.
#pragma once

#include <ostream>
#include <string>

namespace telm {

// Runs the program; console text goes to `console`, our own error and
// warning messages (prefixed "telm: ") to `errors`. Returns the exit status:
// 0, a coded stop (100, 199, 200) or one of common/exit_codes.h.
int runProgram(std::ostream& console, std::ostream& errors);

// What the command line asks of the mesh.
struct MeshOptions {
  // telm --survey FILE, only in mesh preparation (keyRun = -1): the
  // electrodes of that survey file take the place of varga.arr, the mesh is
  // refined around every one of them and graded toward the corners.
  std::string surveyPath;
  // telm --graded-corners, any keyRun: the mesh graded toward the corners.
  bool gradedCorners = false;
  // telm --survey FILE --estimate-error: also the mesh at fineMeshFactor
  // times dens, varga-fine.xy, for korvis --survey --estimate-error.
  bool estimateError = false;
  // telm --survey FILE --depth-mesh: interfaces sized by their depth alone,
  // not by their distance to the survey's electrodes (TelmState::electrodeReach).
  bool depthMesh = false;
  // telm --survey FILE --drape: electrodes above the ground surface of a
  // model with relief, or at z = 0, are placed on it at their x.
  bool drape = false;
  // For tests: the relief formulation on any model, its mirror plane this
  // far above the surface's highest point (0: the formulation only where
  // the model has relief, mirrored at its highest point).
  float mirrorAbove = 0.0f;
  // For tests of the relief mesh's convergence: the truncation distance and
  // the step on the ground surface, relative to the rules of relief_mesh.h.
  float truncationScale = 1.0f;
  float surfaceStepScale = 1.0f;
  // The bytes of memory that the survey mode's limits follow; negative: what
  // the machine has available when the run starts.
  double memory = -1;
};

inline constexpr float fineMeshFactor = 2.0f;
inline constexpr const char* fineMeshPath = "varga-fine.xy";

// The same with the options of the command line.
int runProgram(std::ostream& console, std::ostream& errors, const MeshOptions& options);

}  // namespace telm
