// Reading of the telm model file and of the head of varga.arr, with the
// quantities derived while reading and the capacity checks that keep every
// later table access inside the fixed arrays of the state record.
#include "telm/model_input.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <sstream>

#include "common/array_file.h"
#include "common/array_layout.h"
#include "common/free_format.h"
#include "common/memory_limit.h"
#include "common/shown_value.h"
#include "telm/coded_stop.h"

namespace telm {

namespace {

constexpr float surfaceDepth = 0.001f;
constexpr int magneticArrayKind = 13;  // vertices above this depth lie on the ground surface

// The one report of a value that was read correctly but is out of range.
template <typename T>
[[noreturn]] void reject(const std::string& file, int line, const std::string& expected, T found) {
  throw common::InputError(file + ", line " + std::to_string(line) + ": expected " + expected +
                           ", found " + common::shownValue(found));
}

std::string indexed(const char* name, int i) { return std::string(name) + "(" + std::to_string(i) + ")"; }

void checkCount(const common::RecordReader& in, const char* field, int value, int capacity) {
  if (value < 0 || value > capacity) {
    reject(in.fileName(), in.lineNumber(),
           "0 to " + std::to_string(capacity) + " for " + std::string(field), value);
  }
}

// A count against a limit of the state: the fixed kinds' message, or with
// memory-bounded limits the count, the limit and what to do.
void checkLimit(const common::RecordReader& in, const TelmState& st, const std::string& field, int value, int limit,
                const std::string& advice) {
  if (st.limits.memoryBounded && value > limit) {
    throw common::InputError(in.fileName() + ", line " + std::to_string(in.lineNumber()) + ": " +
                             common::beyondMemory(field, value, limit, st.limits.memory, advice));
  }
  checkCount(in, field.c_str(), value, limit);
}

void checkAtMost(const common::RecordReader& in, const char* field, int value, int capacity) {
  if (value > capacity) {
    reject(in.fileName(), in.lineNumber(), "at most " + std::to_string(capacity) + " for " + std::string(field),
           value);
  }
}

std::string title(common::RecordReader& in, const char* field) {
  std::string text = in.readLine(field);
  text.resize(titleLength, ' ');
  return text;
}

}  // namespace

std::string readModelFileName(const std::string& path) {
  common::RecordReader in(path, "its first line must hold the name of the model file (for example model.dat)");
  std::string name = in.readLine("the model file name");
  if (name.size() > maxNameLength) name.resize(maxNameLength);
  const auto last = name.find_last_not_of(' ');
  name.erase(last == std::string::npos ? 0 : last + 1);
  if (name.empty()) {
    throw common::InputError(path + ", line 1: expected the name of the model file, found an empty line");
  }
  return name;
}

void readModelPart(common::RecordReader& in, TelmState& st, std::ostream& console) {
  const std::string& file = in.fileName();
  console << "\n";
  st.title1 = title(in, "title 1");
  console << (common::FreeRecord(common::FreeStyle::telm) << st.title1).str();
  st.title2 = title(in, "title 2");
  console << (common::FreeRecord(common::FreeStyle::telm) << st.title2).str();

  common::ModelGeometry& g = st.model;
  in.record(g.nT, "nT", g.nP, "nP", st.keyIP, "keyIP", st.dens, "dens", st.keyRun, "keyRun");
  const common::ModelLimits& limits = st.limits;
  checkLimit(in, st, "nT", g.nT, limits.bodies, "use fewer bodies");
  checkLimit(in, st, "nP", g.nP, limits.vertices, "use fewer vertices");
  if (!(st.dens > 0.0f)) reject(file, in.lineNumber(), "a positive dens", st.dens);
  st.makeRoom(g.nT, g.nP, 0);

  for (int i = 0; i < g.nT; ++i) {
    const int body = i + 1;
    in.record(g.Ro[i], indexed("Ro", body), st.eta[i], indexed("eta", body), g.nVer[i], indexed("nVer", body));
    if (!(st.eta[i] < 100.0f)) reject(file, in.lineNumber(), "eta below 100 for " + indexed("eta", body), st.eta[i]);
    checkLimit(in, st, indexed("nVer", body), g.nVer[i], limits.ringVertices,
               "give body " + std::to_string(body) + " fewer vertices");
    g.RO_IP[i] = g.Ro[i] / (st.eta[i] * (-0.01f) + 1.0f);

    g.makeRingRoom(i, g.nVer[i]);
    std::vector<int>& ring = g.vertexRing[i];
    in.beginRecord();
    for (int k = 0; k < g.nVer[i]; ++k) {
      const std::string field = "vertexRing(" + std::to_string(body) + "," + std::to_string(k + 1) + ")";
      in.read(ring[k], field);
      if (ring[k] < 1 || ring[k] > g.nP) {
        reject(file, in.lineNumber(), "a vertex number 1 to " + std::to_string(g.nP) + " for " + field, ring[k]);
      }
    }
    in.endRecord();
    ring[g.nVer[i]] = ring[0];
  }

  int onSurface = 0;
  for (int j = 0; j < g.nP; ++j) {
    in.record(g.xp[j], indexed("xp", j + 1), g.zp[j], indexed("zp", j + 1));
    // Never reached with memory-bounded limits: they allow as many surface
    // vertices as vertices.
    if (g.zp[j] < surfaceDepth && ++onSurface > limits.surface) {
      reject(file, in.lineNumber(),
             "at most " + std::to_string(limits.surface) + " vertices with zp < 0.001", onSurface);
    }
  }
  st.makeRoom(g.nT, g.nP, onSurface);
}

void readSurveySettings(common::RecordReader& in, TelmState& st, std::ostream& console) {
  in.record(st.stationStep, "stationStep", st.firstStation, "firstStation", st.stationCount, "stationCount",
            st.spacingCount, "spacingCount", st.profileDepth, "profileDepth");
  // Negative counts read no values, like 0; there is no upper bound on the
  // stations but the memory their results take (checked with the model).
  checkAtMost(in, "spacingCount", st.spacingCount, common::maxSpacings);
  in.record(st.XA, "XA", st.ZA, "ZA", st.XB, "XB", st.ZB, "ZB");
  in.readList(st.spacingList.data(), st.spacingCount, "spacingList");
  in.readList(st.offsetList.data(), st.spacingCount, "offsetList");
  in.readList(st.mnList.data(), st.spacingCount, "mnList");
  in.record(st.arrayCount, "arrayCount");
  checkAtMost(in, "arrayCount", st.arrayCount, maxArrays);
  in.readList(st.arrayKind.data(), st.arrayCount, "arrayKind");
  const int kindLine = in.lineNumber();
  for (int a = 0; a < st.arrayCount; ++a) {
    const int kind = st.arrayKind[static_cast<std::size_t>(a)];
    if (kind < 1 || kind > magneticArrayKind) {
      throw common::InputError(in.fileName() + ", line " + std::to_string(kindLine) + ": arrayKind(" +
                               std::to_string(a + 1) + ") = " + std::to_string(kind) +
                               " is not an array kind: expected 1 to 13 (the array kinds are listed in the "
                               "user guide)");
    }
  }
  std::array<float, 6> unused{};

  st.firstArrayKind = st.arrayCount > 0 ? st.arrayKind[0] : 0;
  // The outside region of the magnetic-field array takes the body slot after
  // the last body.
  if (st.firstArrayKind == 13 && st.model.nT > common::maxBodies - 1) {
    reject(in.fileName(), kindLine,
           "at most " + std::to_string(common::maxBodies - 1) + " bodies (nT) when arrayKind(1) is 13", st.model.nT);
  }
  in.readList(unused.data(), static_cast<int>(unused.size()), "the closing record");

  st.refineFlag = 0;
  if (st.firstArrayKind == 13) {
    const float pi = 4.0f * std::atan(1.0f);
    const float angle = st.ZA * 0.0055555557f * pi;
    const float strength = st.XA;
    st.XA = strength * std::cos(angle);
    st.ZA = strength * std::sin(angle);
    console << (common::FreeRecord(common::FreeStyle::telm) << "Norm. filed Bx Bz" << st.XA << st.ZA).str();
  }
  for (int a = 0; a < st.arrayCount; ++a) {
    if (st.arrayKind[a] == 12) {
      st.refineFlag = 1;
      st.refAx = st.XA;
      st.refAz = st.ZA;
      st.refBx = st.XB;
      st.refBz = st.ZB;
    }
  }
}

namespace {

void gradeToward(TelmState& st, float x, float depth) {
  if (!(depth > 0.0f)) return;
  for (std::size_t i = 0; i < st.gradeX.size(); ++i) {
    if (st.gradeX[i] == x && st.gradeZ[i] == depth) return;
  }
  st.gradeX.push_back(x);
  st.gradeZ.push_back(depth);
}

// The electrodes below the surface (current electrodes and receivers) of
// every configuration of the kinds that bury them (9, 10, 11, 13, 14, 17,
// 19) grade the mesh toward the interfaces they lie close to: the charges
// of a source, and those a receiver sees most, are concentrated there
// within a few times the electrode's distance, which a mesh sized by depth
// alone misses by far. The spacings that place them follow the two header records;
// a file whose spacings korvis would refuse grades nothing here (korvis
// reports it).
void buriedElectrodes(common::RecordReader& in, common::ArrayFile arr, TelmState& st) {
  constexpr int buriedKinds[] = {9, 10, 11, 13, 14, 17, 19};
  if (std::find(std::begin(buriedKinds), std::end(buriedKinds), arr.keyArr) == std::end(buriedKinds)) return;
  if (arr.nPos < 1 || arr.nPos > common::maxPositions || arr.nSpac < 1 || arr.nSpac > common::maxSpacings) return;
  try {
    in.readList(arr.Spac.data(), arr.nSpac, "Spac");
  } catch (const common::InputError&) {
    return;
  }
  const int spacings = common::evaluatedSpacings(arr);
  for (int p = 1; p <= arr.nPos; ++p) {
    for (int j = 1; j <= spacings; ++j) {
      const common::Configuration c = common::placeElectrodes(arr, p, j).first;
      if (c.XA != common::absentA) gradeToward(st, c.XA, c.ZA);
      if (c.XB != common::absentB) gradeToward(st, c.XB, c.ZB);
      gradeToward(st, c.xr, c.zr);
    }
  }
}

}  // namespace

void readArrayFileHeader(const std::string& path, TelmState& st, std::ostream& console) {
  common::RecordReader in(path,
                          "with keyRun = -1 telm needs the survey file varga.arr before it prepares the mesh "
                          "(korvis reads the same file); write it first or set keyRun to 0");
  common::ArrayFile arr;
  common::readArrayHeader(in, arr);
  if (arr.keyArr < 1 || arr.keyArr > 19) {
    throw common::InputError(in.where("keyArr " + std::to_string(arr.keyArr) +
                                      " is not an array kind: expected 1 to 19 (the array kinds are listed in "
                                      "the user guide)"));
  }
  if (arr.keyArr == 18 && !(arr.dX > 0.0f)) {
    console << (common::FreeRecord(common::FreeStyle::telm) << "  Step must be more then zero").str();
    throw CodedStop{100};
  }
  st.refineFlag = 0;
  if (arr.keyArr == 17 || arr.keyArr == 19) {
    st.refineFlag = 2;
    st.refAx = arr.XA;
    st.refAz = arr.ZA;
    st.refBx = arr.XB;
    st.refBz = arr.ZB;
  }
  buriedElectrodes(in, arr, st);
}

void applyMagneticAdjustment(TelmState& st) {
  if (st.firstArrayKind != 13) return;
  common::ModelGeometry& g = st.model;
  for (int i = 0; i < g.nT; ++i) g.Ro[i] = 1.0f / (g.Ro[i] + 1.0f);
  g.Ro[g.nT] = 1.0f;
  st.M1[g.nT] = 0.0f;
  st.M2[g.nT] = 0.0f;
}

}  // namespace telm
