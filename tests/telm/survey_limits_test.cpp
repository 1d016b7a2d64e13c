// telm --survey with limits that follow the memory: models beyond the fixed
// kinds' counts are read, and every refusal of a count or of a mesh says the
// count, the limit, the memory and what to do; a refused run writes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "common/exit_codes.h"
#include "common/temp_dir.h"
#include "telm/program.h"

namespace telm {
namespace {

constexpr double fieldStore = 32.0 * 1024 * 1024;

// The memory whose limits of bodies, vertices and nodes (one pass, no
// electrodes) are `limit`.
double memoryFor(int limit) { return fieldStore + 4.0 * limit * limit; }

const std::string reason =
    " that the memory of this machine allows (34 MB available; a survey solve takes 4 N^2 bytes a pass, with an "
    "IP pass two): ";

// A conductive dyke under a cover in a host, keyRun -1 (3 bodies, 10 vertices).
std::string dyke(const std::string& dens) {
  return "Dyke\nunder a cover\n3 10 1 " + dens + " -1\n500 0 6\n1 2 3 4 5 6\n100 0 8\n6 5 10 9 4 3 7 8\n"
         "10 10 4\n5 4 9 10\n-500 0\n500 0\n500 10\n10 10\n-10 10\n-500 10\n500 200\n-500 200\n10 100\n-10 100\n";
}

// One body whose outline lists `ringVertices` vertices (the square's four
// corners, the first repeated as needed) of `vertices` (the square's four
// and more below it).
std::string square(int vertices, int ringVertices) {
  std::string text = "Square\nwith " + std::to_string(vertices) + " vertices\n1 " + std::to_string(vertices) +
                     " 0 1 -1\n100 0 " + std::to_string(ringVertices) + "\n";
  for (int k = 0; k < ringVertices; ++k) text += std::to_string(k < 4 ? k + 1 : 1) + " ";
  text += "\n-100 0\n100 0\n100 100\n-100 100\n";
  for (int k = 4; k < vertices; ++k) text += "0 " + std::to_string(200 + k) + "\n";
  return text;
}

// Eight electrodes 5 m apart over the dyke, four dipole-dipole data.
const std::string survey =
    "8\n# x z\n-17.5 0\n-12.5 0\n-7.5 0\n-2.5 0\n2.5 0\n7.5 0\n12.5 0\n17.5 0\n"
    "4\n# a b m n\n1 2 3 4\n2 3 4 5\n3 4 5 6\n4 5 6 7\n";

struct MeshRun {
  int status;
  std::string errors;
  bool wroteMesh;
};

MeshRun runIn(const common::testing::TempDir& dir, const std::string& model, double memory, bool estimateError = false) {
  dir.write("filename", "model.dat\n");
  dir.write("model.dat", model);
  dir.write("s.dat", survey);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::ostringstream console, errors;
  MeshOptions options;
  options.surveyPath = "s.dat";
  options.memory = memory;
  options.estimateError = estimateError;
  const int status = runProgram(console, errors, options);
  std::filesystem::current_path(previous);
  return {status, errors.str(), std::filesystem::exists(dir.path() / "varga.xy")};
}

TEST(TelmSurveyLimits, EveryRefusalSaysCountLimitMemoryAndWhatToDo) {
  struct Case {
    std::string model;
    int limit;
    bool estimateError;
    int status;
    std::string errors;
  };
  const Case cases[] = {
      {dyke("2"), 2, false, common::exitBadInput, "telm: model.dat, line 3: nT is 3, more than the 2" + reason + "use fewer bodies\n"},
      {dyke("2"), 9, false, common::exitBadInput, "telm: model.dat, line 3: nP is 10, more than the 9" + reason + "use fewer vertices\n"},
      {square(4, 5), 4, false, common::exitBadInput,
       "telm: model.dat, line 4: nVer(1) is 5, more than the 4" + reason + "give body 1 fewer vertices\n"},
      // Two passes and 16 electrode columns: 8 N^2 + 128 N bytes within 4 * 200^2.
      {dyke("2"), 200, false, common::exitTooManyNodes,
       "telm: the node count of the mesh is 564, more than the 133" + reason +
           "lower dens in model.dat (the node count grows in proportion to dens), or shorten the model's "
           "interfaces\n"},
      {dyke("0.4"), 200, true, common::exitTooManyNodes,
       "telm: varga-fine.xy: the node count of the refined mesh of --estimate-error (dens 0.8) is 230, more than "
       "the 133" + reason +
           "lower dens in model.dat (the node count grows in proportion to dens), or shorten the model's "
           "interfaces\n"},
  };
  for (const Case& c : cases) {
    common::testing::TempDir dir;
    const MeshRun r = runIn(dir, c.model, memoryFor(c.limit), c.estimateError);
    EXPECT_EQ(r.status, c.status) << c.errors;
    EXPECT_EQ(r.errors, c.errors);
    EXPECT_FALSE(r.wroteMesh) << c.errors;
  }
}

// The counts beyond the fixed kinds' limits (more than 40 vertices in an
// outline, 100 in all, 4200 nodes) are read and meshed with the memory of
// the machine.
TEST(TelmSurveyLimits, CountsBeyondTheFixedLimitsAreMeshed) {
  common::testing::TempDir dir;
  MeshRun r = runIn(dir, square(120, 45), -1);
  // The extra ring entries repeat a corner: the model checks, not the limits, refuse it.
  EXPECT_EQ(r.errors.find("more than the"), std::string::npos) << r.errors;
  r = runIn(dir, dyke("18"), -1);
  EXPECT_EQ(r.status, 0) << r.errors;
  const std::string mesh = dir.read("varga.xy");
  EXPECT_NE(mesh.find("\n        5056 N cells\n"), std::string::npos) << mesh.substr(0, 400);
}

}  // namespace
}  // namespace telm
