// Modelling of a survey of four-electrode measurements by superposition:
// the boundary system of every wavenumber and pass is solved once per
// distinct current electrode (a unit source), the potential of each such
// source is evaluated at every distinct potential electrode, and the
// measurements are combined from those potentials.
//
// Potential of a unit current at A, seen at M:
//   U(M, A) = rhoA/(4 pi) (1/|M - A| + 1/|M - A'|)        closed form
//           + (1/pi) sum_k W_k w1 sum_j sigma_j(A, ky_k) T_j(M, ky_k)
// with rhoA the resistivity at A (the electrode lookups of the fixed kinds),
// A' the image of A in the surface, w1 = Ro(1)/(2 pi), sigma the charge
// densities solved for the unit source, T_j the potential of unit density
// on element j and on its image (elementPotentialTable), and (ky_k, W_k) the
// convergent rule of the inverse transform. Only the secondary part passes
// through the transform, so a model without interfaces gives the half-space
// potentials exactly. The boundary system and its right-hand sides are
// those of the fixed kinds with smoothK1Kernel in place of the table. The
// IP pass repeats this with qIP and RO_IP.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "korvis/element_fields.h"
#include "korvis/korvis_state.h"
#include "korvis/potentials.h"
#include "korvis/quadrature.h"

namespace korvis {

// One measurement: electrode indices (0-based) into the electrode list; -1
// is an electrode at infinity (at most one of A, B and one of M, N). With
// `field` >= 0 the measurement is the field at that field point instead of
// U(M) - U(N) (the limit of a dipole M N shrunk about the point, divided by
// its length); m and n are then not used.
struct Quadrupole {
  int a = -1, b = -1, m = -1, n = -1;
  int field = -1;
};

// Seconds spent per phase, summed over the wavenumbers and passes.
struct SurveyTimes {
  double fill = 0, factor = 0, rhs = 0, substitute = 0, potentials = 0;
};

// Subnormal single-precision entries met by a run (summed over wavenumbers
// and passes) out of all entries scanned: the matrices as filled, their
// factors, the right-hand sides and the solutions. On many processors every
// arithmetic operation on a subnormal takes a slow path.
struct SubnormalCounts {
  std::size_t filled = 0, factors = 0, rhs = 0, solutions = 0;
  std::size_t matrixEntries = 0, vectorEntries = 0;
};

struct SurveySetup {
  int order = 1;                 // quadrature order (convergentRule)
  int threads = 0;               // <= 0: every hardware thread
  SurveyTimes* times = nullptr;  // optional timing
  SubnormalCounts* subnormals = nullptr;  // optional scan (costs a pass over each array)
  // Subnormal numbers taken as zero (float_mode.h) for the whole run: the
  // smooth kernels decay as e^-(ky r) and fill the matrices, factors and
  // vectors of the large wavenumbers with them. Off only to measure them.
  bool flushSubnormals = true;
  // When set, called once per wavenumber k (0-based) in place of the
  // progress lines, with the fill's diagnostic lines and the zero pivot each
  // pass met at k (0: none; -1: the pass had stopped before k, or the model
  // has no IP pass).
  // A run with it also meets every wavenumber when there are no nodes.
  std::function<void(int k, const std::string& diagnostics, const int (&pivot)[2])> progress;
  // The resistivity at each electrode (indexed as the electrode list) for
  // the DC and the IP pass, in place of the lookups when not empty; a
  // negative entry is looked up.
  std::vector<float> electrodeRho[2];
  // Per electrode of the list (empty: strength 1, with its image): the
  // strength of its primary pole, and whether the pole is bare, without its
  // image (an electrode on the ground surface over relief, relief.h).
  std::vector<double> electrodeStrength;
  std::vector<char> electrodeBare;
  // Per node (empty: none): left out of the wavenumber rule (transformDistances).
  std::vector<char> smoothNodes;
};

// Results per measurement, for a current of 1 A: u = U(M) - U(N) in volts
// (so r = u/i = u; the field in V/m for a field measurement), the geometric
// factor k of the homogeneous half-space and rhoa = k*u of the DC pass;
// ip = 100*(rhoaIP - rhoa)/rhoaIP in percent and uIP, u of the IP pass, when
// the model has an IP pass. A zero pivot of the IP pass alone leaves the
// DC values.
struct SurveyValues {
  std::vector<double> k, u, rhoa, ip, uIP;
};

struct SurveyOutcome {
  SurveyValues values;
  TransformRule rule;
  int currentElectrodes = 0, potentialElectrodes = 0;
  // The first zero pivot, in the order the passes meet it; 0 when none.
  int pivotRow = 0, pivotPass = 0, pivotWavenumber = 0;
};

// The geometric factor 1/(G(M,A) - G(N,A) - G(M,B) + G(N,B)),
// G = halfSpacePotential of unit resistivity, terms of electrodes at
// infinity left out; for a field measurement 1/(F(A) - F(B)), F =
// halfSpaceField of unit resistivity at the field point. 0 when the
// denominator vanishes (no measurable apparent resistivity, as for a null
// array).
double geometricFactor(const std::vector<PotentialPoint>& electrodes, const Quadrupole& q,
                       const std::vector<FieldPoint>& fields = {});

// The shortest and longest distances that set the rule: rShort = the
// smallest distance between a used electrode and a node centre; rLong = the
// largest distance between two used electrodes or a used electrode and a
// node centre, the latter counted no further than farReach times the
// largest electrode distance. Without nodes both are the largest electrode
// distance. So the rule follows the electrodes, not the model's width: a
// model twice as wide took five wavenumbers more for the same answer. The
// cap is not the spread itself because charges several spreads away still
// count where an interface runs on below the line: pole-pole data across
// a deep vertical contact were 0.026 % off with rLong the spread, 0.004 %
// with five spreads, 0.003 % with ten.
// Nodes marked in `smooth` (the ground surface over relief, whose charges
// vary on the scale of the distances between electrodes, not of their
// distance from the electrodes standing on it) are left out, and then
// rShort is no more than the smallest distance between two used electrodes.
inline constexpr double farReach = 5.0;
void transformDistances(const common::NodeTable& nodes,
                        const std::vector<PotentialPoint>& used, double& rShort, double& rLong,
                        const std::vector<char>* smooth = nullptr);

// The points that set the rule: the electrodes that the measurements use
// (as current or potential electrodes), then every field point.
std::vector<PotentialPoint> usedPoints(const std::vector<PotentialPoint>& electrodes,
                                       const std::vector<Quadrupole>& data,
                                       const std::vector<FieldPoint>& fields);

// The rule of modelSurvey: convergentRule of the given order over the
// transformDistances of `used` (set to 1 m when they are all one point and
// there are no nodes, where any scale serves).
TransformRule surveyRule(const common::NodeTable& nodes, const std::vector<PotentialPoint>& used,
                         int order, double& rShort, double& rLong, const std::vector<char>* smooth = nullptr);

// Models the survey on the loaded model st (q, Ro for DC; qIP, RO_IP for the
// IP pass when keyIP != 0). Electrodes are in korvis coordinates (z down)
// and already checked (inside the model, clear of node centres); rho at each
// current electrode comes from electrodeResistivities. Progress lines go to
// console. Field measurements take their points from `fields`, every one
// of which counts as used (for the rule's distances).
SurveyOutcome modelSurvey(const KorvisState& st, const std::vector<PotentialPoint>& electrodes,
                          const std::vector<Quadrupole>& data, const SurveySetup& setup,
                          std::ostream& console, const std::vector<FieldPoint>& fields = {});

}  // namespace korvis
