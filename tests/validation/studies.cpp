#include "studies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <limits>
#include <sstream>

#include "scratch_run.h"

namespace validation {

namespace {

const char* const telmFiles[] = {"amnb_01.dat", "amn_02.dat",   "mnb_03.dat",   "a_mn_04.dat",
                                 "mn_b_05.dat", "abmn_06.dat",  "mnab_07.dat",  "am_08.dat",
                                 "mb_09.dat",   "ab_mn_10.dat", "mn_ab_11.dat", "a_mn_b12.dat"};

}  // namespace

KorvisOutcome runKorvisStudy(const Model& model, int keyIP, double dens, const ArraySurvey& arr,
                             const std::vector<std::string>& args) {
  KorvisOutcome out;
  ScratchFolder dir;
  dir.write("filename", "model.dat\n");
  dir.write("model.dat", telmModelFile(model, keyIP, dens, -1, nullptr));
  dir.write("varga.arr", arrayFile(arr));
  const int telmStatus = dir.run(TELM_EXE, "telm");
  EXPECT_EQ(telmStatus, 0) << dir.read("telm.console");
  if (telmStatus != 0) return out;
  out.nodes = nodeCount(dir.read("varga.xy"));
  const int korvisStatus = dir.run(KORVIS_EXE, "korvis", args);
  EXPECT_EQ(korvisStatus, 0) << dir.read("korvis.console");
  // The model checks find nothing to say about a validation model.
  EXPECT_EQ(dir.read("telm.errors") + dir.read("korvis.errors"), "");
  if (korvisStatus != 0) return out;
  const bool onePoint = arr.keyArr == 17 || arr.keyArr == 19;
  const int nSpac =
      onePoint ? 1 : (arr.keyArr == 18 ? arr.nSpac18 : static_cast<int>(arr.spacings.size()));
  try {
    out.tables = parseKorvisLog(dir.read("korvis.txt"), arr.nPos, nSpac);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "korvis.txt: " << e.what() << "\n" << dir.read("korvis.txt");
    return out;
  }
  for (const char* name : {"A_MN.txt", "MN_B.txt", "A_MNip.txt", "MN_Bip.txt", "FORWARD.RS2",
                           "REVERSE.RS2"}) {
    if (dir.exists(name)) out.files[name] = dir.read(name);
  }
  out.ok = true;
  return out;
}

TelmOutcome runTelmStudy(const Model& model, int keyIP, double dens, const TelmSurvey& survey) {
  TelmOutcome out;
  ScratchFolder dir;
  dir.write("filename", "model.dat\n");
  dir.write("model.dat", telmModelFile(model, keyIP, dens, 0, &survey));
  const int status = dir.run(TELM_EXE, "telm");
  EXPECT_EQ(status, 0) << dir.read("telm.console");
  EXPECT_EQ(dir.read("telm.errors"), "");
  if (status != 0) return out;
  try {
    for (int kind : survey.kinds) {
      if (kind == 13) {
        out.magnetic = parseMagneticFile(dir.read("magn13.dat"));
        break;  // nothing after the magnetic-field array is computed
      }
      const int k = kind >= 2 && kind <= 12 ? kind : 1;
      out.arrays[k] = parseTelmArrayFile(dir.read(telmFiles[k - 1]), k == 12);
    }
  } catch (const std::exception& e) {
    ADD_FAILURE() << "telm result: " << e.what();
    return out;
  }
  out.ok = true;
  return out;
}

void ErrorStats::add(double computed, double expected, const std::string& label, double scale) {
  ++count;
  const double abs = std::abs(computed - expected);
  const double rel = abs / (scale > 0 ? scale : std::abs(expected));
  // NaN (an unreadable field) must dominate every bound.
  constexpr double unreadable = std::numeric_limits<double>::infinity();
  if (std::isnan(abs) || abs > maxAbs) maxAbs = std::isnan(abs) ? unreadable : abs;
  if (std::isnan(rel) || rel > maxRel) {
    maxRel = std::isnan(rel) ? unreadable : rel;
    std::ostringstream s;
    s << label << ": computed " << computed << ", expected " << expected;
    where = s.str();
  }
}

std::string label(double value) {
  std::ostringstream s;
  s << value;
  return s.str();
}

void recordError(const std::string& name, const ErrorStats& stats) {
  std::ostringstream line;
  line.precision(3);
  line << name << ": " << stats.count << " values, max abs error " << stats.maxAbs
       << ", max rel error " << stats.maxRel << " (" << stats.where << ")";
  std::cout << "[ measured ] " << line.str() << std::endl;
  ::testing::Test::RecordProperty(name, line.str());
}

}  // namespace validation
