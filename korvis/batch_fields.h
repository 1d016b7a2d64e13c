// The right-hand sides and receiver fields of all configurations of one
// wavenumber, computed together. Surveys reuse a few electrode and receiver
// points many times (a profile of P positions and S spacings has P*S
// configurations but only about P + S distinct electrode points), so the
// kernel geometry of each distinct point is evaluated once and shared. Every
// value is computed with the same operations, in the same order, as
// sourceRhsGiven and receiverField compute it for one configuration.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "korvis/korvis_state.h"

namespace korvis {

// The current electrodes of one solve and their resistivities.
struct SourcePair {
  float XA = 0, ZA = 0, XB = 0, ZB = 0;
  float rhoA = 0, rhoB = 0;
  // A pole with no image (an electrode on the ground surface over relief,
  // relief.h): its field at the nodes leaves out the mirrored source.
  bool bareA = false;
};

// One receiver evaluation: the receiver and its direction, the current
// electrodes with their resistivities, and the column of the charge
// densities to use.
struct ReceiverRequest {
  float xr = 0, zr = 0, nx = 1, nz = 0;
  float XA = 0, ZA = 0, XB = 0, ZB = 0;
  float rhoA = 0, rhoB = 0;
  int column = 0;
};

// receiverField's outputs: total field E and primary fields EA, EB.
struct ReceiverValue {
  float E = 0, EA = 0, EB = 0;
};

class FieldBatch {
 public:
  // threads <= 0: every hardware thread. smooth: every kernel is
  // smoothK1Kernel instead of the table (the survey mode), the electrodes'
  // fields at the far nodes from farSourceFields (far_source_fields.h),
  // which differ by rounding only; the operations are otherwise the same.
  explicit FieldBatch(int threads, bool smooth = false);
  ~FieldBatch();
  FieldBatch(const FieldBatch&) = delete;
  FieldBatch& operator=(const FieldBatch&) = delete;

  // Column s of B (leading dimension ld) becomes sourceRhsGiven(st, q,
  // sources[s], ky): b(i) = ((EA + EA') - EB - EB')*q(i), the fields of each
  // distinct electrode (position and weight rho/(2 pi)) evaluated once. With
  // the smooth kernel an electrode near an element (the element longer than
  // 0.705 times its distance) gets the element's mean field with the
  // singular part in closed form (meanSourceField) instead of m points.
  void rightHandSides(const KorvisState& st, const float* q, const std::vector<SourcePair>& sources,
                      float ky, float* B, std::size_t ld);

  // values[r] = receiverField(nodes, rho, request r, column r of Sigma
  // (leading dimension ld), ky, mode 2), the kernel geometry of each distinct
  // receiver and direction evaluated once for all its requests.
  void receivers(const common::NodeTable& nodes, float rho,
                 const std::vector<ReceiverRequest>& requests, const float* Sigma, std::size_t ld,
                 float ky, std::vector<ReceiverValue>& values);

 private:
  struct Geometry;  // per-thread kernel geometry of one receiver

  struct Electrode {
    float x, z, w;
    float wImage;  // the image's weight: w, or 0 for a bare pole
  };

  int entryOf(const Electrode& e);
  void flush(const KorvisState& st, const float* q, float ky, int first, int last, float* B,
             std::size_t ld);

  int threads_;
  bool smooth_;
  // The distinct electrodes of the current chunk of solves, their fields E,
  // E' at every node (2N floats each), and the entries of A and B per solve.
  std::vector<Electrode> electrodes_;
  std::map<std::array<std::uint32_t, 4>, int> index_;  // bit patterns of x, z, w, wImage -> entry
  std::vector<float> fields_;
  std::vector<int> slotA_, slotB_;
  std::vector<int> order_;  // requests sorted by receiver
  std::vector<int> groups_;  // start of each receiver's run in order_
  std::vector<Geometry> geometry_;  // one per thread
  std::vector<std::vector<unsigned char>> special_;  // the smooth fields' marks, one per thread
};

}  // namespace korvis
