// Reading of the model file, the head of varga.arr and "filename": record
// splitting, derived values, and the rejection of values beyond capacity.
#include "telm/model_input.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "telm/coded_stop.h"

namespace telm {
namespace {

namespace fs = std::filesystem;

class ModelInput : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("telm_model_input_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string file(const std::string& name, const std::string& text) {
    const fs::path path = dir_ / name;
    std::ofstream(path) << text;
    return path.string();
  }

  // Reads the model part, and the survey when keyRun is not -1.
  void read(const std::string& text) {
    common::RecordReader in(file("m.dat", text));
    readModelPart(in, *st, console);
    if (st->keyRun != -1) readSurveySettings(in, *st, console);
  }

  // The message of the InputError that reading `text` raises, with the
  // directory removed.
  std::string rejection(const std::string& text) {
    try {
      read(text);
    } catch (const common::InputError& e) {
      const std::string message = e.what();
      return message.substr(message.find("m.dat"));
    }
    return "no error";
  }

  fs::path dir_;
  std::unique_ptr<TelmState> st = std::make_unique<TelmState>();
  std::ostringstream console;
};

// One square body on the surface, with its survey settings.
const std::string titles = "First title\nSecond title\n";
const std::string square =
    "1 4 1 1.0 0     nT nP keyIP dens keyRun\n"
    "100 5 4         Ro eta nVer\n"
    "1 2 3 4\n"
    "0 0\n10 0\n10 10\n0 10\n";
std::string survey(const std::string& kinds) {
  return "10 0 5 2 0       step first count spacings depth\n"
         "1 2 3 4          XA ZA XB ZB\n"
         "1 2\n3 4\n5 6\n" +
         kinds + "0 0 0 0 0 0\n";
}

TEST_F(ModelInput, SplitRecordsAndDerivedValues) {
  const std::string longTitle(80, 'T');
  read(longTitle + "\nshort\n" +
       "2 6 1\n 2.0 0           header over two lines\n"
       "100, 20 4\n"
       "1 2\n 5\n 6              ring over three lines\n"
       "50 0 4\n2 3 4 5\n"
       "0 0\n10 0\n20 0\n20 10\n10 10\n0 10\n" +
       survey("1\n1\n"));
  EXPECT_EQ(st->title1, std::string(75, 'T'));
  EXPECT_EQ(st->title2, "short" + std::string(70, ' '));
  EXPECT_EQ(console.str(), "\n " + std::string(75, 'T') + "\n short" + std::string(70, ' ') + "\n");
  EXPECT_EQ(st->model.nT, 2);
  EXPECT_EQ(st->dens, 2.0f);
  EXPECT_EQ(st->model.vertexRing[0][3], 6);
  EXPECT_EQ(st->model.vertexRing[0][4], 1);  // closing repeat
  EXPECT_EQ(st->model.vertexRing[1][0], 2);
  EXPECT_EQ(st->model.RO_IP[0], 100.0f / (20.0f * (-0.01f) + 1.0f));
  EXPECT_EQ(st->model.xp[2], 20.0f);
  EXPECT_EQ(st->spacingList[1], 2.0f);
  EXPECT_EQ(st->mnList[1], 6.0f);
  EXPECT_EQ(st->firstArrayKind, 1);
  EXPECT_EQ(st->refineFlag, 0);
}

TEST_F(ModelInput, ZeroSpacingsStillConsumeOneLineEach) {
  // Negative counts read nothing, like 0.
  read(titles + square +
       "10 0 -5 -2 0\n1 2 3 4\n"
       "empty spacing list\nempty offsets\nempty MN lengths\n"
       "-1\nno kinds\n0 0 0 0 0 0\n");
  EXPECT_EQ(st->arrayCount, -1);
  EXPECT_EQ(st->firstArrayKind, 0);
  read(titles + square +
       "10 0 5 0 0\n1 2 3 4\n"
       "empty spacing list\nempty offsets\nempty MN lengths\n"
       "2\n7 12\n0 0 0 0 0 0\n");
  EXPECT_EQ(st->arrayCount, 2);
  EXPECT_EQ(st->arrayKind[1], 12);
  // Kind 12 anywhere in the list refines around A and B.
  EXPECT_EQ(st->refineFlag, 1);
  EXPECT_EQ(st->refAx, 1.0f);
  EXPECT_EQ(st->refBz, 4.0f);
}

TEST_F(ModelInput, MeshPreparationNeedsNoSurvey) {
  read(titles + "1 4 1 1.0 -1\n100 5 4\n1 2 3 4\n0 0\n10 0\n10 10\n0 10\n");
  EXPECT_EQ(st->keyRun, -1);
  EXPECT_EQ(st->firstArrayKind, 0);
}

TEST_F(ModelInput, MagneticFieldArray) {
  read(titles +
       "2 4 0 1.0 0\n0 0 3\n1 2 3\n5 0 3\n1 3 4\n0 0\n10 0\n10 10\n0 10\n"
       "10 0 5 1 0\n1 90 0 0       strength and inclination\n1\n1\n1\n1\n13\n0 0 0 0 0 0\n");
  EXPECT_NEAR(st->XA, 0.0, 1e-7);
  EXPECT_EQ(st->ZA, 1.0f);
  EXPECT_EQ(console.str().substr(console.str().find("Norm.")),
            "Norm. filed Bx Bz  -4.371139E-08        1.000000\n");
  applyMagneticAdjustment(*st);
  EXPECT_EQ(st->model.Ro[0], 1.0f);
  EXPECT_EQ(st->model.Ro[1], 1.0f / 6.0f);
  EXPECT_EQ(st->model.Ro[2], 1.0f);
}

TEST_F(ModelInput, ArrayFileHead) {
  read(titles + "1 4 1 1.0 -1\n100 5 4\n1 2 3 4\n0 0\n10 0\n10 10\n0 10\n");
  readArrayFileHeader(file("a17", "10 0 0 0 5 1\n-5 1 25 2 0 17 0\n"), *st, console);
  EXPECT_EQ(st->refineFlag, 2);
  EXPECT_EQ(st->refAx, -5.0f);
  EXPECT_EQ(st->refAz, 1.0f);
  EXPECT_EQ(st->refBx, 25.0f);
  EXPECT_EQ(st->refBz, 2.0f);
  readArrayFileHeader(file("a1", "10 0 0 0 5 1\n-5 1 25 2 0 1 0\n"), *st, console);
  EXPECT_EQ(st->refineFlag, 0);

  console.str("");
  try {
    readArrayFileHeader(file("a18", "0 0 0 0 5 3\n0 0 0 0 0 18 1\n"), *st, console);
    FAIL() << "expected the coded stop";
  } catch (const CodedStop& stop) {
    EXPECT_EQ(stop.code, 100);
  }
  EXPECT_EQ(console.str(), "   Step must be more then zero\n");
  EXPECT_THROW(readArrayFileHeader((dir_ / "missing").string(), *st, console), common::InputError);
}

TEST_F(ModelInput, ValuesBeyondCapacityAreRejected) {
  EXPECT_EQ(rejection(titles + "51 4 1 1.0 0\n"), "m.dat, line 3: expected 0 to 50 for nT, found 51");
  EXPECT_EQ(rejection(titles + "-1 4 1 1.0 0\n"), "m.dat, line 3: expected 0 to 50 for nT, found -1");
  EXPECT_EQ(rejection(titles + "1 101 1 1.0 0\n"), "m.dat, line 3: expected 0 to 100 for nP, found 101");
  EXPECT_EQ(rejection(titles + "1 4 1 0 0\n"), "m.dat, line 3: expected a positive dens, found 0");
  EXPECT_EQ(rejection(titles + "1 4 1 1.0 0\n100 100 4\n"),
            "m.dat, line 4: expected eta below 100 for eta(1), found 100");
  EXPECT_EQ(rejection(titles + "1 4 1 1.0 0\n100 0 41\n"), "m.dat, line 4: expected 0 to 40 for nVer(1), found 41");
  EXPECT_EQ(rejection(titles + "1 4 1 1.0 0\n100 0 4\n1 2\n3 5\n"),
            "m.dat, line 6: expected a vertex number 1 to 4 for vertexRing(1,4), found 5");
  EXPECT_EQ(rejection(titles + "1 4 1 1.0 0\n100 0 4.5\n"),
            "m.dat, line 4: expected an integer for nVer(1), found \"4.5\"");
  EXPECT_EQ(rejection(titles + square + "10 0 5 31 0\n"), "m.dat, line 10: expected at most 30 for spacingCount, found 31");
  EXPECT_EQ(rejection(titles + square + "10 0 5 0 0\n0 0 0 0\n\n\n\n6\n"),
            "m.dat, line 15: expected at most 5 for arrayCount, found 6");
  EXPECT_EQ(rejection(titles + square + "10 0 5 0 0\n0 0 0 0\n\n\n\n2\n1 14\n"),
            "m.dat, line 16: arrayKind(2) = 14 is not an array kind: expected 1 to 13 (the array kinds are listed "
            "in the user guide)");
  EXPECT_EQ(rejection(titles + square + "10 0 5 0 0\n0 0 0 0\n\n\n\n1\n"),
            "m.dat, line 16: end of file, expected an integer for arrayKind(1)");
}

TEST_F(ModelInput, SlotsForTheOutsideRegionAndTheSurfaceList) {
  std::string bodies;
  for (int i = 0; i < 50; ++i) bodies += "100 0 3\n1 2 3\n";
  const std::string vertices = "0 0\n10 0\n10 10\n";
  // 50 bodies are fine, but not with the magnetic-field array first.
  read(titles + "50 3 0 1.0 0\n" + bodies + vertices + survey("1\n1\n"));
  EXPECT_EQ(st->model.nT, 50);
  EXPECT_EQ(rejection(titles + "50 3 0 1.0 0\n" + bodies + vertices + survey("2\n13 1\n")),
            "m.dat, line 113: expected at most 49 bodies (nT) when arrayKind(1) is 13, found 50");

  std::string surface;
  for (int j = 0; j < 51; ++j) surface += std::to_string(j) + " 0\n";
  EXPECT_EQ(rejection(titles + "0 51 0 1.0 -1\n" + surface),
            "m.dat, line 54: expected at most 50 vertices with zp < 0.001, found 51");
}

TEST_F(ModelInput, ModelFileName) {
  EXPECT_EQ(readModelFileName(file("filename", "model.dat   \nignored.dat\n")), "model.dat");
  EXPECT_EQ(readModelFileName(file("filename", std::string(130, 'a') + "\n")), std::string(128, 'a'));
  EXPECT_EQ(readModelFileName(file("filename", "b.dat\r\n")), "b.dat");
  try {
    readModelFileName(file("filename", "   \n"));
    FAIL() << "expected a rejection";
  } catch (const common::InputError& e) {
    const std::string message = e.what();
    EXPECT_EQ(message.substr(message.find("filename")),
              "filename, line 1: expected the name of the model file, found an empty line");
  }
}

}  // namespace
}  // namespace telm
