// The geometry checks on small models: what each shape gives, and the
// tolerance that keeps close but distinct points apart.
#include "common/model_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace common {
namespace {

using Outline = std::vector<int>;

// A model of the given vertices and outlines, every body 100 ohm-m.
ModelGeometry model(const std::vector<std::pair<float, float>>& vertices, const std::vector<Outline>& outlines) {
  ModelGeometry m;
  m.nP = static_cast<int>(vertices.size());
  for (std::size_t v = 0; v < vertices.size(); ++v) {
    m.xp[v] = vertices[v].first;
    m.zp[v] = vertices[v].second;
  }
  m.nT = static_cast<int>(outlines.size());
  for (std::size_t b = 0; b < outlines.size(); ++b) {
    m.Ro[b] = 100.0f;
    m.RO_IP[b] = 100.0f;
    m.nVer[b] = static_cast<int>(outlines[b].size());
    for (std::size_t k = 0; k <= outlines[b].size(); ++k) m.vertexRing[b][k] = outlines[b][k % outlines[b].size()];
  }
  return m;
}

std::string findingsText(const ModelGeometry& m) {
  Findings out;
  checkGeometry(m, "m.dat", "", out);
  std::string text;
  for (const Finding& f : out) text += (f.severity == Severity::error ? "E " : "W ") + f.message + "\n";
  return text;
}

TEST(GeometryChecks, EachShapeGivesItsFinding) {
  // A 100 x 50 box from the surface down (vertices 1-4) and a 10 x 10 square
  // (vertices 5-8) inside it at depth 20.
  const std::vector<std::pair<float, float>> box{{-50, 0}, {50, 0}, {50, 50}, {-50, 50},
                                                 {-5, 20}, {5, 20}, {5, 30}, {-5, 30}};
  const struct {
    const char* what;
    std::vector<std::pair<float, float>> vertices;
    std::vector<Outline> outlines;
    std::string expected;  // part of the text; "" for no finding at all
  } cases[] = {
      {"a box", box, {{1, 2, 3, 4}}, ""},
      {"a body inside another without a hole", box, {{1, 2, 3, 4}, {5, 6, 7, 8}},
       "E m.dat: bodies 1 and 2 overlap: the point (0, 20.01) lies in both"},
      {"the same outline twice", box, {{1, 2, 3, 4}, {1, 2, 3, 4}}, "E m.dat: bodies 1 and 2 overlap"},
      // The host goes round the square through a slit from vertex 1: the
      // slit's sides lie on each other, which is no crossing.
      {"a host with a slit round an inclusion", box, {{1, 2, 3, 4, 1, 5, 8, 7, 6, 5}, {5, 6, 7, 8}}, ""},
      {"a vertex 1 cm beside a side", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {0, 50.01f}, {0, 60}},
       {{1, 2, 3, 4}, {4, 5, 3, 6}}, ""},
      {"a vertex on a side", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {0, 50.0005f}, {0, 60}},
       {{1, 2, 3, 4}, {4, 5, 3, 6}}, "W m.dat: vertex 5 (0, 50.0005), a corner of body 2, lies on the side 3-4"},
      {"a sliver of no area", {{-50, 0}, {50, 0}, {0, 0}}, {{1, 2, 3}}, "encloses no area"},
      {"two vertices", box, {{1, 2}}, "E m.dat: body 1 (outline 1 2) has fewer than 3 vertices"},
      {"the lower layer numbered 1", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {50, 60}, {-50, 60}},
       {{4, 3, 5, 6}, {1, 2, 3, 4}}, "W m.dat: body 1 does not lie under the ground surface (body 2 does)"},
      {"two bodies side by side at the surface", {{-50, 0}, {0, 0}, {50, 0}, {50, 50}, {0, 50}, {-50, 50}},
       {{2, 3, 4, 5}, {1, 2, 5, 6}}, ""},
      {"two outlines along one stretch of surface", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {50, 60}, {-50, 60}},
       {{1, 2, 3, 4}, {1, 2, 5, 6}}, "lies under 2 bodies (1 and 2)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text = findingsText(model(c.vertices, c.outlines));
    EXPECT_EQ(text.empty(), c.expected.empty()) << text;
    EXPECT_NE(text.find(c.expected), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace common
