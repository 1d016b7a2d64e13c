// Wavenumbers of the convergent rule for the fixed array kinds, sized by
// every electrode and receiver the driver will place.
#include "korvis/accurate_wavenumbers.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/edit_format.h"
#include "korvis/driver.h"
#include "korvis/potentials.h"
#include "korvis/quadrature.h"
#include "korvis/survey_model.h"

namespace korvis {

void accurateDistances(const KorvisState& st, double& rShort, double& rLong) {
  const common::ArrayFile& a = st.arr;
  std::vector<PotentialPoint> points;
  auto add = [&](float x, float z) {
    const PotentialPoint p{x, z};
    for (const PotentialPoint& q : points) {
      if (q.x == p.x && q.z == p.z) return;
    }
    points.push_back(p);
  };
  const int spacings = evaluatedSpacings(a);
  for (int p = 1; p <= a.nPos; ++p) {
    for (int j = 1; j <= spacings; ++j) {
      const Placement pl = placeElectrodes(a, p, j);
      const Configuration& c = pl.first;
      if (c.XA != -10000.0f) add(c.XA, c.ZA);
      if (c.XB != 10000.0f) add(c.XB, c.ZB);
      add(c.xr, c.zr);
      if (a.keyArr == 18) add(pl.xr2, pl.zr2);
    }
  }
  transformDistances(st.nodes, points, rShort, rLong);
  if (!(rLong > 0.0)) rLong = rShort = 1.0;  // one point and no nodes: any scale serves
}

void setUpAccurateWavenumbers(KorvisState& st) {
  double rShort = 0.0, rLong = 0.0;
  accurateDistances(st, rShort, rLong);
  const TransformRule rule = convergentRule(rShort, rLong, 1, fixedKindPanelWidth);
  st.nKy = std::min(static_cast<int>(rule.ky.size()), maxWavenumbers);
  for (int k = 0; k < st.nKy; ++k) {
    st.Ky[static_cast<std::size_t>(k)] = static_cast<float>(rule.ky[static_cast<std::size_t>(k)]);
    st.WKy[static_cast<std::size_t>(k)] =
        static_cast<float>(rule.weight[static_cast<std::size_t>(k)]);
  }
}

std::string accurateWavenumberLine(const KorvisState& st) {
  return common::formatLine("(2X,'nKy  KyMIN  KyMAX - ',I2,2E12.4)",
                            {st.nKy, st.Ky[0], st.Ky[static_cast<std::size_t>(st.nKy - 1)]});
}

}  // namespace korvis
