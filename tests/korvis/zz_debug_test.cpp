#include <gtest/gtest.h>
#include <cstring>
#include <sstream>
#include "korvis/boundary.h"
#include "korvis/lu_solve.h"
#include "korvis/solve.h"
#include "model_files.h"
namespace korvis {
TEST(ZZDebug, Pieces) {
  auto st = testing::faultModel(4.0f);
  const int n = st->nodes.N;
  std::vector<float> A(n*n), B(n*n), C(n*n);
  std::ostringstream d1, d2;
  assembleBoundaryMatrix(st->nodes, st->nodes.q.data(), st->model.Ro[0], A.data(), n, 0.01f, d1);
  assembleBoundaryMatrixPair(st->nodes, st->nodes.q.data(), st->model.Ro[0], B.data(), st->nodes.qIP.data(), st->model.RO_IP[0], C.data(), n, 0.01f, d2);
  EXPECT_EQ(0, std::memcmp(A.data(), B.data(), 4*n*n)) << "pair fill";
  EXPECT_EQ(d1.str(), d2.str());
  std::vector<float> F = A;
  luFactor(F.data(), n, n, 2);
  std::vector<float> G = A, work(n), b(n), sig(n), b2(n), sig2(n);
  for (int i=0;i<n;i++) b[i] = float(i%7) - 3.0f;
  b2 = b;
  luSolve(G.data(), n, sig.data(), b.data(), n, work.data(), 1);
  EXPECT_EQ(0, std::memcmp(F.data(), G.data(), 4*n*n)) << "factor";
  luSubstituteMany(F.data(), n, n, b2.data(), n, sig2.data(), n, 1, 2);
  EXPECT_EQ(0, std::memcmp(sig.data(), sig2.data(), 4*n)) << "subst";
}
}
