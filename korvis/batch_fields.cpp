// Batched right-hand sides and receiver fields. The right-hand sides are
// formed chunk by chunk: the distinct electrodes of a chunk of solves get
// their fields at every node (in parallel), then each solve's column is
// combined from the fields of its two electrodes. The receivers are grouped
// by point and direction; a thread evaluates the kernel geometry of a group
// once and then runs the charge sum of each request of the group.
#include "korvis/batch_fields.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>

#include "common/worker_pool.h"
#include "korvis/boundary.h"
#include "korvis/far_source_fields.h"
#include "korvis/kernels.h"
#include "korvis/source_field.h"

namespace korvis {

namespace {

// 1/(2 pi) with pi the float 3.1415925, applied in long double; only the
// weight is rounded to float (as the single right-hand side does it).
constexpr long double inverseTwoPiLong = 1.0L / (2.0L * static_cast<long double>(3.1415925f));
constexpr float inverseTwoPi = 0.15915495f;

// Fields of at most this many bytes are kept per chunk of solves.
constexpr std::size_t fieldBudget = std::size_t{32} << 20;

float sourceWeight(float rho) {
  return static_cast<float>(static_cast<long double>(rho) * inverseTwoPiLong);
}

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// body(i, thread) for i in [0, count), shared out to the worker threads.
template <typename Body>
void parallelFor(int count, int threads, const Body& body) {
  if (count <= 0) return;
  std::atomic<int> next{0};
  common::runParallel(std::min(threads, count), [&](int thread) {
    for (int i = next.fetch_add(1, std::memory_order_relaxed); i < count;
         i = next.fetch_add(1, std::memory_order_relaxed)) {
      body(i, thread);
    }
  });
}

std::array<std::uint32_t, 4> receiverKey(const ReceiverRequest& r) {
  return {std::bit_cast<std::uint32_t>(r.xr), std::bit_cast<std::uint32_t>(r.zr),
          std::bit_cast<std::uint32_t>(r.nx), std::bit_cast<std::uint32_t>(r.nz)};
}

}  // namespace

// Kernel geometry of one receiver point and direction at every node: the
// direct term as a point kernel (or, for a node whose element is long
// against its distance, the quadrature flag) and the image term.
struct FieldBatch::Geometry {
  std::vector<unsigned char> near;
  std::vector<float> directG, imageG;
  std::vector<double> directF, imageF;

  void reserve(std::size_t n) {
    if (near.size() >= n) return;
    near.resize(n);
    directG.resize(n);
    imageG.resize(n);
    directF.resize(n);
    imageF.resize(n);
  }

