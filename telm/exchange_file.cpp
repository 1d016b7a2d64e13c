// Surface lists and the writer of varga.xy. The free-format records are
// written unbounded (one line however many values) because the reader takes
// each record from a fresh line.
#include "telm/exchange_file.h"

#include "common/edit_format.h"
#include "common/free_format.h"
#include "common/output_file.h"
#include "common/record_reader.h"

namespace telm {

namespace {

constexpr float surfaceDepth = 0.001f;

common::FreeRecord record() { return common::FreeRecord(common::FreeStyle::telmUnbounded); }

}  // namespace

void buildSurfaceLists(TelmState& st, std::ostream& warnings) {
  // With relief the lists are the surface line's (prepareRelief).
  if (st.relief) return;
  common::ModelGeometry& g = st.model;
  // The model reader has already limited the surface vertices to the list's capacity.
  g.nPOnSurface = 0;
  for (int j = 0; j < g.nP; ++j) {
    if (g.zp[j] < surfaceDepth) g.surfaceList[g.nPOnSurface++] = j + 1;
  }
  for (int k = 1; k < g.nPOnSurface; ++k) {
    const int moving = g.surfaceList[k];
    int at = k;
    while (at > 0 && g.xp[g.surfaceList[at - 1] - 1] > g.xp[moving - 1]) {
      g.surfaceList[at] = g.surfaceList[at - 1];
      --at;
    }
    g.surfaceList[at] = moving;
  }

  g.nSurfaceBodies = 0;
  for (int k = 0; k + 1 < g.nPOnSurface; ++k) {
    const int a = g.surfaceList[k];
    const int b = g.surfaceList[k + 1];
    int matches = 0;
    for (int i = 0; i < g.nT; ++i) {
      const auto& ring = g.vertexRing[i];
      for (int m = 0; m < g.nVer[i]; ++m) {
        const int next = m + 1 < g.nVer[i] ? ring[m + 1] : ring[0];
        if (ring[m] != a || next != b) continue;
        if (g.nSurfaceBodies == st.limits.surface) {
          throw common::InputError(st.modelFileName + ": expected at most " + std::to_string(st.limits.surface) +
                                   " bodies along the ground surface, found more (overlapping outlines)");
        }
        g.makeRoom(g.nT, g.nP, g.nSurfaceBodies + 1);
        g.surfaceBodies[static_cast<std::size_t>(g.nSurfaceBodies++)] = i + 1;
        ++matches;
      }
    }
    if (matches != 1) {
      warnings << "telm: warning: surface segment from vertex " << a << " to vertex " << b << " lies under "
               << matches << " bodies; check that the outlines run clockwise\n";
    }
  }
}

std::string exchangeFileText(TelmState& st) {
  common::ModelGeometry& g = st.model;
  std::string text = (record() << g.nP << g.nT << g.nPOnSurface << st.keyIP << " nP,nT, nPOnSurface,keyIP").str();

  common::FreeRecord surface = record();
  for (int k = 0; k < g.nPOnSurface; ++k) surface << g.surfaceList[k];
  text += (surface << " [Surfase]").str();

  // A list-directed record without values is an empty line.
  if (g.nPOnSurface > 1) {
    common::FreeRecord under = record();
    for (int k = 0; k + 1 < g.nPOnSurface; ++k) under << g.surfaceBodies[k];
    text += under.str();
  } else {
    text += "\n";
  }

  for (int i = 0; i < g.nT; ++i) {
    text += (record() << g.Ro[i] << g.RO_IP[i] << g.nVer[i] << " Ro, RO_IP nVer").str();
    auto& ring = g.vertexRing[i];
    ring[g.nVer[i]] = ring[0];
    common::FreeRecord outline = record();
    for (int k = 0; k <= g.nVer[i]; ++k) outline << ring[k];
    text += outline.str();
  }
  for (int j = 0; j < g.nP; ++j) text += (record() << g.xp[j] << g.zp[j] << "  xp, zp").str();

  const auto& n = st.nodes;
  text += (record() << n.N << " N cells").str();
  for (int i = 0; i < n.N; ++i) {
    text += common::formatLine("(F12.5,1X,F12.5,1X,F14.7,4(1X,F14.9),' x z dL xn zn q qIP')",
                               {n.x[i], n.z[i], n.dL[i], n.xn[i], n.zn[i], n.q[i], n.qIP[i]});
  }
  return text;
}

std::string writeExchangeFile(TelmState& st, const std::string& path, std::ostream& console) {
  std::string text = exchangeFileText(st);
  common::writeFileAtomically(path, text);
  console << (common::FreeRecord(common::FreeStyle::telm) << "   The file \"VARga.xy\" is saved").str();
  return text;
}

}  // namespace telm
