// The text of the telm result files: the apparent resistivity and
// chargeability files of kinds 1 to 12, the lines of the magnetic-field file
// magn13.dat and the dipole-dipole pseudo-section AB_MN_pr.txt.
#pragma once

#include <string>
#include <vector>

#include "telm/system2d.h"
#include "telm/telm_state.h"

namespace telm {

// `name` inside `directory` ("" for the working directory).
std::string pathIn(const std::string& directory, const std::string& name);

// Result tables of one array, stationCount x spacings, column-major with
// stationCount as the leading dimension; element (i, j) 1-based.
struct ResultTables {
  int stations = 0, spacings = 0;
  std::vector<float> rho, eta;  // DC apparent resistivity; IP results, then chargeability
  ResultTables(int stationCount, int spacingCount);
  float& rhoAt(int i, int j) { return rho[index(i, j)]; }
  float& etaAt(int i, int j) { return eta[index(i, j)]; }
  float rhoAt(int i, int j) const { return rho[index(i, j)]; }
  float etaAt(int i, int j) const { return eta[index(i, j)]; }
  std::size_t index(int i, int j) const {
    return static_cast<std::size_t>(i - 1) +
           static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(stations);
  }
};

// eta(i, j) = (rho*(i, j) - rho(i, j)) / rho*(i, j) * 100 with rho* the IP
// result held in eta (the DC result itself without an IP pass).
void apparentChargeability(ResultTables& t);

// Kinds 1 to 12: titles (A75), "(1X,I3,1X,I3,1X,I3,3X,A1)" with stationCount,
// keyIP, spacings and the letter code, the spacing or offset list in
// "(1X,8(F8.2,1X))", then per station "(1X,F7.1,/,1X,I3)" with x and
// spacings, the rho row and with keyIP = 1 the eta row. Kind 12 has no list
// and one line per station "(1X,F10.2,2X,F7.2)" (with eta "...,2X,F7.2)").
std::string resultFileText(const TelmState& st, int kind, const ResultTables& t);

// The first line of magn13.dat, the free-format record "x z dHx dHz dZ".
std::string magneticHeader();

// "(2(1X,F11.2),3(1X,F12.3))" with xM, zM, Hx, Hz and
// dZ = sqrt((Bx+Hx)^2 + (Bz+Hz)^2) - sqrt(Bx^2 + Bz^2), (Bx, Bz) in the A
// slots and (Hx, Hz) in the N slots.
std::string magneticLine(const Electrodes& e);
float magneticAnomaly(const Electrodes& e);

// AB_MN_pr.txt: the record "X R Rok", then for every spacing j and station i
// the free-format record X = (i-1) stationStep - o_j/2 + firstStation, o_j,
// rho(i, j).
std::string pseudoSectionText(const TelmState& st, const ResultTables& t);
inline constexpr const char* pseudoSectionFileName = "AB_MN_pr.txt";

}  // namespace telm
