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
  for (float ky : {0.0f, 0.0008f, 0.01f, 0.3f, 3.0f}) {
  assembleBoundaryMatrix(st->nodes, st->nodes.q.data(), st->model.Ro[0], A.data(), n, ky, d1);
  assembleBoundaryMatrixPair(st->nodes, st->nodes.q.data(), st->model.Ro[0], B.data(), st->nodes.qIP.data(), st->model.RO_IP[0], C.data(), n, ky, d2);
  EXPECT_EQ(0, std::memcmp(A.data(), B.data(), 4*n*n)) << "pair fill" << ky;
  assembleBoundaryMatrix(st->nodes, st->nodes.qIP.data(), st->model.RO_IP[0], A.data(), n, ky, d1);
  EXPECT_EQ(0, std::memcmp(A.data(), C.data(), 4*n*n)) << "pair fill IP" << ky;
  for (int e=0;e<n*n;e++) if (A[e]!=C[e]) { int i=e%n, j=e/n; printf("ky %g first diff i=%d j=%d A=%.9g C=%.9g xi=%g zi=%g xj=%g zj=%g dLj=%g\n", ky, i,j,A[e],C[e], st->nodes.x[i], st->nodes.z[i], st->nodes.x[j], st->nodes.z[j], st->nodes.dL[j]); break; }
  }
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
#include "korvis/program.h"
#include "../korvis/reference_run.h"
#include <filesystem>
namespace korvis {
TEST(ZZDebug, Run) {
  auto model = testing::faultModel(4.0f);
  model->keyIP = 1;
  common::ArrayFile a; a.dX=5; a.X0=-47.5f; a.nPos=1; a.keyArr=1; a.nSpac=1; a.Spac[0]=10; a.Spac[1]=30; a.Spac[2]=250;
  for (int ref=0; ref<2; ++ref) {
    testing::ScratchDirectory dir;
    dir.write("varga.xy", testing::xyText(*model));
    dir.write("varga.arr", testing::arrText(a));
    std::ostringstream c, e;
    int rc = ref ? runProgram(c, e, testing::referencePasses) : runProgram(c, e);
    printf("rc=%d\n%s\n%s\n%s\n", rc, c.str().c_str(), e.str().c_str(), dir.read("korvis.txt").c_str());
  }
}
}
