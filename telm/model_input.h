// Input of a telm run: the model-file name from "filename", the model file
// (titles, header, bodies, vertices, survey settings) and the first two
// records of varga.arr. Derives RO_IP, the first array kind, refineFlag with
// its refinement points, the normal magnetic field of the magnetic-field
// array and the body properties that array works with. Every value beyond a
// fixed capacity of the state record is rejected with an InputError naming
// the file, the line and the field, before any result file exists.
#pragma once

#include <ostream>
#include <string>

#include "common/record_reader.h"
#include "telm/telm_state.h"

namespace telm {

inline constexpr int maxNameLength = 128;  // the model-file name field
inline constexpr int titleLength = 75;

// The first line of `path` without its trailing blanks, cut to 128
// characters first.
std::string readModelFileName(const std::string& path);

// Titles, header, bodies and vertices. Prints an empty line and then each
// title as a free-format record. RO_IP(i) = Ro(i) / (eta(i)*(-0.01) + 1.0).
// Stores the closing repeat vertexRing(i, nVer+1) = vertexRing(i, 1).
void readModelPart(common::RecordReader& in, TelmState& st, std::ostream& console);

// The survey settings after the vertices (records 6 to 13). Sets the first
// array kind and refineFlag (1 when any kind is 12). For a first kind of 13
// replaces XA, ZA by the normal field XA*cos(a), XA*sin(a) with
// a = ZA*0.0055555557*pi, pi = 4*atan(1), and prints "Norm. filed Bx Bz".
void readSurveySettings(common::RecordReader& in, TelmState& st, std::ostream& console);

// Records 1 and 2 of the array file. refineFlag = 2 with A, B of record 2
// for kinds 17 and 19, else 0. Kind 18 with dX <= 0 prints
// "  Step must be more then zero" and throws CodedStop{100}.
void readArrayFileHeader(const std::string& path, TelmState& st, std::ostream& console);

// For a first array kind of 13: Ro(i) = 1/(Ro(i) + 1.0) for the bodies, and
// the outside region nT+1 gets Ro = 1.0 and no magnetisation.
void applyMagneticAdjustment(TelmState& st);

}  // namespace telm
