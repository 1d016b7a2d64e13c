// korvis.txt table parsing. The heading positions are fixed 7.1 fields and
// abut when they fill their width, so a line with a blank-separated field that
// is not one number is cut into columns instead. Tables follow one another
// without blank lines; a table ends where the next title begins.
#include "section/korvis_log.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "section/array_layouts.h"
#include "section/svg.h"
#include "section/text_lines.h"

namespace section {

namespace {

bool isTableStart(std::string_view line) {
  const auto t = trim(line);
  return t.starts_with("*****") || t == "Electrical field";
}

bool endsTable(const TextLines& f, std::size_t i) { return i >= f.size() || trim(f[i]).empty() || isTableStart(f[i]); }

// The values from column `start` on: blank-separated, unless a field holds
// two abutting numbers; then the line is cut into fields of `width` columns,
// at most `expected` of them.
std::vector<double> fieldsOf(const TextLines& f, std::size_t i, std::size_t start, std::size_t width,
                             std::size_t expected, std::string_view field, bool finite) {
  const std::string_view line = start < f[i].size() ? std::string_view(f[i]).substr(start) : std::string_view();
  auto tokens = splitFields(line);
  double ignored = 0.0;
  if (!std::all_of(tokens.begin(), tokens.end(), [&](auto t) { return parseNumber(t, ignored); })) {
    tokens.clear();
    for (std::size_t c = 0; c < line.size() && tokens.size() < expected; c += width) {
      const auto token = trim(line.substr(c, width));
      if (!token.empty()) tokens.push_back(token);
    }
  }
  std::vector<double> values;
  for (auto t : tokens) values.push_back(finite ? f.coordinate(i, t, field) : f.number(i, t, field));
  return values;
}

struct Counters {
  int rho = 0, eta = 0, efield = 0;
};

std::string quantityOf(bool ip) { return ip ? "apparent chargeability, %" : "apparent resistivity, ohm-m"; }

// The picture titles: the model title when known, then the program, the
// array and the quantity, then where the table came from.
std::vector<std::string> titlesOf(const std::string& model, int kind, std::string_view part, std::string_view what,
                                  const std::string& source) {
  std::vector<std::string> titles;
  if (!model.empty()) titles.push_back(model);
  titles.push_back("korvis" + (kind > 0 ? ", " + korvisKindName(kind) : std::string()) + std::string(part) + ": " +
                   std::string(what));
  titles.push_back(source);
  return titles;
}

std::string pictureName(const std::string& stem, bool ip, Counters& n) {
  return stem + (ip ? "_eta_" + std::to_string(++n.eta) : "_rho_" + std::to_string(++n.rho)) + ".svg";
}

struct OrdinaryTable {
  std::vector<double> positions, spacings;
  std::vector<std::vector<double>> rows;  // per spacing, one value per position
};

// Heading at line h; returns the table and moves i past it.
OrdinaryTable ordinaryTable(const TextLines& f, std::size_t& i) {
  const std::size_t h = i;
  std::vector<double> positions = fieldsOf(f, h, f[h].find("SPACE") + 8, 7, 10, "position", true);
  for (i = h + 1; i < f.size() && !trim(f[i]).starts_with("--"); ++i) {
    if (isTableStart(f[i])) f.fail(i, "expected the rule under the heading");
    const auto more = fieldsOf(f, i, 0, 7, 10, "position", true);
    positions.insert(positions.end(), more.begin(), more.end());
  }
  if (i >= f.size()) f.fail(i, "end of file, expected the rule under the heading");
  if (positions.empty()) f.fail(h, "expected the positions after SPACE");
  OrdinaryTable t;
  t.positions = positions;
  for (++i; !endsTable(f, i);) {
    const double spacing = f.coordinate(i, trim(std::string_view(f[i]).substr(0, 15)), "spacing");
    t.spacings.push_back(spacing);
    t.rows.emplace_back();
    std::size_t done = 0, start = 15;
    while (done < positions.size()) {
      if (i >= f.size()) f.fail(i, "end of file, expected the values of spacing " + formatLabel(spacing));
      const std::size_t want = std::min<std::size_t>(10, positions.size() - done);
      const auto values = fieldsOf(f, i, start, 10, want, "value", false);
      if (values.size() != want) {
        f.fail(i, "expected " + std::to_string(want) + " values of spacing " + formatLabel(spacing));
      }
      for (double v : values) {
        t.rows.back().push_back(v);
        ++done;
      }
      ++i;
      start = 0;
    }
  }
  return t;
}

// The pseudosection of an ordinary table. With the survey (when its
// positions and spacings agree with the table) every value goes to its
// configuration; cross-hole data go to the midpoint depth and the depth
// difference, gradient arrays to the receiver; without it to the position
// and the spacing.
Pseudosection sectionOf(const OrdinaryTable& t, const std::optional<common::ArrayFile>& survey, bool reverse,
                        bool ip) {
  const int kind = survey ? survey->keyArr : 0;
  const bool known = survey && survey->nPos == static_cast<int>(t.positions.size()) &&
                     ((kind == 17 || kind == 19) ? !t.rows.empty() && t.rows.size() <= 1
                                                 : survey->nSpac == static_cast<int>(t.rows.size()));
  std::vector<Measurement> measurements;
  for (std::size_t j = 0; j < t.rows.size(); ++j) {
    for (std::size_t p = 0; p < t.rows[j].size(); ++p) {
      Measurement m;
      m.x = t.positions[p];
      m.depth = t.spacings[j];
      m.value = t.rows[j][p];
      if (known) {
        const auto c = korvisConfiguration(*survey, static_cast<int>(p) + 1, static_cast<int>(j) + 1, reverse);
        if (kind == 11) {
          m.x = c.m.z - c.a.z;
          m.depth = (c.m.z + c.a.z) / 2;
        } else if (kind == 17 || kind == 19) {
          m.x = c.m.x;
          m.depth = medianDepth(c);
        } else {
          m.known = true;
          m.configuration = c;
        }
      }
      measurements.push_back(m);
    }
  }
  Pseudosection s;
  s.quantity = ip ? chargeabilityCaption : resistivityCaption;
  s.scale = ip ? ScaleKind::linear : ScaleKind::logarithmic;
  if (known && kind == 11) {
    s.depthAxis = DepthAxis::linear;
    placeMeasurements(s, measurements, "receiver depth - source depth, m", "midpoint depth, m");
  } else if (known && (kind == 17 || kind == 19)) {
    placeMeasurements(s, measurements, "x of the receiver, m", "pseudo-depth (median depth of investigation), m");
  } else {
    placeMeasurements(s, measurements, kind >= 9 && kind <= 12 ? "position z, m" : "position, m", "spacing, m");
  }
  return s;
}

// Rows of `columns` values from line i on; moves i past the table.
std::vector<std::vector<double>> rowsOf(const TextLines& f, std::size_t& i, std::size_t columns,
                                        std::string_view what) {
  std::vector<std::vector<double>> rows;
  for (; !endsTable(f, i); ++i) {
    const auto fields = splitFields(f[i]);
    if (fields.size() != columns) f.fail(i, "expected " + std::string(what));
    std::vector<double> row;
    for (std::size_t c = 0; c < columns; ++c) {
      row.push_back(c + 1 < columns ? f.coordinate(i, fields[c], "position") : f.number(i, fields[c], "value"));
    }
    rows.push_back(std::move(row));
  }
  if (rows.empty()) f.fail(i, "expected " + std::string(what));
  return rows;
}

}  // namespace

std::vector<Picture> readKorvisLog(const std::string& path, const std::string& stem) {
  const TextLines f(path);
  const std::filesystem::path where(path);
  const std::string file = where.filename().string();
  const auto survey = readKorvisSurvey((where.parent_path() / "varga.arr").string());
  const int kind = survey ? survey->keyArr : 0;
  const std::string model = modelTitle(where.parent_path().string());
  std::vector<Picture> pictures;
  Counters n;
  int table = 0, ordinary = 0;
  for (std::size_t i = 0; i < f.size();) {
    const auto line = trim(f[i]);
    const std::string source = file + ", table " + std::to_string(table + 1);
    if (line == "Electrical field") {
      ++table;
      i += 2;  // title and the column heading "X Y E_mn"
      const auto rows = rowsOf(f, i, 3, "X, Y and E_mn");
      const bool vertical = std::all_of(rows.begin(), rows.end(), [&](const auto& r) { return r[0] == rows[0][0]; });
      Profile p;
      p.titles = titlesOf(model, kind, "", "electric field along the profile", source);
      p.xLabel = vertical ? "z, m" : "x, m";
      p.yLabel = "E_mn";
      p.series.push_back({"E_mn", {}});
      for (const auto& r : rows) {
        p.x.push_back(vertical ? r[1] : r[0]);
        p.series[0].values.push_back(r[2]);
      }
      pictures.push_back({stem + "_efield_" + std::to_string(++n.efield) + ".svg", std::move(p)});
      continue;
    }
    if (!line.starts_with("*****")) {
      ++i;
      continue;
    }
    const bool ip = line.find("CHARGEABILITY") != std::string_view::npos;
    if (!ip && line.find("RESISTIVITY") == std::string_view::npos) {
      f.fail(i, "expected a table title APP.RESISTIVITY or APP.CHARGEABILITY");
    }
    ++table;
    if (++i >= f.size()) f.fail(i, "end of file, expected the table heading");
    const auto heading = trim(f[i]);
    if (heading.starts_with("SPACE")) {
      // Kind 18 writes the forward and then the reverse table of each pass.
      const bool reverse = kind == 18 && ordinary++ % 2 == 1;
      auto s = sectionOf(ordinaryTable(f, i), survey, reverse, ip);
      s.titles = titlesOf(model, kind, kind == 18 ? (reverse ? ", reverse" : ", forward") : "", quantityOf(ip), source);
      pictures.push_back({pictureName(stem, ip, n), std::move(s)});
    } else if (heading.starts_with("point")) {
      ++i;
      Profile profile;
      profile.titles = titlesOf(model, kind, "", quantityOf(ip), source);
      profile.xLabel = "x of the receiver, m";
      profile.yLabel = quantityOf(ip);
      profile.series.push_back({ip ? "\u03b7a" : "\u03c1a", {}});
      for (const auto& r : rowsOf(f, i, 2, "a position and a value")) {
        profile.x.push_back(r[0]);
        profile.series[0].values.push_back(r[1]);
      }
      pictures.push_back({pictureName(stem, ip, n), std::move(profile)});
    } else {
      f.fail(i, "expected the table heading SPACE or point");
    }
  }
  if (pictures.empty()) f.fail(f.size(), "end of file, expected a result table");
  return pictures;
}

}  // namespace section
