// Reader of the "X R V" point lists: korvis's half-Schlumberger files A_MN.txt,
// MN_B.txt, A_MNip.txt, MN_Bip.txt and telm's dipole-dipole AB_MN_pr.txt.
// A heading line names the columns; every following record holds the x of the
// receiver centre, the spacing R (written negative by korvis) and the value.
#pragma once

#include <string>
#include <vector>

#include "section/picture.h"

namespace section {

// Picture "<stem>.svg": a pseudosection at the midpoints and median depths
// of the configurations (korvis's files by their names; AB_MN_pr.txt with the
// telm model beside it), else at X and |R|; chargeability when the value
// column is named "IP...", else resistivity.
std::vector<Picture> readPointList(const std::string& path, const std::string& stem);

}  // namespace section
