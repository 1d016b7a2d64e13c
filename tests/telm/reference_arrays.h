// Plain reference versions of the telm 2D system and array run, written in
// the literal order of the formulas: the matrix as a double loop over rows
// and columns, the response term by term with the kernel functions, and the
// array run configuration by configuration through evaluateConfiguration,
// rebuilding and refactorising the matrix whenever the run asks for it. The
// fast paths of the product must reproduce these bit for bit.
#pragma once

#include <ostream>
#include <string>

#include "telm/system2d.h"
#include "telm/telm_state.h"

namespace telm::reference {

MatrixReport assembleSystemMatrix(const Nodes& nodes, const ActiveColumns& act, int n, float* a,
                                  int ld, int arrayKind);

float configurationResponse(const Nodes& nodes, int n, const float* chargeDensity, Electrodes& e,
                            const SourceMedium& medium, float rho1, int arrayKind);

// The whole array run; result files go to `directory`. Returns 0 or
// common::exitNumerical after a zero pivot.
int computeArrays(TelmState& st, std::ostream& console, const std::string& directory);

}  // namespace telm::reference
