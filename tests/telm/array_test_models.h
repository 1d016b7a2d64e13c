// Models for the tests of the 2D system and the array run: model files
// written from a small description, loaded into a TelmState the way the
// program does (read, discretise, surface lists), and hand-built states.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/record_reader.h"
#include "telm/discretisation.h"
#include "telm/exchange_file.h"
#include "telm/model_input.h"
#include "telm/telm_state.h"

namespace telm::testing {

// A scratch directory per test, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (std::string("telm_arrays_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string str() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Every regular file in the directory, by name, with its content.
  std::vector<std::pair<std::string, std::string>> files() const {
    std::vector<std::pair<std::string, std::string>> list;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      if (entry.is_regular_file()) {
        const std::string name = entry.path().filename().string();
        list.emplace_back(name, read(name));
      }
    }
    std::sort(list.begin(), list.end());
    return list;
  }

 private:
  std::filesystem::path path_;
};

struct BodyRecipe {
  float Ro = 100, eta = 0;
  std::vector<int> ring;
};

struct SurveyRecipe {
  float stationStep = 20, firstStation = -60;
  int stationCount = 7;
  float profileDepth = 0;
  float XA = -50, ZA = 0, XB = 50, ZB = 0;
  std::vector<float> spacings{10, 20, 40}, offsets{15, 25, 35}, mn{2, 4, 6};
  std::vector<int> kinds{1};
};

struct ModelRecipe {
  int keyIP = 1;
  float dens = 1;
  int keyRun = 0;
  std::vector<std::pair<float, float>> vertices;
  std::vector<BodyRecipe> bodies;
  SurveyRecipe survey;
};

template <typename T>
std::string joined(const std::vector<T>& values) {
  std::ostringstream s;
  for (const T& v : values) s << v << ' ';
  return s.str();
}

inline std::string modelFileText(const ModelRecipe& m) {
  std::ostringstream s;
  s << "Test model\nArray run\n";
  s << m.bodies.size() << ' ' << m.vertices.size() << ' ' << m.keyIP << ' ' << m.dens << ' '
    << m.keyRun << "  nT nP keyIP dens keyRun\n";
  for (const BodyRecipe& b : m.bodies) {
    s << b.Ro << ' ' << b.eta << ' ' << b.ring.size() << "  Ro eta nVer\n"
      << joined(b.ring) << "\n";
  }
  for (const auto& [x, z] : m.vertices) s << x << ' ' << z << "\n";
  const SurveyRecipe& v = m.survey;
  s << v.stationStep << ' ' << v.firstStation << ' ' << v.stationCount << ' ' << v.spacings.size()
    << ' ' << v.profileDepth << "\n";
  s << v.XA << ' ' << v.ZA << ' ' << v.XB << ' ' << v.ZB << "\n";
  s << joined(v.spacings) << "\n" << joined(v.offsets) << "\n" << joined(v.mn) << "\n";
  s << v.kinds.size() << "\n" << joined(v.kinds) << "\n0 0 0 0 0 0\n";
  return s.str();
}

// Two blocks side by side over a bottom layer:
//   body 1 x in [-300, 0], z in [0, 50]; body 2 x in [0, 300], z in [0, 50];
//   body 3 x in [-300, 300], z in [50, 150].
inline ModelRecipe blocksOverLayer() {
  ModelRecipe m;
  m.dens = 3;
  m.vertices = {{-300, 0}, {0, 0},     {300, 0},   {300, 50},
                {0, 50},   {-300, 50}, {300, 150}, {-300, 150}};
  m.bodies = {{100, 0, {1, 2, 5, 6}}, {20, 8, {2, 3, 4, 5}}, {500, 3, {6, 5, 4, 7, 8}}};
  return m;
}

// The same geometry for the magnetic-field array: bodies 1 and 2 without
// magnetic contrast (Ro = 0 becomes 1, the value of the outside region), the
// bottom layer with a contrast to both and to the outside.
inline ModelRecipe magneticBody() {
  ModelRecipe m = blocksOverLayer();
  m.dens = 1;
  m.bodies[0].Ro = 0;
  m.bodies[1].Ro = 0;
  m.bodies[2].Ro = 0.05f;
  return m;
}

// Reads, discretises and builds the surface lists as the program does.
inline std::unique_ptr<TelmState> loadModel(const ScratchDir& dir, const ModelRecipe& recipe) {
  dir.write("model.dat", modelFileText(recipe));
  auto st = std::make_unique<TelmState>();
  std::ostringstream ignored;
  st->modelFileName = dir.file("model.dat");
  common::RecordReader in(st->modelFileName);
  readModelPart(in, *st, ignored);
  readSurveySettings(in, *st, ignored);
  applyMagneticAdjustment(*st);
  discretise(*st, ignored);
  buildSurfaceLists(*st, ignored);
  return st;
}

}  // namespace telm::testing
