// Profile pictures: quantities measured once per station (fixed-electrode
// arrays, gradient and field tables, the magnetic field) drawn as lines over x.
#pragma once

#include <string>
#include <vector>

namespace section {

struct ProfileSeries {
  std::string name;
  std::vector<double> values;  // one per x; NaN breaks the line
};

struct Profile {
  std::vector<std::string> titles;
  std::string xLabel = "x, m";
  std::string yLabel;
  std::vector<double> x;
  std::vector<ProfileSeries> series;
};

std::string renderProfile(const Profile& profile);

}  // namespace section
