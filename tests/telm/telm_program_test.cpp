// End-to-end runs of the built telm in a scratch folder: console text, exit
// statuses, and which result files exist afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class TelmRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("telm_program_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void put(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }
  std::string get(const std::string& name) const {
    std::ifstream in(dir_ / name);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool exists(const std::string& name) const { return fs::exists(dir_ / name); }

  // Runs telm (with `options`, words separated by blanks); returns its exit
  // status and keeps its two output streams.
  int run(const std::string& options = "") {
    const std::string command = "cd '" + dir_.string() + "' && '" + TELM_EXE + "' " + options +
                                " > stdout.txt 2> stderr.txt";
    const int status = std::system(command.c_str());
    out = get("stdout.txt");
    err = get("stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path dir_;
  std::string out, err;
};

const std::string banner =
    " --telm. 2D modelling. Boundary-element DC/IP program (10/02/01)--\n"
    "         Maximal number of nodes is 4200\n"
    "\n";

// Two layers with one interface at z = 30 (6 nodes at dens 1).
std::string layers(int keyRun, float dens = 1.0f) {
  std::ostringstream s;
  s << "Two layers\nResistive over conductive\n"
    << "2 6 1 " << dens << " " << keyRun << "\n"
    << "100 0 4\n1 2 3 4\n300 10 4\n4 3 5 6\n"
    << "0 0\n30 0\n30 30\n0 30\n30 60\n0 60\n";
  return s.str();
}

const std::string survey = "10 0 3 1 0\n0 0 0 0\n10\n0\n1\n1\n1\n0 0 0 0 0 0\n";
const std::string arrayFile = "10 0 0 0 3 1\n0 0 0 0 0 1 0\n10\n";

std::string dataFileLine(const std::string& name) { return "\n    Data file - " + name + std::string(128 - name.size(), ' ') + "\n"; }

TEST_F(TelmRun, MeshPreparationWritesTheExchangeFile) {
  put("filename", "layers.dat   \n");
  put("layers.dat", layers(-1));  // ends right after the vertices
  put("varga.arr", arrayFile);
  ASSERT_EQ(run(), 0) << err;
  EXPECT_EQ(out, banner + "\n Two layers" + std::string(65, ' ') + "\n Resistive over conductive" +
                     std::string(50, ' ') + "\n" + dataFileLine("layers.dat") +
                     "  A number of nodes -          6\n"
                     "    The file \"VARga.xy\" is saved\n"
                     "Stop - Program terminated.\n");
  EXPECT_EQ(err, "");
  const std::string xy = get("varga.xy");
  EXPECT_EQ(xy.substr(0, xy.find('\n')), "           6           2           2           1 nP,nT, nPOnSurface,keyIP");
}

TEST_F(TelmRun, NonPositiveStepOfKind18StopsWith100) {
  put("filename", "layers.dat\n");
  put("layers.dat", layers(-1));
  put("varga.arr", "0 0 0 0 3 2\n0 0 0 0 0 18 1\n");
  EXPECT_EQ(run(), 100);
  EXPECT_EQ(out.substr(banner.size() + 1 + 2 * 77), "   Step must be more then zero\nReturn code 100\n");
  EXPECT_FALSE(exists("varga.xy"));
}

TEST_F(TelmRun, NodeListingStopsWith200) {
  put("filename", "layers.dat\n");
  put("layers.dat", layers(1) + survey);
  EXPECT_EQ(run(), 200);
  EXPECT_EQ(out.substr(banner.size() + 1 + 2 * 77), "  The file XY.txt is saved\nReturn code 200\n");
  const std::string listing = get("XZ.txt");
  EXPECT_EQ(listing.substr(0, listing.find('\n')), " Nel =   6");
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 8);
  EXPECT_FALSE(exists("varga.xy"));
  EXPECT_FALSE(exists("amnb_01.dat"));
}

// The node listing of a top layer over two bodies side by side, which meet
// it at a junction: --graded-corners shrinks the elements there a
// thousandfold (to the floor of 0.01/dens) and adds the graded runs.
TEST_F(TelmRun, GradedCornersShrinkTheElementsAtJunctions) {
  put("filename", "t.dat\n");
  put("t.dat",
      "Top layer over two bodies\nmeeting at x = 15\n3 8 0 1 1\n100 0 5\n1 2 3 4 5\n"
      "10 0 4\n5 4 7 8\n1000 0 4\n4 3 6 7\n"
      "0 0\n30 0\n30 30\n15 30\n0 30\n30 60\n15 60\n0 60\n" +
          survey);
  auto listing = [&](const std::string& options, int& count, double& shortest) {
    ASSERT_EQ(run(options), 200) << err;
    std::istringstream in(get("XZ.txt"));
    std::string line;
    std::getline(in, line);
    count = std::stoi(line.substr(line.find('=') + 1));
    std::getline(in, line);
    shortest = 1e30;
    for (double x, z, q, dL; in >> x >> z >> q >> dL && in.ignore(1000, '\n');)
      shortest = std::min(shortest, dL);
  };
  int plain = 0, graded = 0;
  double plainShortest = 0, gradedShortest = 0;
  listing("", plain, plainShortest);
  listing("--graded-corners", graded, gradedShortest);
  EXPECT_GT(graded, plain + 20);
  EXPECT_LT(gradedShortest, plainShortest / 100);
  EXPECT_GE(gradedShortest, 0.0099);
}

TEST_F(TelmRun, NormalMagneticField) {
  put("filename", "layers.dat\n");
  put("layers.dat", layers(1) + "10 0 3 1 0\n1 90 0 0\n10\n0\n1\n1\n13\n0 0 0 0 0 0\n");
  EXPECT_EQ(run(), 200);
  EXPECT_NE(out.find("\n Norm. filed Bx Bz  -4.371139E-08        1.000000\n"), std::string::npos) << out;
}

TEST_F(TelmRun, FullRunFraming) {
  put("filename", "layers.dat\n");
  put("layers.dat", layers(0) + survey);
  ASSERT_EQ(run(), 0) << err;
  EXPECT_NE(out.find(dataFileLine("layers.dat") + "  Number of elements =   6\n"), std::string::npos) << out;
  const std::string end = "\n   The finish of calculation.\nStop - Program terminated.\n";
  ASSERT_GE(out.size(), end.size());
  EXPECT_EQ(out.substr(out.size() - end.size()), end);
}

TEST_F(TelmRun, TooManyNodesStopsWith199AndKeepsEarlierFiles) {
  put("filename", "layers.dat\n");
  put("layers.dat", layers(-1, 5000.0f));
  put("varga.arr", arrayFile);
  put("varga.xy", "earlier\n");
  EXPECT_EQ(run(), 199);
  EXPECT_NE(out.find("\n ERROR: Nel > =4201!!!\n"
                     " ====> Error !!! The model is too complex. \n"
                     "       Maximal number of nodes is 4200 \n"
                     "Return code 199\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(get("varga.xy"), "earlier\n");
}

TEST_F(TelmRun, BadInputNamesTheFileAndWritesNothing) {
  struct Case {
    const char* what;
    std::string filename, model, arr, message;
  };
  const Case cases[] = {
      {"no filename", "", "", arrayFile,
       "telm: filename: cannot open the file (No such file or directory); its first line must hold the name of "
       "the model file (for example model.dat)\n"},
      {"no model file", "absent.dat\n", "", arrayFile,
       "telm: absent.dat: cannot open the file (No such file or directory); the first line of \"filename\" names "
       "this model file: correct the name there or create the file\n"},
      {"no array file", "m.dat\n", layers(-1), "",
       "telm: varga.arr: cannot open the file (No such file or directory); with keyRun = -1 telm needs the survey "
       "file varga.arr before it prepares the mesh (korvis reads the same file); write it first or set keyRun "
       "to 0\n"},
      {"short model", "m.dat\n", "t1\nt2\n2 6 1 1\n", arrayFile,
       "telm: m.dat, line 4: end of file, expected an integer for keyRun\n"},
      {"vertex number", "m.dat\n", "t1\nt2\n1 3 1 1 -1\n100 0 3\n1 2 4\n", arrayFile,
       "telm: m.dat, line 5: expected a vertex number 1 to 3 for vertexRing(1,3), found 4\n"},
      {"survey short", "m.dat\n", layers(0) + "10 0 3 1 0\n", arrayFile,
       "telm: m.dat, line 15: end of file, expected a number for XA\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    if (!c.filename.empty()) put("filename", c.filename);
    if (!c.model.empty()) put("m.dat", c.model);
    if (!c.arr.empty()) put("varga.arr", c.arr);
    put("XZ.txt", "earlier\n");
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(err, c.message);
    EXPECT_FALSE(exists("varga.xy"));
    EXPECT_EQ(get("XZ.txt"), "earlier\n");
  }
}

TEST_F(TelmRun, BundledDykeExample) {
  for (const char* name : {"filename", "dyke.dat", "varga.arr"}) {
    fs::copy_file(fs::path(EXAMPLES_DIR) / "dyke" / name, dir_ / name);
  }
  ASSERT_EQ(run(), 0) << err;
  std::istringstream xy(get("varga.xy"));
  std::string line;
  int nodes = -1;
  while (std::getline(xy, line)) {
    if (line.find(" N cells") != std::string::npos) nodes = std::stoi(line);
  }
  EXPECT_GT(nodes, 100);
  EXPECT_LT(nodes, 1000);
}

}  // namespace
