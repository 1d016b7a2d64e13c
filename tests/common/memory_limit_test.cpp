// The survey mode's memory-bounded limits: the node limit is the largest N
// whose solve fits (one byte less loses a node), the unknown memory falls
// back to korvis's fixed limit, and the refusal text names count, limit,
// memory and what to do.
#include "common/memory_limit.h"

#include <gtest/gtest.h>

namespace common {
namespace {

constexpr double fieldStore = 32.0 * 1024 * 1024;

TEST(SurveyNodeLimit, LargestNodeCountWhoseSolveFits) {
  struct Case {
    double available;
    SolveShape shape;
    int limit;
  };
  const Case cases[] = {
      {fieldStore + 4.0 * 100 * 100, {1, 0, 0}, 100},
      {fieldStore + 4.0 * 100 * 100 - 1, {1, 0, 0}, 99},
      {fieldStore + 8.0 * 100 * 100, {2, 0, 0}, 100},
      {fieldStore + 4.0 * 100 * 100, {2, 0, 0}, 70},
      // 8 N bytes for each current and each potential electrode.
      {fieldStore + 4.0 * 100 * 100 + 8.0 * 100 * 30, {1, 10, 20}, 100},
      {fieldStore + 4.0 * 100 * 100 + 8.0 * 100 * 30 - 1, {1, 10, 20}, 99},
      {fieldStore, {1, 0, 0}, 0},
      {fieldStore / 2, {1, 0, 0}, 0},
      {0, {1, 0, 0}, 4100},
      {-1, {2, 5, 5}, 4100},
      // 24 GB, two passes, 48 electrodes both ways: about 54 thousand nodes.
      {24e9, {2, 48, 48}, 54685},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(surveyNodeLimit(c.available, c.shape), c.limit) << c.available << " bytes, " << c.shape.passes;
  }
}

TEST(SurveyNodeLimit, LimitsOfTheModelFollowOnePassWithoutElectrodes) {
  const ModelLimits limits = surveyLimits(fieldStore + 4.0 * 250 * 250);
  EXPECT_TRUE(limits.memoryBounded);
  for (int value : {limits.bodies, limits.vertices, limits.ringVertices, limits.surface, limits.nodes}) {
    EXPECT_EQ(value, 250);
  }
  const ModelLimits fixed;
  EXPECT_FALSE(fixed.memoryBounded);
  EXPECT_EQ(fixed.bodies, 50);
  EXPECT_EQ(fixed.vertices, 100);
  EXPECT_EQ(fixed.ringVertices, 40);
  EXPECT_EQ(fixed.surface, 50);
}

TEST(BeyondMemory, SaysCountLimitMemoryAndWhatToDo) {
  struct Case {
    double available;
    const char* text;
  };
  const Case cases[] = {
      {33714432, "nP is 240, more than the 200 that the memory of this machine allows (34 MB available; a survey "
                 "solve takes 4 N^2 bytes a pass, with an IP pass two): use fewer vertices"},
      {21.94e9, "nP is 240, more than the 200 that the memory of this machine allows (21.9 GB available; a survey "
                "solve takes 4 N^2 bytes a pass, with an IP pass two): use fewer vertices"},
      {0, "nP is 240, more than the 200 that korvis takes when the memory of this machine cannot be read: use "
          "fewer vertices"},
  };
  for (const Case& c : cases) EXPECT_EQ(beyondMemory("nP", 240, 200, c.available, "use fewer vertices"), c.text);
}

}  // namespace
}  // namespace common
