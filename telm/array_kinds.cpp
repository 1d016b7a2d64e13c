// Titles, files and electrode layouts of the telm array kinds.
#include "telm/array_kinds.h"

#include <array>

namespace telm {

namespace {

constexpr std::array<ArrayKindInfo, 13> kinds{{
    {"  Schlumberger array A_mn_B (1)", "amnb_01.dat", "l", SpacingHeading::spacings},
    {"  Half-Schlumberger array A_mn (2)", "amn_02.dat", "l", SpacingHeading::spacings},
    {"  Half-Schlumberger array mn_B (3)", "mnb_03.dat", "l", SpacingHeading::spacings},
    {"  Half-Schlumberger array Afix_mn (4)", "a_mn_04.dat", "l", SpacingHeading::spacings},
    {"  Half-Schlumberger array mn_Bfix (5)", "mn_b_05.dat", "l", SpacingHeading::spacings},
    {"  Dipole-dipole array Afix_mn (6)", "abmn_06.dat", "d", SpacingHeading::offsets},
    {"  Dipole-dipole array mn_Bfix (7)", "mnab_07.dat", "d", SpacingHeading::offsets},
    {"  Pole-pole array Afix_m (8)", "am_08.dat", "u", SpacingHeading::spacings},
    {"  Pole-pole array m_Bfix (9)", "mb_09.dat", "u", SpacingHeading::spacings},
    {"  Dipole-dipole underground equator array ABfix_mn (10)", "ab_mn_10.dat", "_",
     SpacingHeading::offsets},
    {"  Dipole-dipole underground equator array mn_ABfix (11)", "mn_ab_11.dat", "_",
     SpacingHeading::offsets},
    {"  Pole-dipole array Afix_mn_Bfix (12)", "a_mn_b12.dat", "_", SpacingHeading::none},
    {"  Magnetic field (13)", "magn13.dat", "", SpacingHeading::none},
}};

}  // namespace

int effectiveKind(int arrayKind) { return arrayKind >= 2 && arrayKind <= 13 ? arrayKind : 1; }

const ArrayKindInfo& arrayKindInfo(int kind) {
  return kinds[static_cast<std::size_t>(effectiveKind(kind) - 1)];
}

float stationX(const TelmState& st, int i) {
  return static_cast<float>(i - 1) * st.stationStep + st.firstStation;
}

Electrodes placeElectrodes(const TelmState& st, int kind, int i, int j) {
  Electrodes e;
  e.XA = st.XA;
  e.ZA = st.ZA;
  e.XB = st.XB;
  e.ZB = st.ZB;
  e.zM = st.profileDepth;
  e.zN = st.profileDepth;
  const float x = stationX(st, i);
  const auto col = static_cast<std::size_t>(j - 1);
  const float s = st.spacingList[col];
  const float o = st.offsetList[col];
  const float m = st.mnList[col];
  switch (kind) {
    case 2:
      e.XA = x - s;
      e.XB = remoteX;
      e.xM = x - m / 2.0f;
      e.xN = x + m / 2.0f;
      break;
    case 3:
      e.XA = -remoteX;
      e.XB = x + s;
      e.xM = x - m / 2.0f;
      e.xN = x + m / 2.0f;
      break;
    case 4:
      e.XA = x;
      e.XB = remoteX;
      e.xM = x + s - m / 2.0f;
      e.xN = x + s + m / 2.0f;
      break;
    case 5:
      e.XA = -remoteX;
      e.XB = x;
      e.xM = x - s - m / 2.0f;
      e.xN = x - s + m / 2.0f;
      break;
    case 6:
      e.XA = x - s;
      e.XB = x + s;
      e.xM = x + o - m;
      e.xN = x + o + m;
      break;
    case 7:
      e.XA = x - s;
      e.XB = x + s;
      e.xM = x - o - m;
      e.xN = x - o + m;
      break;
    case 8:
      e.XA = x;
      e.XB = -5000.0f;
      e.ZB = 1000.0f;
      e.xM = x + s;
      e.xN = 5000.0f;
      e.zN = -1000.0f;
      break;
    case 9:
      e.XA = x;
      e.XB = x;
      e.ZB = 400.0f;
      e.xM = x - s;
      e.xN = x;
      e.zN = 399.0f;
      break;
    case 10:
    case 11: {
      e.XA = x;
      e.ZA = st.ZA + s;
      e.XB = x;
      e.ZB = st.ZB - s;
      const float xR = kind == 10 ? x + o : x - o;
      e.xM = xR;
      e.zM = st.profileDepth + m;
      e.xN = xR;
      e.zN = st.profileDepth - m;
      break;
    }
    case 12:
      e.xM = x - st.mnList[0] / 2.0f;
      e.xN = x + st.mnList[0] / 2.0f;
      break;
    case 13:
      e.xM = x;
      e.xN = 0.0f;
      e.zN = 0.0f;
      break;
    default:
      e.XA = x - s;
      e.XB = x + s;
      e.xM = x - m / 2.0f;
      e.xN = x + m / 2.0f;
      break;
  }
  return e;
}

}  // namespace telm
