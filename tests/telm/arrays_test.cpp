// The array run: the batched, threaded path against the plain
// configuration-by-configuration reference (console and every file byte for
// byte), the physics of a homogeneous earth for every kind, the result-file
// layouts, the state the arrays pass on to each other, and the failures
// (zero pivot, unwritable file, non-finite values).
#include "telm/arrays.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "array_test_models.h"
#include "common/exit_codes.h"
#include "reference_arrays.h"
#include "telm/array_kinds.h"

namespace telm {
namespace {

using testing::ModelRecipe;
using testing::ScratchDir;

struct RunOutput {
  int status = 0;
  std::string console, errors;
};

RunOutput runFast(TelmState& st, const ScratchDir& dir, int threads = 2,
                  std::size_t rowBytes = ArrayRunOptions{}.responseRowBytes) {
  std::ostringstream console, errors;
  ArrayRunOptions options;
  options.directory = dir.str();
  options.threads = threads;
  options.responseRowBytes = rowBytes;
  const int status = computeArrays(st, console, errors, options);
  return {status, console.str(), errors.str()};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> list;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) list.push_back(line);
  return list;
}

std::vector<float> numbers(const std::string& line) {
  std::vector<float> values;
  std::istringstream in(line);
  for (float v; in >> v;) values.push_back(v);
  return values;
}

// Runs the fast path (with `threads` and a cap on the receivers' rows) and
// the reference on the same model in two directories and expects the same
// console text and the same files.
void expectSameAsReference(const ModelRecipe& recipe, int threads,
                           std::size_t rowBytes = ArrayRunOptions{}.responseRowBytes) {
  ScratchDir fastDir;
  const std::filesystem::path plainPath = fastDir.str() + "_plain";
  std::filesystem::remove_all(plainPath);
  std::filesystem::create_directories(plainPath);
  auto fastState = testing::loadModel(fastDir, recipe);
  auto plainState = std::make_unique<TelmState>(*fastState);
  std::filesystem::remove(fastDir.file("model.dat"));

  const RunOutput fast = runFast(*fastState, fastDir, threads, rowBytes);
  std::ostringstream plainConsole;
  const int plainStatus = reference::computeArrays(*plainState, plainConsole, plainPath.string());
  EXPECT_EQ(fast.status, plainStatus);
  EXPECT_EQ(fast.console, plainConsole.str());
  EXPECT_EQ(fastState->keyRun, plainState->keyRun);
  EXPECT_EQ(fastState->spacingCount, plainState->spacingCount);

  std::vector<std::pair<std::string, std::string>> plainFiles;
  for (const auto& entry : std::filesystem::directory_iterator(plainPath)) {
    std::ifstream in(entry.path(), std::ios::binary);
    plainFiles.emplace_back(entry.path().filename().string(),
                            std::string(std::istreambuf_iterator<char>(in), {}));
  }
  std::sort(plainFiles.begin(), plainFiles.end());
  const auto fastFiles = fastDir.files();
  ASSERT_EQ(fastFiles.size(), plainFiles.size());
  for (std::size_t f = 0; f < fastFiles.size(); ++f) {
    EXPECT_EQ(fastFiles[f].first, plainFiles[f].first);
    EXPECT_EQ(fastFiles[f].second, plainFiles[f].second) << fastFiles[f].first;
  }
  std::filesystem::remove_all(plainPath);
}

TEST(ArrayRun, BatchedPathMatchesThePlainPath) {
  ModelRecipe recipe = testing::blocksOverLayer();
  recipe.survey.kinds = {1, 2, 3, 4, 5};
  recipe.keyRun = 2;
  expectSameAsReference(recipe, 1);
  expectSameAsReference(recipe, 3);
  expectSameAsReference(recipe, 2, 0);  // two receivers' rows at a time: evicted and recomputed

  recipe.keyRun = 0;
  recipe.survey.kinds = {6, 7, 8, 9, 10};
  recipe.survey.ZA = 5;
  recipe.survey.ZB = 90;
  expectSameAsReference(recipe, 2);

  recipe.keyIP = 0;
  recipe.survey.kinds = {11, 12, 1, 3};
  expectSameAsReference(recipe, 2);

  // keyIP outside 0 and 1: the IP pass runs and every pass solves with its
  // own matrix.
  recipe.keyIP = 2;
  recipe.survey.kinds = {1, 2};
  expectSameAsReference(recipe, 2);
}

TEST(ArrayRun, BatchedMagneticRunMatchesThePlainPath) {
  ModelRecipe recipe = testing::magneticBody();
  recipe.survey.kinds = {13, 1};
  recipe.survey.XA = 50000;  // normal-field strength and inclination
  recipe.survey.ZA = 60;
  recipe.keyRun = 2;
  expectSameAsReference(recipe, 2);
}

// --- electrode layouts -----------------------------------------------------

TEST(ElectrodeLayout, EveryKindAtStationTwoSpacingTwo) {
  TelmState st;
  st.stationStep = 10;
  st.firstStation = 100;  // station 2 at x = 110
  st.profileDepth = 2;
  st.XA = -50;
  st.ZA = 3;
  st.XB = 50;
  st.ZB = 5;
  st.spacingList = {10, 20};
  st.offsetList = {6, 7};
  st.mnList = {1, 4};
  struct Row {
    int kind;
    float XA, ZA, XB, ZB, xM, zM, xN, zN;
  };
  const Row table[] = {
      {1, 90, 3, 130, 5, 108, 2, 112, 2},       {2, 90, 3, 100000, 5, 108, 2, 112, 2},
      {3, -100000, 3, 130, 5, 108, 2, 112, 2},  {4, 110, 3, 100000, 5, 128, 2, 132, 2},
      {5, -100000, 3, 110, 5, 88, 2, 92, 2},    {6, 90, 3, 130, 5, 113, 2, 121, 2},
      {7, 90, 3, 130, 5, 99, 2, 107, 2},        {8, 110, 3, -5000, 1000, 130, 2, 5000, -1000},
      {9, 110, 3, 110, 400, 90, 2, 110, 399},   {10, 110, 23, 110, -15, 117, 6, 117, -2},
      {11, 110, 23, 110, -15, 103, 6, 103, -2}, {12, -50, 3, 50, 5, 109.5f, 2, 110.5f, 2},
      {13, -50, 3, 50, 5, 110, 2, 0, 0},
  };
  for (const Row& r : table) {
    const Electrodes e = placeElectrodes(st, r.kind, 2, 2);
    const std::vector<float> got{e.XA, e.ZA, e.XB, e.ZB, e.xM, e.zM, e.xN, e.zN};
    const std::vector<float> want{r.XA, r.ZA, r.XB, r.ZB, r.xM, r.zM, r.xN, r.zN};
    EXPECT_EQ(got, want) << "kind " << r.kind;
  }
  EXPECT_EQ(effectiveKind(0), 1);
  EXPECT_EQ(effectiveKind(14), 1);
  EXPECT_EQ(effectiveKind(13), 13);
  EXPECT_STREQ(arrayKindInfo(17).fileName, "amnb_01.dat");
}

// --- physics ----------------------------------------------------------------

// A homogeneous earth (three bodies, one medium: no interfaces) gives
// rho_a = Ro and eta_a = eta for every kind.
TEST(ArrayRun, HomogeneousEarthGivesTheMediumForEveryKind) {
  for (const std::vector<int>& kinds :
       {std::vector<int>{1, 2, 3, 4, 5}, std::vector<int>{6, 7, 8, 9, 10},
        std::vector<int>{11, 12}}) {
    ScratchDir dir;
    ModelRecipe recipe = testing::blocksOverLayer();
    for (auto& b : recipe.bodies) {
      b.Ro = 50;
      b.eta = 20;
    }
    recipe.survey.kinds = kinds;
    recipe.survey.ZA = 10;
    recipe.survey.ZB = 100;
    recipe.survey.profileDepth = 12;
    auto st = testing::loadModel(dir, recipe);
    ASSERT_EQ(st->nodes.N, 0);
    ASSERT_EQ(runFast(*st, dir).status, 0);
    for (const int kind : kinds) {
      const auto file = lines(dir.read(arrayKindInfo(kind).fileName));
      ASSERT_GT(file.size(), 3U) << kind;
      std::vector<float> rho, eta;
      if (kind == 12) {
        for (std::size_t k = 3; k < file.size(); ++k) {
          const auto v = numbers(file[k]);
          rho.push_back(v.at(1));
          eta.push_back(v.at(2));
        }
      } else {
        for (std::size_t k = 4; k + 3 < file.size() + 1; k += 4) {
          for (const float v : numbers(file[k + 2])) rho.push_back(v);
          for (const float v : numbers(file[k + 3])) eta.push_back(v);
        }
      }
      ASSERT_EQ(rho.size(), static_cast<std::size_t>(kind == 12 ? 7 : 21)) << kind;
      for (std::size_t k = 0; k < rho.size(); ++k) {
        EXPECT_NEAR(rho[k], 50.0f, 0.011f) << "kind " << kind << ", value " << k;
        EXPECT_NEAR(eta[k], 20.0f, 0.011f) << "kind " << kind << ", value " << k;
      }
    }
  }
}

// Two layers meeting at z = 40 (Ro 100 over 10, eta 0 over 5), the interface
// cut into 2 m elements with centres at odd x from -599 to 599, so that
// stations 2 m apart see the same mesh.
std::unique_ptr<TelmState> horizontalLayers() {
  auto st = std::make_unique<TelmState>();
  st->title1 = std::string(75, ' ');
  st->title2 = st->title1;
  st->keyIP = 1;
  common::ModelGeometry& g = st->model;
  g.nP = 6;
  const float xs[] = {-3000, 3000, 3000, -3000, 3000, -3000}, zs[] = {0, 0, 40, 40, 400, 400};
  for (int j = 0; j < 6; ++j) {
    g.xp[j] = xs[j];
    g.zp[j] = zs[j];
  }
  g.nT = 2;
  g.Ro[0] = 100;
  g.Ro[1] = 10;
  g.RO_IP[0] = 100;
  g.RO_IP[1] = 10 / 0.95f;
  g.nVer[0] = 4;
  g.nVer[1] = 4;
  g.vertexRing[0] = {1, 2, 3, 4, 1};
  g.vertexRing[1] = {4, 3, 5, 6, 4};
  g.nPOnSurface = 2;
  g.surfaceList = {1, 2};
  g.surfaceBodies = {1};
  g.nSurfaceBodies = 1;
  Nodes& nd = st->nodes;
  for (int k = 0; k < 600; ++k) {
    nd.x[k] = static_cast<float>(2 * k - 599);
    nd.z[k] = 40;
    nd.dL[k] = 2;
    nd.xn[k] = 0;
    nd.zn[k] = 1;
    nd.q[k] = 2 * (10.0f - 100.0f) / ((10.0f + 100.0f) * 100.0f);
    nd.qIP[k] = 2 * (g.RO_IP[1] - 100.0f) / ((g.RO_IP[1] + 100.0f) * 100.0f);
  }
  nd.N = 600;
  st->stationCount = 5;
  st->stationStep = 2;
  st->firstStation = -4;
  st->spacingCount = 3;
  st->spacingList = {2, 5, 8};
  st->offsetList = {3, 6, 9};
  st->mnList = {1, 2, 3};
  st->profileDepth = 20;
  st->ZA = 20;
  st->ZB = 20;
  st->arrayCount = 2;
  st->arrayKind = {10, 11};
  return st;
}

// Sources of the buried equatorial arrays sit at the depths read +- s at
// every configuration, so over horizontal layers every station gives the
// same values.
TEST(ArrayRun, BuriedDipolesKeepTheirDepthAtEveryStation) {
  ScratchDir dir;
  auto st = horizontalLayers();
  ASSERT_EQ(runFast(*st, dir).status, 0);
  for (const char* name : {"ab_mn_10.dat", "mn_ab_11.dat"}) {
    const auto file = lines(dir.read(name));
    ASSERT_EQ(file.size(), 4U + 5 * 4) << name;
    const auto rho1 = numbers(file[6]), eta1 = numbers(file[7]);
    ASSERT_EQ(rho1.size(), 3U);
    for (std::size_t i = 1; i < 5; ++i) {
      const auto rho = numbers(file[4 * i + 6]), eta = numbers(file[4 * i + 7]);
      ASSERT_EQ(rho.size(), 3U);
      for (std::size_t j = 0; j < 3; ++j) {
        EXPECT_NEAR(rho[j], rho1[j], 0.011f) << name << " station " << i + 1;
        EXPECT_NEAR(eta[j], eta1[j], 0.011f) << name << " station " << i + 1;
      }
    }
    // The sources reach down towards the lower layer as the spacing grows.
    EXPECT_LT(rho1[2], rho1[0]) << name;
  }
}

// --- layouts and the state passed between arrays ----------------------------

TEST(ArrayRun, ResultFileLayoutWithManySpacings) {
  ScratchDir dir;
  ModelRecipe recipe = testing::blocksOverLayer();
  recipe.keyIP = 0;
  recipe.survey.stationCount = 2;
  recipe.survey.spacings = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  recipe.survey.offsets = recipe.survey.spacings;
  recipe.survey.mn = std::vector<float>(10, 0.5f);
  recipe.survey.kinds = {1};
  auto st = testing::loadModel(dir, recipe);
  const RunOutput out = runFast(*st, dir);
  ASSERT_EQ(out.status, 0) << out.errors;
  const auto file = lines(dir.read("amnb_01.dat"));
  ASSERT_EQ(file.size(), 3U + 2 + 2 * 4);
  EXPECT_EQ(file[0], "Test model" + std::string(65, ' '));
  EXPECT_EQ(file[1], "Array run" + std::string(66, ' '));
  EXPECT_EQ(file[2], "   2   0  10   l");
  EXPECT_EQ(file[3], "     1.00     2.00     3.00     4.00     5.00     6.00     7.00     8.00 ");
  EXPECT_EQ(file[4], "    9.00    10.00 ");
  EXPECT_EQ(file[5], "   -60.0");
  EXPECT_EQ(file[6], "  10");
  EXPECT_EQ(file[7].size(), 73U);
  EXPECT_EQ(file[8].size(), 18U);
  EXPECT_EQ(file[9], "   -40.0");

  EXPECT_EQ(out.console,
            "  Schlumberger array A_mn_B (1)\n"
            "\n  Matrix have been calculated\n  Large elements -" +
                out.console.substr(out.console.find("elements -") + 10, 6) +
                "% of total\n"
                "  Points (   2)\n"
                "   1   2");
}

TEST(ArrayRun, IpRunsRebuildPerArrayAndWriteChargeability) {
  ScratchDir dir;
  ModelRecipe recipe = testing::blocksOverLayer();
  recipe.survey.kinds = {2, 6};
  auto st = testing::loadModel(dir, recipe);
  const RunOutput out = runFast(*st, dir);
  ASSERT_EQ(out.status, 0);
  std::size_t builds = 0;
  for (std::size_t p = 0;
       (p = out.console.find("Matrix have been calculated", p)) != std::string::npos; ++p)
    ++builds;
  EXPECT_EQ(builds, 4U);
  EXPECT_NE(out.console.find("   7\n\n          ...IP is calculating \n\n  Matrix have been"),
            std::string::npos);
  const auto file = lines(dir.read("abmn_06.dat"));
  EXPECT_EQ(file[2], "   7   1   3   d");
  EXPECT_EQ(file[3], "    15.00    25.00    35.00 ");
  ASSERT_EQ(file.size(), 4U + 7 * 4);

  recipe.keyIP = 0;
  auto dc = testing::loadModel(dir, recipe);
  const RunOutput dcOut = runFast(*dc, dir);
  builds = 0;
  for (std::size_t p = 0;
       (p = dcOut.console.find("Matrix have been calculated", p)) != std::string::npos; ++p)
    ++builds;
  EXPECT_EQ(builds, 1U);
  // Without an IP pass the counter line runs on into the next title.
  EXPECT_NE(dcOut.console.find("   7  Dipole-dipole array Afix_mn (6)\n"), std::string::npos);
  EXPECT_EQ(lines(dir.read("abmn_06.dat")).size(), 4U + 7 * 3);
}

TEST(ArrayRun, PoleDipoleSetsOneSpacingForTheArraysAfterIt) {
  ScratchDir dir;
  ModelRecipe recipe = testing::blocksOverLayer();
  recipe.survey.kinds = {12, 3};
  recipe.survey.stationCount = 3;
  auto st = testing::loadModel(dir, recipe);
  ASSERT_EQ(runFast(*st, dir).status, 0);
  EXPECT_EQ(st->spacingCount, 1);
  const auto pd = lines(dir.read("a_mn_b12.dat"));
  ASSERT_EQ(pd.size(), 3U + 3);
  EXPECT_EQ(pd[2], "   3   1   1   _");
  EXPECT_EQ(pd[3].substr(0, 11), "     -60.00");
  EXPECT_EQ(pd[3].size(), 29U);
  const auto next = lines(dir.read("mnb_03.dat"));
  EXPECT_EQ(next[2], "   3   1   1   l");
  EXPECT_EQ(next[3], "    10.00 ");
}

TEST(ArrayRun, MagneticFieldEndsTheArrayList) {
  ScratchDir dir;
  ModelRecipe recipe = testing::magneticBody();
  recipe.keyIP = 0;
  recipe.survey.kinds = {13, 1};
  recipe.survey.XA = 1;
  recipe.survey.ZA = 90;
  auto st = testing::loadModel(dir, recipe);
  const RunOutput out = runFast(*st, dir);
  ASSERT_EQ(out.status, 0);
  EXPECT_FALSE(dir.exists("amnb_01.dat"));
  EXPECT_EQ(out.console.find("Schlumberger"), std::string::npos);
  const auto file = lines(dir.read("magn13.dat"));
  ASSERT_EQ(file.size(), 1U + 7);
  EXPECT_EQ(file[0], " x z dHx dHz dZ");
  EXPECT_EQ(file[1].substr(0, 24), "      -60.00        0.00");
  EXPECT_EQ(file[1].size(), 24U + 3 * 13);
}

TEST(ArrayRun, ConsoleTextComesOutAsTheWorkGoesOn) {
  // Every block of work leaves a mark in the console stream: the titles and
  // matrix lines come before the first solve, each station's number after
  // the work of its configurations and before the work of later ones.
  ScratchDir dir;
  ModelRecipe recipe = testing::blocksOverLayer();
  recipe.survey.kinds = {1, 3};
  auto st = testing::loadModel(dir, recipe);
  auto again = std::make_unique<TelmState>(*st);
  const RunOutput plain = runFast(*st, dir);

  std::ostringstream console, errors;
  ArrayRunOptions options;
  options.directory = dir.str();
  options.threads = 1;
  options.solveBlock = 1;
  options.afterBlock = [&] { console << '#'; };
  ASSERT_EQ(computeArrays(*again, console, errors, options), 0);
  const std::string text = console.str();
  std::string withoutMarks = text;
  std::erase(withoutMarks, '#');
  EXPECT_EQ(withoutMarks, plain.console);

  // The station counter of the first pass: seven stations, each with work
  // of its own, computed between the numbers.
  const std::size_t points = text.find("Points (");
  ASSERT_NE(points, std::string::npos);
  EXPECT_GT(text.find('#'), points);
  const std::size_t counter = text.find('\n', points) + 1;
  const std::string stations = text.substr(counter, text.find("   7", counter) + 4 - counter);
  EXPECT_EQ(stations.front(), '#') << stations;
  EXPECT_GE(std::count(stations.begin(), stations.end(), '#'), 7) << stations;
  std::string numbers = stations;
  std::erase(numbers, '#');
  EXPECT_EQ(numbers, "   1   2   3   4   5   6   7");
}

TEST(ArrayRun, DipolePseudoSection) {
  ScratchDir dir;
  ModelRecipe recipe = testing::blocksOverLayer();
  recipe.keyIP = 0;
  recipe.survey.kinds = {7};
  recipe.survey.stationCount = 2;
  recipe.survey.offsets = {10, 30, 50};
  auto st = testing::loadModel(dir, recipe);
  ASSERT_EQ(runFast(*st, dir).status, 0);
  const auto section = lines(dir.read("AB_MN_pr.txt"));
  const auto result = lines(dir.read("mnab_07.dat"));
  ASSERT_EQ(section.size(), 1U + 3 * 2);
  EXPECT_EQ(section[0], " X R Rok");
  // Spacing 2 (offset 30), station 2 at x = -40: X = -40 - 15.
  const auto v = numbers(section[4]);
  ASSERT_EQ(v.size(), 3U);
  EXPECT_EQ(v[0], -55.0f);
  EXPECT_EQ(v[1], 30.0f);
  EXPECT_NEAR(v[2], numbers(result[9]).at(1), 0.006f);
}

// --- failures ---------------------------------------------------------------

// One node whose diagonal entry 1 - q T' is exactly zero.
std::unique_ptr<TelmState> singularState() {
  auto st = std::make_unique<TelmState>();
  st->title1 = std::string(75, ' ');
  st->title2 = st->title1;
  st->model.nT = 1;
  st->model.Ro[0] = 100;
  st->model.RO_IP[0] = 100;
  Nodes& nd = st->nodes;
  nd.N = 1;
  nd.x[0] = 0;
  nd.z[0] = 10;
  nd.dL[0] = 1;
  nd.xn[0] = 0;
  nd.zn[0] = 1;
  const float tImage = normalFieldKernel(0, 10, 0, -10, 0, 1, 1, 100 * inverseTwoPi);
  float q = 1.0f / tImage;
  while (1.0f - q * tImage != 0.0f) q = std::nextafter(q, 2 * q);
  nd.q[0] = q;
  st->stationCount = 2;
  st->stationStep = 10;
  st->spacingCount = 1;
  st->spacingList[0] = 10;
  st->mnList[0] = 1;
  st->arrayCount = 1;
  st->arrayKind[0] = 1;
  return st;
}

TEST(ArrayRun, ZeroPivotStopsWithoutTouchingTheResultFile) {
  ScratchDir dir;
  dir.write("amnb_01.dat", "earlier results\n");
  auto st = singularState();
  const RunOutput out = runFast(*st, dir);
  EXPECT_EQ(out.status, common::exitNumerical);
  EXPECT_EQ(out.errors, "telm: zero pivot at step 1 of the system matrix (array kind 1)\n");
  EXPECT_EQ(dir.read("amnb_01.dat"), "earlier results\n");
  EXPECT_TRUE(out.console.ends_with("  Points (   2)\n   1"));
}

TEST(ArrayRun, UnwritableResultFileIsReported) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.file("amnb_01.dat"));
  auto st = singularState();
  st->nodes.q[0] = 0.5f;
  const RunOutput out = runFast(*st, dir);
  EXPECT_EQ(out.status, common::exitOutputFailed);
  EXPECT_NE(out.errors.find("amnb_01.dat: cannot write the file"), std::string::npos) << out.errors;
}

