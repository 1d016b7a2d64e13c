// The table of logarithm rows per receiver position and the response formed
// from them. The hot loop of a response runs over the stretches between near
// nodes as a plain loop over the four rows; the near nodes (a few per
// position) are integrated as configurationResponse integrates them. Each
// term and each addition is the same single-precision operation in the same
// order as in configurationResponse, so the result is the same bits.
#include "telm/response_rows.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <new>

#include "telm/parallel.h"

namespace telm {

namespace {

std::uint64_t keyOf(const ReceiverPosition& p) {
  return (static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(p.x)) << 32) |
         std::bit_cast<std::uint32_t>(p.z);
}

}  // namespace

ResponseRows::ResponseRows(const Nodes& nodes, int n, std::size_t byteCap)
    : nodes_(nodes), n_(std::max(n, 0)) {
  const std::size_t perPosition =
      std::max<std::size_t>(1, 2 * static_cast<std::size_t>(n_) * sizeof(float));
  capacity_ = static_cast<int>(std::clamp<std::size_t>(byteCap / perPosition, 2, INT_MAX));
}

int ResponseRows::take(const ReceiverPosition& p, std::vector<int>& missing) {
  const std::uint64_t key = keyOf(p);
  int slot = 0;
  if (const auto it = slotOf_.find(key); it != slotOf_.end()) {
    slot = it->second;
    Row& row = rows_[static_cast<std::size_t>(slot)];
    if (row.pinnedBy != call_) {
      idle_.erase({row.stamp, slot});
      row.pinnedBy = call_;
      pinned_.push_back(slot);
    }
  } else {
    if (rows_.size() < static_cast<std::size_t>(capacity_)) {
      slot = static_cast<int>(rows_.size());
      rows_.emplace_back();
    } else {
      const auto oldest = idle_.begin();
      slot = oldest->second;
      idle_.erase(oldest);
      slotOf_.erase(rows_[static_cast<std::size_t>(slot)].key);
    }
    Row& row = rows_[static_cast<std::size_t>(slot)];
    row.key = key;
    row.at = p;
    row.direct.resize(static_cast<std::size_t>(n_));
    row.image.resize(static_cast<std::size_t>(n_));
    row.pinnedBy = call_;
    pinned_.push_back(slot);
    slotOf_.emplace(key, slot);
    missing.push_back(slot);
  }
  rows_[static_cast<std::size_t>(slot)].stamp = ++clock_;
  return slot;
}

int ResponseRows::admit(const std::vector<ReceiverPosition>& receivers, int begin, int threads,
                        std::vector<SlotPair>& slots) {
  ++call_;
  pinned_.clear();
  slots.clear();
  std::vector<int> missing;
  const auto count = static_cast<int>(receivers.size() / 2);
  int k = begin;
  for (; k < count; ++k) {
    const ReceiverPosition& m = receivers[2 * static_cast<std::size_t>(k)];
    const ReceiverPosition& n = receivers[2 * static_cast<std::size_t>(k) + 1];
    // Rows this configuration adds, and idle rows of its own that it pins
    // (and that therefore cannot make room for them).
    std::size_t needed = 0, ownIdle = 0;
    const auto count1 = [&](const ReceiverPosition& p) {
      const auto it = slotOf_.find(keyOf(p));
      if (it == slotOf_.end()) {
        ++needed;
      } else if (rows_[static_cast<std::size_t>(it->second)].pinnedBy != call_) {
        ++ownIdle;
      }
    };
    count1(m);
    if (keyOf(n) != keyOf(m)) count1(n);
    const std::size_t room =
        static_cast<std::size_t>(capacity_) - rows_.size() + idle_.size() - ownIdle;
    if (needed > room) break;
    const int slotM = take(m, missing);
    const int slotN = take(n, missing);
    slots.push_back({slotM, slotN});
  }
  // Only the near lists can grow in the workers; a failure to get memory
  // there is passed on from this thread.
  std::vector<char> failed(missing.size(), 0);
  parallelFor(static_cast<int>(missing.size()), threads, [&](int t) {
    try {
      fill(rows_[static_cast<std::size_t>(missing[static_cast<std::size_t>(t)])]);
    } catch (const std::bad_alloc&) {
      failed[static_cast<std::size_t>(t)] = 1;
    }
  });
  if (std::find(failed.begin(), failed.end(), 1) != failed.end()) throw std::bad_alloc();
  rowsComputed_ += static_cast<long long>(missing.size());
  for (const int slot : pinned_) idle_.insert({rows_[static_cast<std::size_t>(slot)].stamp, slot});
  return k;
}