  template <class Kernel>
  void prepare(const common::NodeTable& nd, float xr, float zr, float nx, float nz,
               float ky) {
    const auto n = at(nd.N);
    for (std::size_t j = 0; j < n; ++j) {
      const float xj = nd.x[j], zj = nd.z[j];
      const float ddx = xr - xj;
      const float ddz = zr - zj;
      const float dist = 0.705f * std::sqrt(ddx * ddx + ddz * ddz);
      near[j] = nd.dL[j] > dist ? 1 : 0;
      if (near[j] == 0) {
        const KernelGeometry d = kernelGeometry<Kernel>(xr, zr, xj, zj, nx, nz, ky);
        directG[j] = d.G;
        directF[j] = d.f;
      }
      const KernelGeometry i = kernelGeometry<Kernel>(xr, zr, xj, -zj, nx, nz, ky);
      imageG[j] = i.G;
      imageF[j] = i.f;
    }
  }
};

FieldBatch::FieldBatch(int threads, bool smooth)
    : threads_(common::resolveThreads(threads)),
      smooth_(smooth),
      geometry_(at(common::resolveThreads(threads))),
      special_(at(common::resolveThreads(threads))) {}

FieldBatch::~FieldBatch() = default;

int FieldBatch::entryOf(const Electrode& e) {
  const std::array<std::uint32_t, 4> key{std::bit_cast<std::uint32_t>(e.x), std::bit_cast<std::uint32_t>(e.z),
                                         std::bit_cast<std::uint32_t>(e.w), std::bit_cast<std::uint32_t>(e.wImage)};
  const auto [it, added] = index_.try_emplace(key, static_cast<int>(electrodes_.size()));
  if (added) electrodes_.push_back(e);
  return it->second;
}

void FieldBatch::flush(const KorvisState& st, const float* q, float ky, int first, int last,
                       float* B, std::size_t ld) {
  const common::NodeTable& nd = st.nodes;
  const auto n = at(nd.N);
  parallelFor(static_cast<int>(electrodes_.size()), threads_, [&](int u, int thread) {
    const Electrode e = electrodes_[at(u)];
    float* E = fields_.data() + 2 * n * at(u);
    float* EImage = E + n;
    // With the smooth kernel the far nodes come from the vector loop of
    // farSourceFields; the nodes it marks are left to the loop below.
    std::vector<unsigned char>& special = special_[at(thread)];
    if (smooth_) {
      special.resize(n);
      farSourceFields(nd, e.x, e.z, e.w, e.wImage, ky, E, EImage, special.data());
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (smooth_ && special[i] == 0) continue;
      const float x = nd.x[i], z = nd.z[i], dL = nd.dL[i], xn = nd.xn[i], zn = nd.zn[i];
      const float dx = x - e.x;
      const float dz = z - e.z;
      if (e.wImage == 0.0f && onElementLine(x, z, xn, zn, e.x, e.z)) {
        // A bare pole on the ground surface has no normal field along a
        // straight stretch through it; the rounding of the coordinates
        // would put it a hair off the line and take half its flux through
        // the element.
        E[i] = 0.0f;
        EImage[i] = 0.0f;
        continue;
      }
      const float dist = 0.705f * std::sqrt(dx * dx + dz * dz);
      if (dL <= dist) {
        if (smooth_) {
          E[i] = directionalKernel<SmoothK1>(x, z, e.x, e.z, xn, zn, 1.0f, e.w, ky);
          EImage[i] = directionalKernel<SmoothK1>(x, z, e.x, -e.z, xn, zn, 1.0f, e.wImage, ky);
        } else {
          E[i] = directionalKernel(x, z, e.x, e.z, xn, zn, 1.0f, e.w, ky);
          EImage[i] = directionalKernel(x, z, e.x, -e.z, xn, zn, 1.0f, e.w, ky);
        }
      } else if (smooth_) {
        E[i] = static_cast<float>(meanSourceField(x, z, xn, zn, dL, e.x, e.z, e.w, ky));
        EImage[i] = static_cast<float>(meanSourceField(x, z, xn, zn, dL, e.x, -e.z, e.wImage, ky));
      } else {
        const int m = truncatedCount((0.705f / dist) * dL * 1.5f);
        float direct, image;
        elementAverage(x, z, xn, zn, dL, m, e.x, e.z, -e.z, e.w, ky, direct, image, smooth_);
        const auto fm = static_cast<float>(m);
        E[i] = direct / fm;
        EImage[i] = image / fm;
      }
    }
  });
  parallelFor(last - first, threads_, [&](int k, int) {
    const auto s = at(first + k);
    const float* EA = fields_.data() + 2 * n * at(slotA_[s]);
    const float* EAImage = EA + n;
    const float* EB = fields_.data() + 2 * n * at(slotB_[s]);
    const float* EBImage = EB + n;
    float* b = B + s * ld;
    for (std::size_t i = 0; i < n; ++i) b[i] = ((EA[i] + EAImage[i]) - EB[i] - EBImage[i]) * q[i];
  });
  electrodes_.clear();
  index_.clear();
}

void FieldBatch::rightHandSides(const KorvisState& st, const float* q,
                                const std::vector<SourcePair>& sources, float ky, float* B,
                                std::size_t ld) {
  const auto n = at(st.nodes.N);
  if (n == 0 || sources.empty()) return;
  const std::size_t capacity = std::max<std::size_t>(2, fieldBudget / (2 * n * sizeof(float)));
  const std::size_t wanted = std::min(capacity, 2 * sources.size());
  if (fields_.size() < wanted * 2 * n) fields_.resize(wanted * 2 * n);
  slotA_.resize(sources.size());
  slotB_.resize(sources.size());
  electrodes_.clear();
  index_.clear();
  int first = 0;
  const int count = static_cast<int>(sources.size());
  for (int s = 0; s < count; ++s) {
    const SourcePair& p = sources[at(s)];
    const float wA = sourceWeight(p.rhoA);
    const float wB = sourceWeight(p.rhoB);
    const Electrode a{p.XA, p.ZA, wA, p.bareA ? 0.0f : wA};
    const Electrode b{p.XB, p.ZB, wB, wB};
    if (electrodes_.size() + 2 > wanted) {
      flush(st, q, ky, first, s, B, ld);
      first = s;
    }
    slotA_[at(s)] = entryOf(a);
    slotB_[at(s)] = entryOf(b);
  }
  flush(st, q, ky, first, count, B, ld);
}

void FieldBatch::receivers(const common::NodeTable& nodes, float rho,
                           const std::vector<ReceiverRequest>& requests, const float* Sigma,
                           std::size_t ld, float ky, std::vector<ReceiverValue>& values) {
  const int count = static_cast<int>(requests.size());
  values.resize(requests.size());
  order_.resize(requests.size());
  for (int r = 0; r < count; ++r) order_[at(r)] = r;
  std::sort(order_.begin(), order_.end(), [&](int a, int b) {
    return receiverKey(requests[at(a)]) < receiverKey(requests[at(b)]);
  });
  groups_.clear();
  for (int r = 0; r < count; ++r) {
    if (r == 0 || receiverKey(requests[at(order_[at(r)])]) !=
                      receiverKey(requests[at(order_[at(r - 1)])])) {
      groups_.push_back(r);
    }
  }
  groups_.push_back(count);

  const float w = rho * inverseTwoPi;
  const auto n = at(nodes.N);
  for (Geometry& geo : geometry_) geo.reserve(n);
  parallelFor(static_cast<int>(groups_.size()) - 1, threads_, [&](int g, int thread) {
    Geometry& geo = geometry_[at(thread)];
    const ReceiverRequest& head = requests[at(order_[at(groups_[at(g)])])];
    if (smooth_) {
      geo.prepare<SmoothK1>(nodes, head.xr, head.zr, head.nx, head.nz, ky);
    } else {
      geo.prepare<TableK1>(nodes, head.xr, head.zr, head.nx, head.nz, ky);
    }
    for (int k = groups_[at(g)]; k < groups_[at(g + 1)]; ++k) {
      const ReceiverRequest& r = requests[at(order_[at(k)])];
      ReceiverValue& v = values[at(order_[at(k)])];
      primaryFields(r.xr, r.zr, r.XA, r.ZA, r.XB, r.ZB, r.nx, r.nz, r.rhoA, r.rhoB, ky, smooth_,
                    v.EA, v.EB);
      const float* sigma = Sigma + at(r.column) * ld;
      double sum = 0.0;
      for (std::size_t j = 0; j < n; ++j) {
        const float strength = nodes.dL[j] * sigma[j];
        if (geo.near[j] != 0) {
          sum += elementIntegral(r.xr, r.zr, nodes.x[j], nodes.z[j], nodes.dL[j], r.nx, r.nz,
                                 nodes.xn[j], nodes.zn[j], sigma[j], w, ky, smooth_);
        } else {
          sum += static_cast<double>(weighKernel(strength, w, {geo.directG[j], geo.directF[j]}));
        }
        sum += static_cast<double>(weighKernel(strength, w, {geo.imageG[j], geo.imageF[j]}));
      }
      v.E = static_cast<float>(static_cast<double>(v.EA - v.EB) + sum);
    }
  });
}

}  // namespace korvis
