// Program flow of korvis: start-up, input, the model and survey checks, the
// geometry check of the current electrodes, the wavenumber set-up, the
// passes through the driver, and the output of each pass to the log and, for
// the half-Schlumberger kind, to the result files.
#include "korvis/program.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/exit_codes.h"
#include "common/free_format.h"
#include "common/input_text.h"
#include "common/model_checks.h"
#include "common/output_file.h"
#include "common/record_reader.h"
#include "korvis/accurate_driver.h"
#include "korvis/exact_contrasts.h"
#include "korvis/fixed_survey.h"
#include "korvis/input.h"
#include "korvis/log_file.h"
#include "korvis/model_checks.h"
#include "korvis/result_files.h"
#include "korvis/wavenumbers.h"

namespace korvis {

namespace {

constexpr const char* banner =
    "--- korvis - 2.5D DC modelling. Boundary-integral modelling group, 1994-2025 ---";

std::string consoleLine(std::string_view text) {
  return (common::FreeRecord(common::FreeStyle::korvis) << text).str();
}

std::string consoleLine(std::string_view text, int value) {
  return (common::FreeRecord(common::FreeStyle::korvis) << text << value).str();
}

// The near-field quadrature of a right-hand side has no value for a current
// electrode on a node centre; such a survey is rejected before any work.
bool electrodesClearOfNodes(const KorvisState& st, std::ostream& errors) {
  const common::ArrayFile& a = st.arr;
  const int spacings = evaluatedSpacings(a);
  for (int p = 1; p <= a.nPos; ++p) {
    for (int j = 1; j <= spacings; ++j) {
      const Placement pl = placeElectrodes(a, p, j);
      if (pl.solveFlag > 1) continue;
      const Configuration& c = pl.first;
      for (const auto& [name, x, z] : {std::tuple{"A", c.XA, c.ZA}, std::tuple{"B", c.XB, c.ZB}}) {
        int node = 0;
        if (!electrodeOnNode(st, x, z, node)) continue;
        const auto u = static_cast<std::size_t>(node);
        errors << "korvis: varga.arr: position " << p << ", spacing " << j
               << ": current electrode " << name << " at (" << x << ", " << z
               << ") lies on the centre of node " << node + 1 << " of varga.xy ("
               << st.nodes.x[u] << ", " << st.nodes.z[u] << ")\n";
        return false;
      }
    }
  }
  return true;
}

// Position axis of the tables: depths for the borehole kinds 9 to 12.
void positionAxis(const common::ArrayFile& a, float& start, float& step) {
  const bool depths = a.keyArr >= 9 && a.keyArr <= 12;
  start = depths ? a.Z0 : a.X0;
  step = depths ? a.dZ : a.dX;
}

// Fields of a table written as asterisks: runs of seven or more (the
// narrowest value field, F7.1, is seven wide; the titles carry five).
int overflowedFields(const std::string& table) {
  int count = 0;
  std::size_t run = 0;
  for (const char c : table) {
    run = c == '*' ? run + 1 : 0;
    if (run == 7) ++count;
  }
  return count;
}

void writePassOutput(const KorvisState& st, int pass, common::OutputFile& log,
                     std::vector<common::OutputFile>& files, int& overflowed) {
  const auto write = [&](const std::string& table) {
    overflowed += overflowedFields(table);
    log << table;
  };
  const common::ArrayFile& a = st.arr;
  float start = 0.0f, step = 0.0f;
  positionAxis(a, start, step);
  const int flag = pass == 1 ? 0 : 1;
  const float* forward = pass == 1 ? st.ResF.data() : st.DcF.data();
  const float* reverse = pass == 1 ? st.ResR.data() : st.DcR.data();
  if (a.keyArr == 17) {
    write(gradientTable(step, start, a.nPos, forward, flag));
  } else if (a.keyArr == 19 && pass == 1) {
    write(electricFieldTable(a.dX, a.X0, a.dZ, a.Z0, a.nPos, forward));
  } else {
    write(ordinaryTable(step, start, a.nPos, a.Spac.data(), a.nSpac, forward, flag));
  }
  if (a.keyArr != 18) return;
  write(ordinaryTable(step, start, a.nPos, a.Spac.data(), a.nSpac, reverse, flag));
  writeProfileTables(a.dX, a.X0, a.nPos, a.Spac.data(), a.nSpac, forward, reverse, flag, files);
  if (pass == 1) writeRs2Files(a.dX, a.X0, a.nPos, a.nSpac, forward, reverse, files);
}

int run(std::ostream& console, std::ostream& errors, const PassDriver& driver,
        const RunOptions& options) {
  console << consoleLine(banner) << std::flush;
  auto state = std::make_unique<KorvisState>();
  KorvisState& st = *state;
  switch (loadInputs(st, console, errors)) {
    case LoadOutcome::tooManyNodes:
      return common::exitTooManyNodes;
    case LoadOutcome::stepNotPositive:
      return common::exitNormal;
    case LoadOutcome::loaded:
      break;
  }
  {
    common::Findings findings = checkArrayFile(st.arr);
    const common::Findings model = checkModel(st.model, surveyElectrodes(st.arr), largestSpacing(st.arr),
                                              "varga.arr", common::electrodeNamer("position"));
    findings.insert(findings.end(), model.begin(), model.end());
    common::printFindings(findings, "korvis", errors);
    if (common::hasErrors(findings)) return common::exitBadInput;
  }
  if (!electrodesClearOfNodes(st, errors)) return common::exitBadInput;
  // A result file that cannot be replaced stops the run now, not after it.
  for (const std::string& name : resultFileNames(st.arr.keyArr, st.keyIP != 0)) {
    common::checkOutputTarget(name);
  }

  common::OutputFile log(logName);
  std::vector<common::OutputFile> files;
  console << consoleLine(" A number of nodes -", st.nodes.N);

  common::ArrayFile& a = st.arr;
  const float largestSpacing = a.nSpac > 0 ? a.Spac[static_cast<std::size_t>(a.nSpac - 1)] : 0.0f;
  int wavenumbers = 0;
  if (options.accurate) {
    // The survey mode's contrasts, recomputed from the bodies, with its numerics.
    useExactContrasts(st, "varga.xy", errors);
    const TransformRule rule = accurateRule(st);
    wavenumbers = static_cast<int>(rule.ky.size());
    log << accurateWavenumberLine(rule);
  } else {
    setUpWavenumbers(st, largestSpacing);
    wavenumbers = st.nKy;
    log << wavenumberLine(st);
  }
  if (a.keyArr == 17) {
    a.nSpac = 1;
    console << consoleLine("Afix_MN_Bfix gradient array.There are not spacings, only point!");
  } else if (a.keyArr == 19) {
    a.nSpac = 1;
    console << consoleLine("Gradient array. Output is electrical field");
  }
  console << consoleLine("    A number of spatial frequencies nKy = ", wavenumbers) << std::flush;

  int overflowed = 0;
  const PassOutput output = [&](const KorvisState& done, int pass) {
    writePassOutput(done, pass, log, files, overflowed);
  };
  const DriverResult result = options.accurate ? runAccuratePasses(st, console, errors, output)
                                               : driver(st, console, errors, output);
  console << std::flush;
  if (result.pivotRow != 0) {
    errors << "korvis: zero pivot in row " << result.pivotRow
           << " of the system matrix at wavenumber " << result.wavenumber << "\n";
    return common::exitNumerical;
  }
  log.commit();
  for (const common::OutputFile& file : files) file.commit();
  if (overflowed > 0) {
    errors << "korvis: warning: korvis.txt: " << overflowed
           << (overflowed == 1 ? " value is" : " values are")
           << " too large for the table's columns and written as asterisks; divide every resistivity of "
              "the model by a power of ten (the apparent resistivities scale with it) or model the survey "
              "with --survey, whose result file carries 7 significant digits\n";
  }
  return common::exitNormal;
}

}  // namespace

int runProgram(std::ostream& console, std::ostream& errors) {
  return runProgram(console, errors,
                    [](KorvisState& st, std::ostream& out, std::ostream& warnings,
                       const PassOutput& output) { return runPasses(st, out, warnings, output); });
}

int runGuarded(std::ostream& console, std::ostream& errors, const char* memoryWhat,
               const std::function<int()>& body) {
  try {
    return body();
  } catch (const common::InputError& e) {
    console << std::flush;
    errors << "korvis: " << common::escapedText(e.what()) << "\n";
    return common::exitBadInput;
  } catch (const common::OutputError& e) {
    console << std::flush;
    errors << "korvis: " << common::escapedText(e.what()) << "\n";
    return common::exitOutputFailed;
  } catch (const std::bad_alloc&) {
    console << std::flush;
    errors << "korvis: not enough memory for the system of " << memoryWhat << "\n";
    return EXIT_FAILURE;
  }
}

int runProgram(std::ostream& console, std::ostream& errors, const PassDriver& driver,
               const RunOptions& options) {
  return runGuarded(console, errors, "this model", [&] { return run(console, errors, driver, options); });
}

}  // namespace korvis
