// Program flow of telm. Every input is read and checked before the first
// result file is written; coded stops and input errors are turned into the
// console messages and the exit status here.
#include "telm/program.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/edit_format.h"
#include "common/ground_surface.h"
#include "common/exit_codes.h"
#include "common/free_format.h"
#include "common/input_text.h"
#include "common/memory_limit.h"
#include "common/mesh_survey.h"
#include "common/model_checks.h"
#include "common/output_file.h"
#include "common/record_reader.h"
#include "common/shown_value.h"
#include "telm/array_kinds.h"
#include "telm/arrays.h"
#include "telm/coded_stop.h"
#include "telm/contrast_fields.h"
#include "telm/relief_mesh.h"
#include "telm/discretisation.h"
#include "telm/exchange_file.h"
#include "common/ground_surface.h"
#include "telm/model_checks.h"
#include "telm/relief_mesh.h"
#include "telm/model_input.h"
#include "telm/qz_export.h"
#include "telm/result_files.h"
#include "telm/survey_electrodes.h"
#include "telm/telm_state.h"

namespace telm {

namespace {

std::string freeRecord(std::string_view text) {
  return (common::FreeRecord(common::FreeStyle::telm) << text).str();
}

constexpr const char* stopLine = "Stop - Program terminated.\n";

// The nodes korvis reads from varga.xy at most.
constexpr int korvisNodeLimit = 4100;

// A survey mesh with more nodes than korvis could solve in the memory there
// is: the message, without the program's name.
struct MeshBeyondMemory {
  std::string message;
};

// The survey mode's node limit, for the electrodes of the survey as both
// current and potential electrodes (korvis's own check counts those its
// data use), and the table sized to it.
void limitNodesByMemory(TelmState& st) {
  const std::size_t electrodes = st.surveyX.size();
  const int limit = common::surveyNodeLimit(st.limits.memory, {st.keyIP != 0 ? 2 : 1, electrodes, electrodes});
  st.limits.nodes = limit;
  st.setNodeCapacity(limit);
}

// After the discretisation of a survey mesh: the count it needs against the
// limit, `what` naming the mesh.
void checkSurveyMesh(const TelmState& st, const std::string& what) {
  if (st.nodesBeyond == 0) return;
  throw MeshBeyondMemory{common::beyondMemory(what, st.nodes.N + st.nodesBeyond, st.limits.nodes, st.limits.memory,
                                              "lower dens in " + st.modelFileName +
                                                  " (the node count grows in proportion to dens), or shorten the "
                                                  "model's interfaces")};
}

// The files this run writes: varga.xy (keyRun = -1; with --survey also the
// record of its survey, varga.xy.survey), XZ.txt (keyRun = 1),
// or the result file of every array kind computed (with AB_MN_pr.txt for
// kind 7 and qz.bin for keyRun = 2).
std::vector<std::string> writtenFiles(const TelmState& st) {
  if (st.keyRun == -1) return {"varga.xy"};
  if (st.keyRun == 1) return {"XZ.txt"};
  std::vector<std::string> names;
  for (int k = 0; k < std::min(st.arrayCount, maxArrays); ++k) {
    const int kind = effectiveKind(st.arrayKind[static_cast<std::size_t>(k)]);
    names.emplace_back(arrayKindInfo(kind).fileName);
    if (kind == 7) names.emplace_back(pseudoSectionFileName);
  }
  if (st.keyRun == 2) names.emplace_back(qzFileName);
  return names;
}

// No file this run writes may be one it reads (a model or survey file of
// that name would be replaced by results), and every one must be
// replaceable, before the work rather than after it.
void checkWrittenFiles(const TelmState& st, const std::string& surveyPath, bool estimateError) {
  std::vector<std::string> names = writtenFiles(st);
  if (!surveyPath.empty()) names.push_back(common::meshSurveyPath("varga.xy"));
  if (estimateError) names.push_back(fineMeshPath);
  for (const std::string& written : names) {
    common::refuseOwnInput(written, st.modelFileName, "the model file",
                           "give the model file another name (and put that name in filename)");
    if (!surveyPath.empty()) {
      common::refuseOwnInput(written, surveyPath, "the survey file", "give the survey file another name");
    }
    common::checkOutputTarget(written);
  }
}

// Beside a survey's mesh, the record of its electrodes (varga.xy.survey).
void writeMeshRecord(const TelmState& st, const std::string& meshPath, const std::string& mesh,
                     const std::string& surveyPath) {
  std::vector<common::SurveyPlace> electrodes;
  for (std::size_t i = 0; i < st.surveyX.size(); ++i) electrodes.push_back({st.surveyX[i], st.surveyZ[i]});
  common::writeFileAtomically(common::meshSurveyPath(meshPath), common::meshSurveyText(mesh, surveyPath, electrodes));
}

// The mesh of --estimate-error: the same rules at fineMeshFactor times dens,
// written before the mesh itself, so that a refined mesh korvis could not
// model stops the run with nothing written.
void writeFineMesh(TelmState& st, std::ostream& console, std::ostream& errors) {
  const float dens = st.dens;
  st.dens = dens * fineMeshFactor;
  discretise(st, console);
  checkSurveyMesh(st, std::string(fineMeshPath) + ": the node count of the refined mesh of --estimate-error (dens " +
                          common::shownValue(st.dens) + ")");
  buildSurfaceLists(st, errors);
  common::writeFileAtomically(fineMeshPath, exchangeFileText(st));
  console << " Refined mesh for the error estimate (dens x2): " << st.nodes.N << " nodes, " << fineMeshPath << "\n";
  st.dens = dens;
}

}  // namespace

int runProgram(std::ostream& console, std::ostream& errors) {
  return runProgram(console, errors, MeshOptions());
}

int runProgram(std::ostream& console, std::ostream& errors, const MeshOptions& options) {
  const std::string& surveyPath = options.surveyPath;
  // The state is large (node table, edge table); it lives on the heap once.
  const auto st = std::make_unique<TelmState>();
  try {
    console << freeRecord("--telm. 2D modelling. Boundary-element DC/IP program (10/02/01)--");
    console << freeRecord(surveyPath.empty() ? "        Maximal number of nodes is 4200"
                                             : "        Maximal number of nodes: as the memory allows");
    console << "\n";
    if (!surveyPath.empty()) st->setLimits(common::surveyLimits(options.memory < 0 ? common::availableMemory() : options.memory));

    st->modelFileName = readModelFileName("filename");
    {
      common::RecordReader model(st->modelFileName,
                                 "the first line of \"filename\" names this model file: "
                                 "correct the name there or create the file");
      readModelPart(model, *st, console);
      if (st->keyRun != -1 && !surveyPath.empty()) {
        throw common::InputError(st->modelFileName + ": expected keyRun -1 (mesh preparation) "
                                 "for telm --survey, found " + std::to_string(st->keyRun));
      }
      st->gradedCorners = options.gradedCorners || !surveyPath.empty();
      if (surveyPath.empty() && st->keyRun == -1) {
        readArrayFileHeader("varga.arr", *st, console);
      } else if (surveyPath.empty()) {
        readSurveySettings(model, *st, console);
      }
      checkWrittenFiles(*st, surveyPath, options.estimateError);
      st->relief = !surveyPath.empty() && (options.mirrorAbove > 0.0f || common::hasRelief(st->model));
      common::Findings findings = checkModel(*st);
      // The survey file is checked against a model that has passed its own
      // checks: the lookups need sound outlines.
      int draped = 0;
      if (!surveyPath.empty() && !common::hasErrors(findings)) {
        std::string problem;
        if (st->relief) common::findGroundSurface(st->model, st->ground, problem);
        const common::Findings survey = useSurveyElectrodes(surveyPath, *st, options.drape, &draped);
        if (!options.depthMesh) st->electrodeReach = surveyElectrodeReach;
        findings.insert(findings.end(), survey.begin(), survey.end());
      }
      if (st->keyRun != -1) {
        const common::Findings survey = checkSurvey(*st);
        findings.insert(findings.end(), survey.begin(), survey.end());
      }
      console << std::flush;
      common::printFindings(findings, "telm", errors);
      if (common::hasErrors(findings)) return common::exitBadInput;
      if (draped > 0) {
        errors << "telm: --drape placed " << draped << " electrode" << (draped == 1 ? "" : "s") << " of "
               << surveyPath << " on the ground surface\n";
      }
      applyMagneticAdjustment(*st);
    }
    if (st->relief) {
      prepareRelief(*st);
      st->mirrorDepth -= options.mirrorAbove;
      st->truncation *= options.truncationScale;
      st->surfaceScale = options.surfaceStepScale;
    }

    if (!surveyPath.empty()) limitNodesByMemory(*st);
    if (options.estimateError) writeFineMesh(*st, console, errors);
    discretise(*st, console);
    if (!surveyPath.empty()) checkSurveyMesh(*st, "the node count of the mesh");
    buildSurfaceLists(*st, errors);

    std::string nameField = st->modelFileName;
    nameField.resize(maxNameLength, ' ');
    console << "\n" << "  " << "  Data file - " << nameField << "\n";

    if (st->keyRun == -1) {
      console << (common::FreeRecord(common::FreeStyle::telm) << " A number of nodes -" << st->nodes.N).str();
      console << std::flush;
      checkContrastFields(*st, !surveyPath.empty(), errors);
      if (surveyPath.empty() && st->nodes.N > korvisNodeLimit) {
        console << std::flush;
        errors << "telm: warning: varga.xy: the mesh has " << st->nodes.N << " nodes, more than the "
               << korvisNodeLimit << " that korvis models, which will refuse it: lower dens in "
               << st->modelFileName << "\n";
      }
      const std::string mesh = writeExchangeFile(*st, "varga.xy", console);
      if (!surveyPath.empty()) writeMeshRecord(*st, "varga.xy", mesh, surveyPath);
      console << stopLine;
      return common::exitNormal;
    }

    console << common::formatLine("(2X,'Number of elements =',I4)", {st->nodes.N});
    if (const int status = computeArrays(*st, console); status != 0) return status;
    console << common::formatLine("(/,2X,' The finish of calculation.')", {});
    console << stopLine;
    return common::exitNormal;
  } catch (const CodedStop& stop) {
    console << "Return code " << stop.code << "\n";
    if (stop.code == common::exitTooManyNodes) {
      console << std::flush;
      errors << "telm: the mesh" << (st->gradedCorners ? " graded toward the corners" : "")
             << " needs more than " << maxNodes << " nodes: lower dens in " << st->modelFileName
             << " (the node count grows in proportion to dens), or shorten the model's interfaces\n";
    }
    return stop.code;
  } catch (const MeshBeyondMemory& e) {
    console << std::flush;
    errors << "telm: " << common::escapedText(e.message) << "\n";
    return common::exitTooManyNodes;
  } catch (const common::InputError& e) {
    errors << "telm: " << common::escapedText(e.what()) << "\n";
    return common::exitBadInput;
  } catch (const common::OutputError& e) {
    errors << "telm: " << common::escapedText(e.what()) << "\n";
    return common::exitOutputFailed;
  } catch (const std::bad_alloc&) {
    // Where the machine's memory is not known beforehand (the survey check).
    console << std::flush;
    errors << "telm: not enough memory for the system and the results of this model and survey\n";
    return EXIT_FAILURE;
  }
}

}  // namespace telm
