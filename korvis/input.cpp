// Reading of varga.xy and varga.arr into the korvis state record. The file
// layouts are the exchange format written by telm and the shared array file;
// the reader follows them record by record and checks every count and every
// vertex or body number it will later use as an index.
#include "korvis/input.h"

#include <string>
#include <string_view>

#include "common/free_format.h"
#include "common/memory_limit.h"
#include "common/record_reader.h"

namespace korvis {

namespace {

using common::InputError;
using common::RecordReader;

std::string indexed(std::string_view field, int i) {
  return std::string(field) + "(" + std::to_string(i) + ")";
}

// The value just read must lie in [low, high]; otherwise the run stops with a
// message naming the file, the line and the field.
void requireRange(const RecordReader& in, int value, int low, int high, std::string_view field) {
  if (value >= low && value <= high) return;
  throw InputError(in.where("expected " + std::string(field) + " from " + std::to_string(low) +
                            " to " + std::to_string(high) + ", found " + std::to_string(value)));
}

// A count against a limit of the state: the fixed kinds' range message, or
// with memory-bounded limits the count, the limit and what to do.
void requireLimit(const RecordReader& in, const common::ModelLimits& limits, int value, int high,
                  std::string_view field) {
  if (limits.memoryBounded && value > high) {
    throw InputError(in.where(common::beyondMemory(std::string(field), value, high, limits.memory,
                                                   "prepare the mesh from a simpler model (fewer bodies and "
                                                   "vertices)")));
  }
  requireRange(in, value, 0, high, field);
}

void requireAtLeast(const RecordReader& in, int value, int low, std::string_view field) {
  if (value >= low) return;
  throw InputError(in.where("expected " + std::string(field) + " of at least " +
                            std::to_string(low) + ", found " + std::to_string(value)));
}

// A record of `count` vertex or body numbers, each checked as it is read so
// that the message names the line it stands on.
void readNumbers(RecordReader& in, int* values, int count, int high, std::string_view field) {
  in.beginRecord();
  for (int i = 0; i < count; ++i) {
    const std::string name = indexed(field, i + 1);
    in.read(values[i], name);
    requireRange(in, values[i], 1, high, name);
  }
  in.endRecord();
}

void warnUnsortedSurface(const common::ModelGeometry& m, const std::string& file,
                         std::ostream& warnings) {
  for (int k = 0; k + 1 < m.nPOnSurface; ++k) {
    const float left = m.xp[static_cast<std::size_t>(m.surfaceList[k] - 1)];
    const float right = m.xp[static_cast<std::size_t>(m.surfaceList[k + 1] - 1)];
    if (left > right) {
      warnings << "korvis: warning: " << file << ": the surface vertices are not in increasing x"
               << " (entries " << k + 1 << " and " << k + 2
               << "); an electrode on the surface may take the wrong body\n";
      return;
    }
  }
}

LoadOutcome readGeometry(KorvisState& st, std::ostream& console, std::ostream& warnings,
                         const std::string& path) {
  RecordReader in(path, "telm makes it from the model file when run with keyRun = -1: run telm first");
  common::ModelGeometry& m = st.model;

  const common::ModelLimits& limits = st.limits;
  in.beginRecord();
  in.read(m.nP, "nP");
  requireLimit(in, limits, m.nP, limits.vertices, "nP");
  in.read(m.nT, "nT");
  requireLimit(in, limits, m.nT, limits.bodies, "nT");
  in.read(m.nPOnSurface, "nPOnSurface");
  requireLimit(in, limits, m.nPOnSurface, limits.surface, "nPOnSurface");
  in.read(st.keyIP, "keyIP");
  in.endRecord();
  m.makeRoom(m.nT, m.nP, m.nPOnSurface);

  readNumbers(in, m.surfaceList.data(), m.nPOnSurface, m.nP, "surfaceList");
  m.nSurfaceBodies = m.nPOnSurface > 1 ? m.nPOnSurface - 1 : 0;
  readNumbers(in, m.surfaceBodies.data(), m.nSurfaceBodies, m.nT, "surfaceBodies");

  for (int i = 0; i < m.nT; ++i) {
    const auto b = static_cast<std::size_t>(i);
    in.beginRecord();
    in.read(m.Ro[b], indexed("Ro", i + 1));
    in.read(m.RO_IP[b], indexed("RO_IP", i + 1));
    in.read(m.nVer[b], indexed("nVer", i + 1));
    requireLimit(in, limits, m.nVer[b], limits.ringVertices, indexed("nVer", i + 1));
    in.endRecord();
    m.makeRingRoom(i, m.nVer[b]);
    readNumbers(in, m.vertexRing[b].data(), m.nVer[b] + 1, m.nP, "vertexRing");
  }

  for (int i = 0; i < m.nP; ++i) {
    const auto v = static_cast<std::size_t>(i);
    in.record(m.xp[v], indexed("xp", i + 1), m.zp[v], indexed("zp", i + 1));
  }

  auto& nodes = st.nodes;
  in.beginRecord();
  in.read(nodes.N, "N");
  requireAtLeast(in, nodes.N, 0, "N");
  in.endRecord();
  if (limits.memoryBounded && nodes.N > limits.nodes) {
    console << std::flush;
    warnings << "korvis: " << path << ": "
             << common::beyondMemory("the node count of the mesh", nodes.N, limits.nodes, limits.memory,
                                     "prepare it again with a lower dens in the model file (the node count grows "
                                     "in proportion to dens), or with shorter interfaces (a narrower model)")
             << "\n";
    return LoadOutcome::tooManyNodes;
  }
  if (limits.memoryBounded && nodes.N > nodes.capacity) nodes.setCapacity(nodes.N);
  if (!limits.memoryBounded && nodes.N > maxNodes) {
    // The limit is checked before any node line is read.
    console << (common::FreeRecord(common::FreeStyle::korvis)
                << "  Error! The maximal number of nodes in this model is 4100")
                   .str();
    console << (common::FreeRecord(common::FreeStyle::korvis) << "199").str() << std::flush;
    warnings << "korvis: " << path << ": the mesh has " << nodes.N << " nodes, more than the " << maxNodes
             << " that korvis models: prepare it again with a lower dens in the model file (the node count "
                "grows in proportion to dens), or with shorter interfaces (a narrower model)\n";
    return LoadOutcome::tooManyNodes;
  }
  for (int i = 0; i < nodes.N; ++i) {
    const auto n = static_cast<std::size_t>(i);
    in.record(nodes.x[n], indexed("x", i + 1), nodes.z[n], indexed("z", i + 1), nodes.dL[n],
              indexed("dL", i + 1), nodes.xn[n], indexed("xn", i + 1), nodes.zn[n],
              indexed("zn", i + 1), nodes.q[n], indexed("q", i + 1), nodes.qIP[n],
              indexed("qIP", i + 1));
  }

  warnUnsortedSurface(m, in.fileName(), warnings);
  return LoadOutcome::loaded;
}

LoadOutcome readArray(KorvisState& st, std::ostream& console, const std::string& path) {
  RecordReader in(path, "it describes the survey (profile, electrodes, keyArr, spacings): write it first");
  common::ArrayFile& a = st.arr;
  // The two header records are read value by value (not as a whole) so that
  // a count out of range is reported with the line it stands on.
  in.beginRecord();
  in.read(a.dX, "dX");
  in.read(a.dZ, "dZ");
  in.read(a.X0, "X0");
  in.read(a.Z0, "Z0");
  in.read(a.nPos, "nPos");
  requireRange(in, a.nPos, 0, common::maxPositions, "nPos");
  in.read(a.nSpac, "nSpac");
  requireRange(in, a.nSpac, 0, common::maxSpacings, "nSpac");
  in.endRecord();
  in.record(a.XA, "XA", a.ZA, "ZA", a.XB, "XB", a.ZB, "ZB", a.XMN, "XMN", a.keyArr, "keyArr",
            a.iDir, "iDir");
  if (a.keyArr < 1 || a.keyArr > 19) {
    throw InputError(in.where("keyArr " + std::to_string(a.keyArr) +
                              " is not an array kind: expected 1 to 19 (the array kinds are listed in the "
                              "user guide)"));
  }
  if (a.keyArr == 17 || a.keyArr == 19) {
    // These kinds measure along the profile direction and take the range of
    // wavenumbers from the spacings, so both must exist.
    if (a.dX == 0.0f && a.dZ == 0.0f) {
      throw InputError(in.where("expected dX or dZ other than 0 for the profile direction of keyArr " +
                                std::to_string(a.keyArr)));
    }
    if (a.nSpac < 1) {
      throw InputError(in.where("expected at least one spacing for keyArr " +
                                std::to_string(a.keyArr) + ", found nSpac " +
                                std::to_string(a.nSpac)));
    }
  }

  if (a.keyArr == 18) {
    for (int i = 1; i <= a.nSpac; ++i) {
      a.Spac[static_cast<std::size_t>(i - 1)] = (static_cast<float>(i) + 0.5f) * a.dX;
    }
    a.iDir = 0;
    a.Z0 = 0.0f;
    if (!(a.dX > 0.0f)) {
      console << (common::FreeRecord(common::FreeStyle::korvis) << "  Step must be more then zero").str();
      return LoadOutcome::stepNotPositive;
    }
    return LoadOutcome::loaded;
  }
  in.readList(a.Spac.data(), a.nSpac, "Spac");
  return LoadOutcome::loaded;
}

}  // namespace

LoadOutcome loadInputs(KorvisState& st, std::ostream& console, std::ostream& warnings,
                       const std::string& xyPath, const std::string& arrPath) {
  const LoadOutcome geometry = readGeometry(st, console, warnings, xyPath);
  if (geometry != LoadOutcome::loaded) return geometry;
  return readArray(st, console, arrPath);
}

LoadOutcome loadGeometry(KorvisState& st, std::ostream& console, std::ostream& warnings,
                         const std::string& xyPath) {
  return readGeometry(st, console, warnings, xyPath);
}

}  // namespace korvis
