#include "section/array_classes.h"

#include <gtest/gtest.h>

namespace section {
namespace {

Electrode at(double x, double z = 0.0) { return {x, z, false}; }
const Electrode remote{};

TEST(ArrayClasses, EachQuadrupoleByItsElectrodePositions) {
  struct Row {
    const char* layout;
    Configuration c;
    ArrayClass expected;
  };
  const Row rows[] = {
      {"dipole-dipole n=3, written B A M N", {at(5), at(0), at(20), at(25)}, ArrayClass::dipoleDipole},
      {"dipole-dipole, dipoles of two lengths", {at(0), at(10), at(20), at(25)}, ArrayClass::dipoleDipole},
      {"dipole-dipole, receiver on the left", {at(20), at(25), at(0), at(5)}, ArrayClass::dipoleDipole},
      {"Wenner beta is dipole-dipole n=1", {at(5), at(0), at(10), at(15)}, ArrayClass::dipoleDipole},
      {"Wenner alpha", {at(0), at(15), at(5), at(10)}, ArrayClass::wenner},
      {"Wenner alpha, reciprocal M A B N", {at(5), at(10), at(0), at(15)}, ArrayClass::wenner},
      {"Wenner alpha, positions rounded to cm", {at(0), at(10), at(3.33), at(6.67)}, ArrayClass::wenner},
      {"Wenner gamma A M B N", {at(0), at(10), at(5), at(15)}, ArrayClass::wennerGamma},
      {"Schlumberger", {at(-30), at(30), at(-2.5), at(2.5)}, ArrayClass::schlumberger},
      {"Schlumberger, MN across the centre off it", {at(-30), at(30), at(0), at(5)}, ArrayClass::gradient},
      {"gradient, MN near B", {at(0), at(155), at(120), at(125)}, ArrayClass::gradient},
      {"pole-dipole, B at infinity", {at(0), remote, at(10), at(15)}, ArrayClass::poleDipole},
      {"pole-dipole, A at infinity", {remote, at(0), at(-10), at(-15)}, ArrayClass::poleDipole},
      {"dipole-pole", {at(0), at(5), at(15), remote}, ArrayClass::dipolePole},
      {"pole-pole", {at(0), remote, remote, at(10)}, ArrayClass::polePole},
      {"borehole: one hole", {at(5, 10), at(5, 20), at(5, 30), at(5, 40)}, ArrayClass::borehole},
      {"borehole pole-dipole from the hole's top", {at(5, 0), remote, at(5, 10), at(5, 15)}, ArrayClass::borehole},
      {"cross-hole pole-pole", {at(-25, 15), remote, at(25, 45), remote}, ArrayClass::crossHole},
      {"surface source, receivers in a hole", {at(-60), at(60), at(25, 40), at(25, 50)}, ArrayClass::crossHole},
      {"two electrodes at one place", {at(0), at(10), at(10), at(15)}, ArrayClass::other},
      {"interleaved, uneven", {at(0), at(12), at(5), at(15)}, ArrayClass::other},
  };
  for (const auto& row : rows) EXPECT_EQ(classifyQuadrupole(row.c, 0.01), row.expected) << row.layout;
  // Within the tolerance an electrode still counts as on the surface.
  EXPECT_EQ(classifyQuadrupole({at(0, 0.005), at(15), at(5), at(10)}, 0.01), ArrayClass::wenner);
}

TEST(ArrayClasses, SlugsReadBackAndUnknownOnesAreRefused) {
  for (const ArrayClass c : allArrayClasses) EXPECT_EQ(arrayClassFromSlug(arrayClassSlug(c)), c) << arrayClassName(c);
  EXPECT_FALSE(arrayClassFromSlug("Wenner"));
  EXPECT_FALSE(arrayClassFromSlug(""));
  EXPECT_EQ(arrayClassList(),
            "dipole-dipole, wenner, wenner-gamma, schlumberger, gradient, pole-dipole, dipole-pole, pole-pole, "
            "borehole, cross-hole, other");
}

}  // namespace
}  // namespace section
