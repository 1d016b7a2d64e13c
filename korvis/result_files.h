// Result files of the half-Schlumberger kind: the profile files A_MN.txt and
// MN_B.txt (or A_MNip.txt and MN_Bip.txt for chargeability) with the centre
// of MN, the pseudo-depth -spacing and the apparent value per line, and the
// electrode-index exchange files FORWARD.RS2 and REVERSE.RS2. The files are
// built in memory and committed by the run once it has succeeded.
#pragma once

#include <string>
#include <vector>

#include "common/output_file.h"

namespace korvis {

inline constexpr const char* logName = "korvis.txt";
inline constexpr const char* aheadName = "A_MN.txt";
inline constexpr const char* behindName = "MN_B.txt";
inline constexpr const char* aheadIpName = "A_MNip.txt";
inline constexpr const char* behindIpName = "MN_Bip.txt";
inline constexpr const char* forwardRs2Name = "FORWARD.RS2";
inline constexpr const char* reverseRs2Name = "REVERSE.RS2";

// Every file a run of kind keyArr writes (with the IP pass when ip).
std::vector<std::string> resultFileNames(int keyArr, bool ip);

// Appends the two profile files to `files`: lines (X, -Spac(j), V) with
//   forward: X = (i - 0.5)*dX + X0, V = forward(i - j, j), 2 <= i <= nPos-2, i - j >= 1;
//   reverse: X = (g - 1.5)*dX + X0, V = reverse(g + j, j), 3 <= g <= nPos-1, g + j <= nPos.
// mode 1 selects the chargeability names and headers. Grids are column-major
// with leading dimension nPos.
void writeProfileTables(float dX, float X0, int nPos, const float* Spac, int nSpac,
                        const float* forward, const float* reverse, int mode,
                        std::vector<common::OutputFile>& files);

// Appends FORWARD.RS2 and REVERSE.RS2 to `files`: four header lines, then
// for 1 <= t <= nPos-2, 1 <= k <= nSpac, t + k <= nPos-1 the line
// "t, k, value, " with value forward(t, k), or reverse(t + k + 1, k).
void writeRs2Files(float dX, float X0, int nPos, int nSpac, const float* forward,
                   const float* reverse, std::vector<common::OutputFile>& files);

}  // namespace korvis
