// section: SVG pictures of the files that telm and korvis write. It scans a
// folder (or takes the files named), draws every picture each file yields
// and lists the pictures written. Any file that cannot be read is reported
// and skipped; the others are still drawn.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "common/exit_codes.h"
#include "common/output_file.h"
#include "common/record_reader.h"
#include "section/picture.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* usage =
    "Usage: section [-o OUTPUT] [OPTIONS] [FOLDER]\n"
    "       section [-o OUTPUT] [OPTIONS] -f FILE [-f FILE ...]\n"
    "Draws SVG pictures of the result and model files of telm and korvis.\n"
    "\n"
    "  FOLDER            folder to scan (default: the current folder); every file\n"
    "                    found under its usual name gives its pictures\n"
    "  -f, --file FILE   draw only FILE; renamed files are recognised by pattern:\n"
    "                    *.dat (telm arrays; *magn*.dat magnetic), *.xy (model),\n"
    "                    korvis*.txt (korvis log), other *.txt (X R V lists)\n"
    "  -o, --output DIR  write the pictures into DIR, created when missing\n"
    "                    (default: next to each source)\n"
    "  -h, --help        show this text\n"
    "      --version     show the version\n";

constexpr const char* picturesUsage =
    "\n"
    "Pictures: amnb_01.dat ... a_mn_b12.dat -> <name>_rho.svg, <name>_eta.svg;\n"
    "magn13.dat -> magn13.svg; korvis.txt -> korvis_rho_<n>.svg, korvis_eta_<n>.svg,\n"
    "korvis_efield_<n>.svg; A_MN.txt, MN_B.txt, A_MNip.txt, MN_Bip.txt,\n"
    "AB_MN_pr.txt -> <name>.svg; varga.xy (with varga.arr) -> model.svg;\n"
    "survey data (*-data.*) -> <name>_rho.svg, <name>_eta.svg, or with several\n"
    "array classes <name>_<class>_rho.svg ... per class.\n"
    "Each picture written is listed on standard output. Exit status 0; 2 when an\n"
    "input was missing or malformed; 4 when a picture could not be written or two\n"
    "files would give the same picture.\n";

int fail(const std::string& subject, const std::string& message) {
  std::cerr << "section: " << subject << ": " << message << '\n';
  return common::exitBadInput;
}

struct Source {
  std::string path;
  section::InputKind kind;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<Source> sources;
  std::string folder, output;
  bool filesNamed = false;
  section::DrawOptions drawing;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << usage << section::drawOptionsUsage << picturesUsage;
      return common::exitNormal;
    }
    if (arg == "--version") {
      std::cout << common::versionLine("section") << '\n';
      return common::exitNormal;
    }
    if (section::parseDrawOption(arg, drawing)) continue;
    if (arg == "--array") {
      if (i + 1 >= argc) return fail(arg, "expected an array class after it (" + section::arrayClassList() + ")");
      const std::string value = argv[++i];
      drawing.arrayClass = section::arrayClassFromSlug(value);
      if (!drawing.arrayClass) return fail(value, "unknown array class; expected one of " + section::arrayClassList());
      continue;
    }
    if (arg == "-f" || arg == "--file" || arg == "-o" || arg == "--output") {
      if (i + 1 >= argc) return fail(arg, "expected a name after it");
      const std::string value = argv[++i];
      if (arg == "-o" || arg == "--output") {
        output = value;
        continue;
      }
      const auto kind = section::inputKindOf(fs::path(value).filename().string(), false);
      if (kind == section::InputKind::none) {
        return fail(value, "unknown kind of file; expected a telm or korvis result file, korvis.txt or varga.xy");
      }
      sources.push_back({value, kind});
      filesNamed = true;
    } else if (arg.starts_with("-")) {
      return fail(arg, "unknown option; see section --help");
    } else if (folder.empty()) {
      folder = arg;
    } else {
      return fail(arg, "only one folder can be scanned");
    }
  }
  if (filesNamed && !folder.empty()) return fail(folder, "give either a folder or files with -f");

  if (!filesNamed) {
    // The current folder is the default; its files are then named bare.
    const bool here = folder.empty();
    const fs::path scanned = here ? fs::path(".") : fs::path(folder);
    std::error_code ec;
    fs::directory_iterator it(scanned, ec);
    if (ec) return fail(scanned.string(), "cannot open the folder");
    for (; it != fs::directory_iterator(); it.increment(ec)) {
      const auto kind = section::inputKindOf(it->path().filename().string(), true);
      std::error_code typeError;
      if (kind != section::InputKind::none && it->is_regular_file(typeError)) {
        sources.push_back({here ? it->path().filename().string() : it->path().string(), kind});
      }
    }
    if (ec) return fail(scanned.string(), "cannot read the folder");
    if (sources.empty()) return fail(scanned.string(), "no result or model files found");
    std::sort(sources.begin(), sources.end(), [](const Source& a, const Source& b) { return a.path < b.path; });
  }

  if (!output.empty()) {
    std::error_code ec;
    fs::create_directories(output, ec);
    if (ec) {
      std::cerr << "section: " << output << ": cannot create the folder (" << ec.message() << ")\n";
      return common::exitOutputFailed;
    }
  }

  int status = common::exitNormal;
  std::set<std::string> written;
  for (const auto& source : sources) {
    std::vector<section::Picture> pictures;
    try {
      pictures = section::picturesOf(source.path, source.kind, drawing);
    } catch (const common::InputError& e) {
      std::cerr << "section: " << e.what() << '\n';
      status = std::max(status, common::exitBadInput);
      continue;
    }
    const fs::path target = output.empty() ? fs::path(source.path).parent_path() : fs::path(output);
    for (const auto& picture : pictures) {
      const std::string path = (target / picture.name).string();
      // Two sources of the same name (-f a/x.dat -f b/x.dat -o out) must not
      // silently replace each other's picture.
      if (!written.insert(path).second) {
        std::cerr << "section: " << path << ": already drawn from another file; " << source.path << " skipped\n";
        status = common::exitOutputFailed;
        continue;
      }
      try {
        common::writeFileAtomically(path, section::renderPicture(picture));
        std::cout << path << '\n';
      } catch (const common::OutputError& e) {
        std::cerr << "section: " << e.what() << '\n';
        status = common::exitOutputFailed;
      }
    }
  }
  return status;
}