void ResponseRows::fill(Row& row) const {
  row.nearDirect.clear();
  row.nearImage.clear();
  const float xR = row.at.x, zR = row.at.z;
  for (int i = 0; i < n_; ++i) {
    const float dx = xR - nodes_.x[i];
    const float dLi = nodes_.dL[i];
    const float zS[2] = {nodes_.z[i], -nodes_.z[i]};
    std::vector<float>* const target[2] = {&row.direct, &row.image};
    std::vector<int>* const near[2] = {&row.nearDirect, &row.nearImage};
    for (int side = 0; side < 2; ++side) {
      const float dz = zR - zS[side];
      const float r = std::sqrt(dx * dx + dz * dz);
      if (nearFactor * r < dLi) {
        near[side]->push_back(i);
      } else {
        (*target[side])[static_cast<std::size_t>(i)] = -std::log(r);
      }
    }
  }
}

float ResponseRows::response(const SlotPair& slots, const Electrodes& e, const float* sigma,
                             const SourceMedium& medium, float rho1) const {
  const Row& rowM = rows_[static_cast<std::size_t>(slots[0])];
  const Row& rowN = rows_[static_cast<std::size_t>(slots[1])];
  const float c1 = rho1 * inverseTwoPi;
  const PrimaryPart primary = primaryPart(e, medium);
  const float* x = nodes_.x.data();
  const float* z = nodes_.z.data();
  const float* xn = nodes_.xn.data();
  const float* zn = nodes_.zn.data();
  const float* dL = nodes_.dL.data();
  const float* md = rowM.direct.data();
  const float* mi = rowM.image.data();
  const float* nd = rowN.direct.data();
  const float* ni = rowN.image.data();

  // The next near node of one row.
  struct Cursor {
    const std::vector<int>& list;
    std::size_t at = 0;
    int next(int end) const { return at < list.size() ? list[at] : end; }
  };
  Cursor nearMd{rowM.nearDirect}, nearMi{rowM.nearImage}, nearNd{rowN.nearDirect},
      nearNi{rowN.nearImage};

  int i = 0;
  // G(R, S) of node i where some row has it near.
  const auto term = [&](Cursor& near, const float* row, float xR, float zR, bool image) {
    if (near.next(n_) == i) {
      ++near.at;
      return elementPotentialIntegral(xR, zR, x[i], image ? -z[i] : z[i], dL[i], xn[i],
                                      image ? -zn[i] : zn[i], sigma[i], c1);
    }
    return (row[i] * (sigma[i] * dL[i])) * c1;
  };
  float dS = 0.0f;
  for (;;) {
    const int stop =
        std::min({nearMd.next(n_), nearMi.next(n_), nearNd.next(n_), nearNi.next(n_)});
    for (; i < stop; ++i) {
      const float s = sigma[i] * dL[i];
      const float gMd = (md[i] * s) * c1;
      const float gMi = (mi[i] * s) * c1;
      const float gNd = (nd[i] * s) * c1;
      const float gNi = (ni[i] * s) * c1;
      dS += ((gMd + gMi) - gNd) - gNi;
    }
    if (i >= n_) break;
    const float gMd = term(nearMd, md, e.xM, e.zM, false);
    const float gMi = term(nearMi, mi, e.xM, e.zM, true);
    const float gNd = term(nearNd, nd, e.xN, e.zN, false);
    const float gNi = term(nearNi, ni, e.xN, e.zN, true);
    dS += ((gMd + gMi) - gNd) - gNi;
    ++i;
  }
  return (primary.dP + dS) / primary.dK;
}

}  // namespace telm
