// What korvis does with freshly loaded inputs before its first matrix: the
// model and array-file checks, the wavenumber table, the electrode layout of every position and spacing and
// the medium at each current electrode. These index the model's lists and
// the survey's grids with the loaded counts and numbers, so they are where a
// value the loader let through would show as an out-of-bounds access.
#pragma once

#include <cstddef>
#include <sstream>

#include "korvis/driver.h"
#include "korvis/electrode_resistivity.h"
#include "korvis/korvis_state.h"
#include "korvis/model_checks.h"
#include "korvis/wavenumbers.h"

namespace fuzz {

inline void useLoadedSurvey(korvis::KorvisState& st) {
  const common::ArrayFile& a = st.arr;
  korvis::checkArrayFile(a);
  korvis::checkModel(st.model, korvis::surveyElectrodes(a), korvis::largestSpacing(a), "varga.arr",
                     common::electrodeNamer("position"));
  const float largest = a.nSpac > 0 ? a.Spac[static_cast<std::size_t>(a.nSpac - 1)] : 0.0f;
  korvis::setUpWavenumbers(st, largest);
  korvis::wavenumberLine(st);
  std::ostringstream console;
  float rhoA = 0.0f, rhoB = 0.0f;
  const int spacings = korvis::evaluatedSpacings(a);
  for (int p = 1; p <= a.nPos; ++p) {
    for (int j = 1; j <= spacings; ++j) {
      const korvis::Configuration c = korvis::placeElectrodes(a, p, j).first;
      korvis::electrodeResistivities(st.model, c.XA, c.ZA, c.XB, c.ZB, rhoA, rhoB, console);
    }
  }
}

}  // namespace fuzz
