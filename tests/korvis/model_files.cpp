#include "model_files.h"

#include "test_nodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace korvis::testing {

namespace {

std::string real(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
  return text;
}

// Cuts the side (x0, z0)-(x1, z1) into equal elements of at most `element`.
void addSide(common::NodeTable& nd, float x0, float z0, float x1, float z1,
             float element, float xn, float zn, float q, float qIP) {
  const float length = std::hypot(x1 - x0, z1 - z0);
  const int parts = std::max(1, static_cast<int>(std::ceil(length / element)));
  for (int k = 0; k < parts; ++k) {
    const float t = (static_cast<float>(k) + 0.5f) / static_cast<float>(parts);
    addNode(nd, x0 + t * (x1 - x0), z0 + t * (z1 - z0), length / static_cast<float>(parts), xn,
            zn, q, qIP);
  }
}

float contrast(float from, float to) { return (from - to) / (from + to); }

}  // namespace

std::string xyText(const KorvisState& st) {
  const common::ModelGeometry& m = st.model;
  std::ostringstream out;
  out << m.nP << " " << m.nT << " " << m.nPOnSurface << " " << st.keyIP
      << " nP,nT, nPOnSurface,keyIP\n";
  for (int k = 0; k < m.nPOnSurface; ++k) out << " " << m.surfaceList[k];
  out << " [Surfase]\n";
  for (int k = 0; k + 1 < m.nPOnSurface; ++k) out << " " << m.surfaceBodies[k];
  out << "\n";
  for (int i = 0; i < m.nT; ++i) {
    out << real(m.Ro[i]) << " " << real(m.RO_IP[i]) << " " << m.nVer[i] << " Ro, RO_IP nVer\n";
    for (int k = 0; k <= m.nVer[i]; ++k) out << " " << m.vertexRing[i][k];
    out << "\n";
  }
  for (int v = 0; v < m.nP; ++v) out << real(m.xp[v]) << " " << real(m.zp[v]) << "  xp, zp\n";
  out << st.nodes.N << " N cells\n";
  const auto& nd = st.nodes;
  for (int i = 0; i < nd.N; ++i) {
    out << real(nd.x[i]) << " " << real(nd.z[i]) << " " << real(nd.dL[i]) << " " << real(nd.xn[i])
        << " " << real(nd.zn[i]) << " " << real(nd.q[i]) << " " << real(nd.qIP[i])
        << " x z dL xn zn q qIP\n";
  }
  return out.str();
}

std::string arrText(const common::ArrayFile& a) {
  std::ostringstream out;
  out << real(a.dX) << " " << real(a.dZ) << " " << real(a.X0) << " " << real(a.Z0) << " "
      << a.nPos << " " << a.nSpac << "  dX, dZ, X0, Z0, nPos, nSpac\n";
  out << real(a.XA) << " " << real(a.ZA) << " " << real(a.XB) << " " << real(a.ZB) << " "
      << real(a.XMN) << " " << a.keyArr << " " << a.iDir << "  XA, ZA, XB, ZB, XMN, keyArr, iDir\n";
  if (a.keyArr != 18) {
    for (int j = 0; j < a.nSpac; ++j) out << real(a.Spac[j]) << " ";
    out << " spacings\n";
  }
  return out.str();
}

std::unique_ptr<KorvisState> faultModel(float element) {
  auto st = std::make_unique<KorvisState>();
  st->keyIP = 1;
  common::ModelGeometry& m = st->model;
  // The two halves go round the block, which straddles the contact.
  const float vertices[][2] = {{-200, 0},  {0, 0},    {200, 0},  {200, 100}, {0, 100}, {-200, 100},
                               {-10, 10}, {10, 10},  {10, 30},  {-10, 30},  {0, 10},  {0, 30}};
  m.nP = 12;
  for (int v = 0; v < m.nP; ++v) {
    m.xp[v] = vertices[v][0];
    m.zp[v] = vertices[v][1];
  }
  const std::vector<int> rings[3] = {{1, 2, 11, 7, 10, 12, 5, 6}, {2, 3, 4, 5, 12, 9, 8, 11}, {7, 11, 8, 9, 12, 10}};
  const float ro[3] = {100.0f, 40.0f, 5.0f};
  const float eta[3] = {5.0f, 2.0f, 20.0f};
  m.nT = 3;
  for (int b = 0; b < 3; ++b) {
    m.Ro[b] = ro[b];
    m.RO_IP[b] = ro[b] / (1.0f - 0.01f * eta[b]);
    const auto size = static_cast<int>(rings[b].size());
    m.nVer[b] = size;
    for (int k = 0; k <= size; ++k) m.vertexRing[b][k] = rings[b][static_cast<std::size_t>(k % size)];
  }
  m.nPOnSurface = 3;
  m.surfaceList[0] = 1;
  m.surfaceList[1] = 2;
  m.surfaceList[2] = 3;
  m.surfaceBodies[0] = 1;
  m.surfaceBodies[1] = 2;
  m.nSurfaceBodies = 2;

  auto& nd = st->nodes;
  const float qContact = contrast(ro[0], ro[1]);
  const float qContactIP = contrast(m.RO_IP[0], m.RO_IP[1]);
  addNode(nd, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, qContact, qContactIP);
  addSide(nd, 0, 1, 0, 10, 3.0f, 1.0f, 0.0f, qContact, qContactIP);
  addSide(nd, 0, 30, 0, 100, 5.0f, 1.0f, 0.0f, qContact, qContactIP);
  const float q = contrast(ro[0], ro[2]);
  const float qIP = contrast(m.RO_IP[0], m.RO_IP[2]);
  addSide(nd, -10, 10, 10, 10, element, 0.0f, 1.0f, q, qIP);
  addSide(nd, 10, 10, 10, 30, element, -1.0f, 0.0f, q, qIP);
  addSide(nd, 10, 30, -10, 30, element, 0.0f, -1.0f, q, qIP);
  addSide(nd, -10, 30, -10, 10, element, 1.0f, 0.0f, q, qIP);
  return st;
}

std::unique_ptr<KorvisState> uniformFaultModel(float rho, float eta) {
  auto st = faultModel(4.0f);
  common::ModelGeometry& m = st->model;
  for (int b = 0; b < m.nT; ++b) {
    m.Ro[b] = rho;
    m.RO_IP[b] = rho / (1.0f - 0.01f * eta);
  }
  for (int i = 0; i < st->nodes.N; ++i) {
    st->nodes.q[i] = 0.0f;
    st->nodes.qIP[i] = 0.0f;
  }
  return st;
}

ScratchDirectory::ScratchDirectory() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  path_ = std::filesystem::temp_directory_path() /
          (std::string("korvis_tests_") + info->test_suite_name() + "_" + info->name());
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
  previous_ = std::filesystem::current_path();
  std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

void ScratchDirectory::write(const std::string& name, const std::string& text) const {
  std::ofstream(path_ / name, std::ios::binary) << text;
}

std::string ScratchDirectory::read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ScratchDirectory::exists(const std::string& name) const {
  return std::filesystem::exists(path_ / name);
}

}  // namespace korvis::testing
