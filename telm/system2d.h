// The 2D boundary-element system of telm for line sources under a flat
// ground surface (z = 0, z downwards), which is handled by mirror images
// (x, z) -> (x, -z): the logarithmic potential and normal-field kernels,
// their near-field quadrature over an element, the system matrix, the body
// at each current electrode, the right-hand side of one electrode set, the
// apparent resistivity (or, for the magnetic-field array, the secondary
// field) of a solved configuration, and the literal one-configuration
// sequence that the array driver's batched path reproduces. Everything is
// single precision in the order the formulas below are written; kernels
// never throw and make no checks beyond the ones stated.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "telm/telm_state.h"

namespace telm {

using Nodes = common::NodeTable;

inline constexpr float inverseTwoPi = 0.15915492f;  // 1/(2 pi)
inline constexpr float nearFactor = 0.705f;  // an element is "near" when dL > 0.705 * distance
inline constexpr float remoteX = 100000.0f;  // A at -remoteX or B at +remoteX stands at infinity
inline constexpr int magneticKind = 13;

// Current electrodes A (+1) and B (-1) and receivers M and N. In the
// magnetic-field array the A slots hold the normal field (Bx, Bz) and the
// N slots receive the secondary field (Hx, Hz).
struct Electrodes {
  float XA = 0, ZA = 0, XB = 0, ZB = 0;
  float xM = 0, zM = 0, xN = 0, zN = 0;
};

// The medium at the current electrodes: resistivity and body (1-based).
struct SourceMedium {
  float rhoA = 0, rhoB = 0;
  int bodyA = 1, bodyB = 1;
};

// The columns a pass works with: q and Ro (DC) or qIP and RO_IP (IP).
struct ActiveColumns {
  const float* coef = nullptr;  // one per node
  const float* rho = nullptr;   // one per body, body 1 first
};

// Spacings after the first keep the charges of spacing 1 for these kinds:
// their current electrodes do not move with the spacing.
bool sourcesFixedOverSpacings(int arrayKind);

// -ln|P-Q| * strength * c
float lineSourcePotential(float xP, float zP, float xQ, float zQ, float strength, float c);

// c * strength * ((xP-xQ) nx + (zP-zQ) nz) / |P-Q|^2 (no guard for P = Q).
float normalFieldKernel(float xP, float zP, float xQ, float zQ, float nx, float nz, float strength,
                        float c);

// Number of quadrature pieces for an element of length L seen from distance
// r: 4 * int(L / (0.7 r)). A point (almost) on the element centre would need
// an unbounded count; the count is capped at 4 * 250000.
int nearFieldPieces(float L, float r);

// Sum over the m = nearFieldPieces(L, |P-Q|) pieces of the element of length
// L centred at Q with normal (ex, ez) of normalFieldKernel(P, S_k, (nx, nz),
// density*L/m, c), where S_k = S0 + (k-0.5)(hx, hz), S0 = (xQ + L ez/2,
// zQ - L ex/2), hx = sgn(xQ - xS0)|L ez|/m, hz = sgn(zQ - zS0)|L ex|/m.
// Zero when |(P-Q).(nx, nz)| < 1e-10 or |density| < 1e-10.
float elementFieldIntegral(float xP, float zP, float xQ, float zQ, float L, float nx, float nz,
                           float ex, float ez, float density, float c);

// The same quadrature of lineSourcePotential(P, S_k, density*L/m, c).
// Zero when |density| < 1e-10.
float elementPotentialIntegral(float xP, float zP, float xQ, float zQ, float L, float ex, float ez,
                               float density, float c);

// Sums of normalFieldKernel(S_k, S, n_i, 1, c) (direct) and of the same with
// the image S' (image) over the m piece midpoints S_k of node i's own
// element (first end and step as in elementFieldIntegral). i is 0-based.
void receiverElementAverage(const Nodes& nodes, int i, float xS, float zS, float xSImage,
                            float zSImage, int m, float c, float& direct, float& image);

// A pair of nodes whose centres coincide and lie on the surface (both
// 0.705-scaled distances, direct d and image dImage, at most 1e-5).
struct CoincidentPair {
  int i = 0, j = 0;  // 1-based
  float xi = 0, zi = 0, xj = 0, zj = 0, d = 0, dImage = 0;
};

// What building the matrix reports: near-field pairs and coincident pairs
// (in row-major order).
struct MatrixReport {
  int nearCount = 0;
  std::vector<CoincidentPair> coincident;
};

// Fills a (column-major, leading dimension ld) with, for receiver i and
// source element j (c = rho(1)/(2 pi), k_i = coef(i), P'_j = (x_j, -z_j)):
//   A_ij = -k_i (T + T'),  A_ii = 1 - k_i T',
// T the field of element j at P_i along n_i: elementFieldIntegral when
// dL_j > 0.705|P_i - P_j|, else normalFieldKernel(P_i, P_j, n_i, dL_j, c);
// T' the same for the image element (normal (xn_j, -zn_j)) with 0.705|P_i - P'_j|,
// on the diagonal integrated when z_i + z_j < dL_j. For the magnetic-field
// array T' = 0. Pairs integrated at least once are counted. Columns are
// spread over `threads` (<= 0: every core); the result does not depend on it.
MatrixReport assembleSystemMatrix(const Nodes& nodes, const ActiveColumns& act, int n, float* a,
                                  int ld, int arrayKind, int threads);

// Console lines after a matrix build, share = nearCount / (n n) * 100 (0 for
// n = 0): "(/,2X,'Matrix have been calculated',/,2X,'Large elements -',F6.2,'% of total')".
std::string matrixSummary(const MatrixReport& report, int n);

// The records of the coincident pairs, for the result file open at the time:
// "(/,2X,'I,J,XI,ZI,XJ,ZJ,R1,RO:',3X,2I4,6E12.4)" each.
std::string coincidentRecords(const MatrixReport& report);

// Body (1-based) under the surface point x: surfaceBodies(k) for the first
// segment k with X_k <= x <= X_k+1 of the sorted surface vertices; body 1
// when none contains x.
int surfaceBodyAt(const common::ModelGeometry& model, float x);

// Body (1-based) containing (x, z) by the angle its outline subtends, summed
// over the bodies in order without reset (pi = 3.141593): the first body
// after which the sum exceeds 6.0; 0 when there is none.
int enclosingBody(const common::ModelGeometry& model, float x, float z);

// enclosingBody, with body 1 when there is none.
int bodyContaining(const common::ModelGeometry& model, float x, float z);

// Resistivity and body at A and B. B at z = 400 with A at z = 0: B in the
// last body, A by surfaceBodyAt. Otherwise each by itself: remote (A at
// x = -100000, B at +100000) and surface points of a model with at most two
// surface vertices in body 1, other surface points (z = 0) by
// surfaceBodyAt, buried points by bodyContaining.
SourceMedium sourceBodyLookup(const common::ModelGeometry& model, const float* rho,
                              const Electrodes& e);

// b_i = k_i (FA + FA' - FB - FB') with FS = normalFieldKernel(P_i, S, n_i, 1, cS),
// cS = rhoS/(2 pi), S' the image of S; when dL_i > 0.705|P_i - S| both FS
// and FS' are averages over mS = int(1.5 dL_i/|P_i - S|) points of element i.
// Magnetic-field array: b_i = (Bx xn_i + Bz zn_i) k_i + qIP_i with (Bx, Bz)
// in the A slots.
void buildRightHandSide(const Nodes& nodes, const float* coef, const Electrodes& e,
                        const SourceMedium& medium, int arrayKind, float* b);

// The primary part of the response below, from the current electrodes and
// the medium at them: dA = UA(M) - UA(N), dB likewise, dP = dA - dB,
// dK = dA/rhoA - dB/rhoB.
struct PrimaryPart {
  float dP = 0, dK = 0;
};
PrimaryPart primaryPart(const Electrodes& e, const SourceMedium& medium);

// Apparent resistivity (dP + dS)/dK of a solved configuration:
//   UA(P) = lineSourcePotential(P, A, 1, cA) + lineSourcePotential(P, A', 1, cA),
//   dA = UA(M) - UA(N), likewise dB; dP = dA - dB; dK = dA/rhoA - dB/rhoB;
//   dS = sum_i [G(M,P_i) + G(M,P'_i) - G(N,P_i) - G(N,P'_i)],
//   G(R, S) = lineSourcePotential(R, S, sigma_i dL_i, rho1/(2 pi)), integrated
//   over the element when 0.705|R - S| < dL_i.
// Magnetic-field array: returns 0 and puts into (xN, zN) the sums over the
// nodes of normalFieldKernel(M, P_i, (1,0) and (0,1), sigma_i dL_i, rho1/(2 pi)).
float configurationResponse(const Nodes& nodes, int n, const float* chargeDensity, Electrodes& e,
                            const SourceMedium& medium, float rho1, int arrayKind);

// Matrix, factors and vectors of the one-configuration sequence.
struct SystemWorkspace {
  int n = 0;
  std::vector<float> a;
  std::vector<int> pivot;
  std::vector<float> rhs, chargeDensity;
  SourceMedium medium;
  explicit SystemWorkspace(int nodeCount);
};

// One station and spacing: unless the sources are fixed over spacings and
// spacingIndex > 1, looks up the source medium (not for the magnetic-field
// array), builds the right-hand side and solves (mode 1: factorise first;
// mode 2: the factors in ws are current); then the response; then, when
// st.keyRun = 2, exports the configuration to qz.bin in `directory` (which
// may throw common::OutputError). Returns 0, or the 1-based step of a zero
// pivot (nothing else done then).
int evaluateConfiguration(TelmState& st, SystemWorkspace& ws, const ActiveColumns& act,
                          Electrodes& e, int spacingIndex, int arrayKind, int mode,
                          const std::string& directory, std::ostream& console, float& response);

}  // namespace telm