TEST(ArrayRun, NonFiniteResultsAreWarnedAbout) {
  ScratchDir dir;
  auto st = singularState();
  st->nodes.N = 0;
  st->model.Ro[0] = 0;  // no current can flow: 0/0
  const RunOutput out = runFast(*st, dir);
  EXPECT_EQ(out.status, 0);
  EXPECT_NE(out.errors.find("telm: warning: array kind 1, station 2, spacing 1: the apparent "
                            "resistivity is not a finite number"),
            std::string::npos)
      << out.errors;
}

// --- the program ------------------------------------------------------------

RunOutput runTelm(const ScratchDir& dir) {
  const std::string command = "cd '" + dir.str() + "' && '" TELM_EXE "' > stdout.txt 2> stderr.txt";
  const int raw = std::system(command.c_str());
  RunOutput out{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, dir.read("stdout.txt"),
                dir.read("stderr.txt")};
  std::filesystem::remove(dir.file("stdout.txt"));
  std::filesystem::remove(dir.file("stderr.txt"));
  return out;
}

// The bundled example through the program, and its files against the plain
// reference path.
TEST(TelmProgram, BundledExampleMatchesThePlainPath) {
  ScratchDir dir;
  for (const char* name : {"filename", "dyke.dat"}) {
    std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/telm-2d/" + name, dir.file(name));
  }
  const RunOutput out = runTelm(dir);
  ASSERT_EQ(out.status, 0) << out.errors;
  EXPECT_EQ(out.errors, "");
  EXPECT_TRUE(out.console.ends_with("Stop - Program terminated.\n"));

  const std::filesystem::path plain = dir.str() + "_plain";
  std::filesystem::remove_all(plain);
  std::filesystem::create_directories(plain);
  auto st = std::make_unique<TelmState>();
  std::ostringstream quiet, console;
  st->modelFileName = dir.file("dyke.dat");
  common::RecordReader in(st->modelFileName);
  readModelPart(in, *st, quiet);
  readSurveySettings(in, *st, quiet);
  applyMagneticAdjustment(*st);
  discretise(*st, quiet);
  buildSurfaceLists(*st, quiet);
  ASSERT_EQ(reference::computeArrays(*st, console, plain.string()), 0);
  EXPECT_NE(out.console.find(console.str()), std::string::npos);
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(plain)) {
    const std::string name = entry.path().filename().string();
    std::ifstream expected(entry.path(), std::ios::binary);
    EXPECT_EQ(dir.read(name), std::string(std::istreambuf_iterator<char>(expected), {})) << name;
    ++compared;
  }
  EXPECT_EQ(compared, 6);
  std::filesystem::remove_all(plain);
}

// Every body with Ro = 0 becomes 1, the value of the outside region: no
// magnetic contrast, no nodes, no secondary field.
TEST(TelmProgram, MagneticRunWithoutContrastHasNoSecondaryField) {
  ScratchDir dir;
  ModelRecipe recipe = testing::blocksOverLayer();
  for (auto& b : recipe.bodies) b.Ro = 0;
  recipe.keyIP = 0;
  recipe.survey.kinds = {13};
  recipe.survey.XA = 48000;
  recipe.survey.ZA = 65;
  dir.write("model.dat", testing::modelFileText(recipe));
  dir.write("filename", "model.dat\n");
  const RunOutput out = runTelm(dir);
  ASSERT_EQ(out.status, 0) << out.errors;
  EXPECT_NE(out.console.find("Number of elements =   0"), std::string::npos);
  const auto file = lines(dir.read("magn13.dat"));
  ASSERT_EQ(file.size(), 8U);
  for (std::size_t k = 1; k < file.size(); ++k) {
    EXPECT_EQ(file[k].substr(24), "        0.000        0.000        0.000") << k;
  }
}

}  // namespace
}  // namespace telm
