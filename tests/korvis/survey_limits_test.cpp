// korvis --survey with limits that follow the memory: varga.xy may hold
// more bodies, vertices and nodes than the fixed kinds allow, and every
// refusal says the count, the limit, the memory and what to do, before a
// node line is read or a system is allocated.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/exit_codes.h"
#include "common/memory_limit.h"
#include "common/record_reader.h"
#include "korvis/input.h"
#include "korvis/survey_run.h"
#include "model_files.h"

namespace korvis {
namespace {

using testing::ScratchDirectory;

constexpr double fieldStore = 32.0 * 1024 * 1024;

double memoryFor(int limit) { return fieldStore + 4.0 * limit * limit; }

const std::string reason =
    " that the memory of this machine allows (34 MB available; a survey solve takes 4 N^2 bytes a pass, with an "
    "IP pass two): ";
const std::string simpler = "prepare the mesh from a simpler model (fewer bodies and vertices)";
const std::string coarser =
    "prepare it again with a lower dens in the model file (the node count grows in proportion to dens), or with "
    "shorter interfaces (a narrower model)";

// One triangle body with `nodes` node lines; the header's counts as given.
std::string xy(const std::string& header, int ringVertices, int nodes) {
  std::string text = header + "\n 1 2\n 1\n100 100 " + std::to_string(ringVertices) + "\n";
  for (int k = 0; k <= ringVertices; ++k) text += std::to_string(k % 3 + 1) + " ";
  text += "\n0 0\n10 0\n5 5\n" + std::to_string(nodes) + " N cells\n";
  for (int i = 0; i < nodes; ++i) text += std::to_string(i) + " 2 0.001 0 1 0.5 0.5\n";
  return text;
}

TEST(KorvisSurveyLimits, CountsOfTheMeshBeyondTheMemoryAreRefusedBeforeTheyAreRead) {
  struct Case {
    std::string text;
    int limit;
    std::string error;  // the InputError, or the warning of too many nodes
  };
  const Case cases[] = {
      {xy("3 1 2 1", 3, 2), 2, "varga.xy, line 1: nP is 3, more than the 2" + reason + simpler},
      {xy("3 4 2 1", 3, 2), 3, "varga.xy, line 1: nT is 4, more than the 3" + reason + simpler},
      {xy("3 1 4 1", 3, 2), 3, "varga.xy, line 1: nPOnSurface is 4, more than the 3" + reason + simpler},
      {xy("3 1 2 1", 5, 2), 4, "varga.xy, line 4: nVer(1) is 5, more than the 4" + reason + simpler},
      {xy("3 1 2 1", 3, 7), 6, "korvis: varga.xy: the node count of the mesh is 7, more than the 6" + reason + coarser + "\n"},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    dir.write("varga.xy", c.text);
    auto st = std::make_unique<KorvisState>();
    st->limits = common::surveyLimits(memoryFor(c.limit));
    std::ostringstream console, warnings;
    std::string error;
    try {
      EXPECT_EQ(loadGeometry(*st, console, warnings), LoadOutcome::tooManyNodes);
      error = warnings.str();
    } catch (const common::InputError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(console.str(), "");
  }
}

TEST(KorvisSurveyLimits, MoreThanTheFixedCountsAreRead) {
  ScratchDirectory dir;
  dir.write("varga.xy", xy("3 1 2 1", 45, 4200 + 17));
  auto st = std::make_unique<KorvisState>();
  st->limits = common::surveyLimits(memoryFor(5000));
  std::ostringstream console, warnings;
  ASSERT_EQ(loadGeometry(*st, console, warnings), LoadOutcome::loaded) << warnings.str();
  EXPECT_EQ(st->model.nVer[0], 45);
  EXPECT_EQ(st->model.vertexRing[0][45], 1);
  EXPECT_EQ(st->nodes.N, 4217);
  EXPECT_EQ(st->nodes.x[4216], 4216.0f);
}

// The mesh fits the memory of one pass without electrodes, but not the
// survey's: two passes (keyIP 1) and the electrodes' columns.
TEST(KorvisSurveyLimits, TheSurveysOwnSolveIsCheckedBeforeItStarts) {
  ScratchDirectory dir;
  dir.write("varga.xy", xy("3 1 2 1", 3, 60));
  dir.write("s.dat", "4\n# x z\n1.5 0\n2.5 0\n3.5 0\n4.5 0\n1\n# a b m n\n1 2 3 4\n");
  std::ostringstream console, errors;
  SurveyRunOptions options;
  options.survey = "s.dat";
  options.memory = memoryFor(60);
  EXPECT_EQ(runSurveyProgram(console, errors, options), common::exitTooManyNodes);
  EXPECT_EQ(errors.str().substr(errors.str().find("korvis: varga.xy: the node count")),
            "korvis: varga.xy: the node count of the mesh is 60, more than the 40" + reason + coarser + "\n");
  EXPECT_FALSE(dir.exists("s-data.dat"));
}

}  // namespace
}  // namespace korvis
