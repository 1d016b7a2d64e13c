#include "reference_run.h"

#include <algorithm>

#include "common/free_format.h"
#include "korvis/boundary.h"
#include "korvis/solve.h"
#include "korvis/wavenumbers.h"

namespace korvis::testing {

namespace {

void line(std::ostream& console, const char* text) {
  console << (common::FreeRecord(common::FreeStyle::korvis) << text).str();
}

}  // namespace

DriverResult referencePasses(KorvisState& st, std::ostream& console, std::ostream& warnings,
                             const PassOutput& output) {
  common::ArrayFile& a = st.arr;
  SolveWorkspace ws;
  ws.allocate(st.nodes.N);
  for (int pass = 1; pass <= 2; ++pass) {
    if (pass == 2) {
      line(console, "===> IP calculation");
      for (int i = 0; i < st.nodes.N; ++i) st.nodes.q[i] = st.nodes.qIP[i];
      for (int i = 0; i < st.model.nT; ++i) st.model.Ro[i] = st.model.RO_IP[i];
    }
    if (a.nPos > 0 && a.nSpac > 0) {
      for (int c = 0; c < a.nPos * a.nSpac; ++c) {
        st.ResF[c] = 0.0f;
        st.ResR[c] = 0.0f;
        st.NrmF[c] = 0.0f;
        st.NrmR[c] = 0.0f;
      }
    }
    for (int k = 1; k <= st.nKy; ++k) {
      console << (common::FreeRecord(common::FreeStyle::korvis) << "    ===> nKy_i = " << k).str();
      const float ky = st.Ky[k - 1];
      assembleBoundaryMatrix(st.nodes, st.nodes.q.data(), st.model.Ro[0], ws.M.data(), ws.ld, ky,
                             console);
      for (int p = 1; p <= a.nPos; ++p) {
        for (int j = 1; j <= a.nSpac; ++j) {
          const int factorFlag = p == 1 && j == 1 ? 1 : 2;
          const Placement pl = placeElectrodes(a, p, j);
          if (pl.unknownKind) line(console, "Goto ERROR");
          const Configuration& c = pl.first;
          Evaluation ev;
          const int pivot = solveSource(st, ws, c, ky, factorFlag, pl.solveFlag, ev.value, ev.EA,
                                        ev.EB, console);
          if (pivot != 0) return {pivot, pass, k};
          ev.rhoA = ws.rhoA;
          ev.rhoB = ws.rhoB;
          if (a.keyArr == 18) {
            Configuration second = c;
            second.xr = pl.xr2;
            second.zr = pl.zr2;
            second.ZA = 0.0f;
            second.ZB = 0.0f;
            second.nx = 1.0f;
            second.nz = 0.0f;
            solveSource(st, ws, second, ky, 2, 2, ev.value2, ev.EA2, ev.EB2, console);
          }
          if (a.keyArr == 19) {
            float E = 0.0f;
            receiverField(st.nodes, st.model.Ro[0], c.xr, c.zr, c.XA, c.ZA, c.XB, c.ZB, 1.0f,
                          0.0f, ws.sigma.data(), ws.rhoA, ws.rhoB, ky, 1, ev.EA, ev.EB, E);
            receiverField(st.nodes, st.model.Ro[0], c.xr, c.zr, c.XA, c.ZA, c.XB, c.ZB, 0.0f,
                          1.0f, ws.sigma.data(), ws.rhoA, ws.rhoB, ky, 1, ev.EA2, ev.EB2, E);
          }
          accumulate(st, k - 1, (p - 1) + (j - 1) * a.nPos, ev, c.xr, c.zr, c.XA, c.ZA, c.XB,
                     c.ZB);
        }
      }
    }
    finishPass(st, pass, warnings);
    if (pass == 2) computeChargeability(st);
    output(st, pass);
    if (st.keyIP == 0) break;
    if (pass == 1) {
      std::copy(st.ResF.begin(), st.ResF.end(), st.DcF.begin());
      if (a.keyArr == 18) std::copy(st.ResR.begin(), st.ResR.end(), st.DcR.begin());
    }
  }
  return {};
}

}  // namespace korvis::testing
