// Input files and models for the korvis run tests: the text of varga.xy and
// varga.arr for a state (written with nine significant digits, so that every
// float reads back exactly), a three-body model whose surface line and
// polygons leave room for failed electrode lookups, and a scratch working
// directory for runs of the whole program.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "korvis/korvis_state.h"

namespace korvis::testing {

std::string xyText(const KorvisState& st);

// Records 1 and 2, and record 3 unless keyArr is 18.
std::string arrText(const common::ArrayFile& a);

// Left host (body 1, 100 ohm-m) and right host (body 2, 40 ohm-m) split at
// x = 0, 200 m wide each and 100 m deep, and a block (body 3, 5 ohm-m) at
// x in [-10, 10], z in [10, 30]; every body chargeable. The surface line
// has three vertices (x = -200, 0, 200), so surface electrodes beyond 200 m
// and buried ones below 100 m find no body. Nodes: the contact x = 0 (one
// node exactly on the surface, which the matrix diagnostics report) and the
// block outline in elements of about `element` metres.
std::unique_ptr<KorvisState> faultModel(float element);

// The same geometry with every body of resistivity rho and chargeability
// eta percent, and every contrast coefficient 0.
std::unique_ptr<KorvisState> uniformFaultModel(float rho, float eta);

// A fresh directory made the working directory for the lifetime of the
// object; the previous one is restored and the directory removed after.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  void write(const std::string& name, const std::string& text) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_, previous_;
};

}  // namespace korvis::testing
