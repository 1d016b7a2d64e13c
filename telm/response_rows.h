// The logarithms of the secondary response, kept per receiver position. The
// response of a configuration takes -ln|R - S| from each receiver R (M and
// N) to every node S and to its image; these depend only on the receiver's
// position and on the node geometry, which stays the same for a whole array
// run, while the charges, resistivities and pass enter only the products
// formed afterwards. So the logarithms are computed once per position into a
// row (direct and image), the nodes near the position (where the response
// integrates over the element instead) are listed aside, and a
// configuration's response reads the rows of its M and N. The table holds at
// most a given number of bytes of rows; when it is full the least recently
// used positions make room, so a run with thousands of stations stays
// bounded. A row is the same bits whenever and by whichever thread it is
// computed, so the responses do not depend on the cap or the thread count.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "telm/system2d.h"

namespace telm {

// Where a receiver electrode stands.
struct ReceiverPosition {
  float x = 0, z = 0;
};

class ResponseRows {
 public:
  // The two rows of M and N of one configuration.
  using SlotPair = std::array<int, 2>;

  // A table for the first n nodes that holds max(2, byteCap / (8 n))
  // positions (two float rows of n each; the lists of near nodes, a few
  // entries per position, are not counted). `nodes` must outlive the table
  // and keep its geometry.
  ResponseRows(const Nodes& nodes, int n, std::size_t byteCap);

  // Brings the rows of receivers[2k] (M) and receivers[2k + 1] (N) into the
  // table for k = begin, begin + 1, ... as long as they fit beside the rows
  // already brought in by this call (at least configuration begin), making
  // room by dropping the least recently used other positions. The missing
  // rows are computed spread over `threads`. slots[k - begin] receives the
  // slots of configuration k. Returns the end of the configurations brought
  // in; their slots stay valid until the next call. Throws std::bad_alloc
  // when memory for the rows runs out.
  int admit(const std::vector<ReceiverPosition>& receivers, int begin, int threads,
            std::vector<SlotPair>& slots);

  // The apparent resistivity of configuration e with charges sigma from the
  // rows of its receivers (slots from admit), bit for bit what
  // configurationResponse gives for arrays other than the magnetic-field one:
  //   (dP + dS) / dK, dP and dK as primaryPart,
  //   dS = sum over i = 0, 1, ... of ((gMd + gMi) - gNd) - gNi,
  //   g = (L_i * (sigma_i * dL_i)) * c1, c1 = rho1 * inverseTwoPi,
  // where L_i = -ln r is the row entry of the receiver for node i (d: direct,
  // r = |R - (x_i, z_i)|; i: image, r = |R - (x_i, -z_i)|), except for the
  // nodes near the receiver (0.705 r < dL_i), whose g is
  // elementPotentialIntegral(R, S, dL_i, (xn_i, +-zn_i), sigma_i, c1).
  float response(const SlotPair& slots, const Electrodes& e, const float* sigma,
                 const SourceMedium& medium, float rho1) const;

  int capacity() const { return capacity_; }
  // Rows computed so far (each position once per time it was brought in).
  long long rowsComputed() const { return rowsComputed_; }

 private:
  struct Row {
    std::uint64_t key = 0;    // bit patterns of x and z
    std::uint64_t stamp = 0;  // last use, for eviction
    std::uint64_t pinnedBy = 0;  // the admit call that uses it
    ReceiverPosition at;
    std::vector<float> direct, image;        // -ln r per node; not read at near nodes
    std::vector<int> nearDirect, nearImage;  // near nodes, increasing
  };

  void fill(Row& row) const;
  // The slot of `p`, brought in (and pinned) for the current call; appends it
  // to `missing` when its rows are still to be computed.
  int take(const ReceiverPosition& p, std::vector<int>& missing);

  const Nodes& nodes_;
  int n_;
  int capacity_;
  std::vector<Row> rows_;
  std::unordered_map<std::uint64_t, int> slotOf_;
  std::set<std::pair<std::uint64_t, int>> idle_;  // (stamp, slot) of rows not pinned
  std::vector<int> pinned_;
  std::uint64_t clock_ = 0;
  std::uint64_t call_ = 0;
  long long rowsComputed_ = 0;
};

}  // namespace telm
