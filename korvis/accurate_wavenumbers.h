// The convergent quadrature for the fixed array kinds (korvis --accurate):
// the same files and layouts as a plain run, only the wavenumbers and
// weights come from convergentRule instead of four per decade.
#pragma once

#include <string>

#include "korvis/korvis_state.h"

namespace korvis {

// The distances of the rule for the survey of st.arr: rShort = the smallest
// distance between a node centre and a current electrode or receiver of any
// evaluation, rLong = the largest distance between two of those points or
// one of them and a node centre (electrodes at infinity left out).
void accurateDistances(const KorvisState& st, double& rShort, double& rLong);

// nKy, Ky, WKy from convergentRule(rShort, rLong) of order 1 with panels of
// width 3 (at most 33 wavenumbers, all positive; the table kernel of the
// fixed kinds limits what narrower panels would gain), weights and
// wavenumbers in single precision.
void setUpAccurateWavenumbers(KorvisState& st);

// The log line of the convergent rule: "  nKy  KyMIN  KyMAX - " nKy (I2),
// Ky(1) and Ky(nKy) (E12.4), as wavenumberLine lays it out.
std::string accurateWavenumberLine(const KorvisState& st);

}  // namespace korvis
