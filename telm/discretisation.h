// Boundary discretisation: finds the interfaces between bodies of different
// properties (the edge table) and cuts each into straight boundary elements
// (nodes) whose length follows a local scale: small near the ground surface,
// near other interfaces' corners and near fixed electrodes, growing with
// depth, graded geometrically between different sizes. All arithmetic is
// single precision, as the node table stores it.
#pragma once

#include <ostream>
#include <string>

#include "telm/telm_state.h"

namespace telm {

struct Point {
  float x = 0, z = 0;
};

// x**m for an integer m, evaluated by binary powering with a float product at
// every step, the way a single-precision real**integer power is computed.
float powInt(float x, int m);

// Fills edgeTable with every side (s, e) of body i's outline that body k
// (the first other body with a side joining s and e) also has, when the two
// differ: |(Ro(i)-Ro(k))/Ro(i)| >= 1e-4 or |eta(i)-eta(k)| >= 1e-3, or for
// the magnetic-field array (first kind 13) |(Ro(i)-Ro(k))/Ro(i)| >= 1e-7 or
// |M1(i)-M1(k)|, |M2(i)-M2(k)| >= 1e-4. For kind 13 a side of no other body
// is entered with bodyOut = nT+1 when Ro(i) < 0.9999999 or body i is
// magnetised. A side already in the table in either direction is not entered
// again. Returns nEdges. Throws common::InputError naming the model file
// when more than 100 sides would be needed or an interface side has two
// coinciding vertices.
int buildEdgeTable(TelmState& st);

// The survey-sized mesh's electrodeReach: an interface d metres from the
// nearest electrode is sized as if it lay d/2 deep when that is deeper (and
// no deeper than twice its depth). On a shallow site (72 electrodes, a 3 m
// interface 2 km long) the mesh went from 7934 nodes to 2881 at dens 4.
inline constexpr float surveyElectrodeReach = 0.5f;

// Target node length at P on edge e (0-based):
//   h = |0.9 pz| / dens, on a survey-sized mesh (electrodeReach > 0)
//   h = 0.9 max(|pz|, min(electrodeReach dE, 2 |pz|)) / dens, dE the distance to the
//   nearest survey electrode, and the corner rule below d/(3 dens); with refinement h = min(h, dB/dens, dA/dens), the
//   distances to B and A raised to at least 0.05 (refineFlag 3: the same
//   with the distance to every survey electrode); h = min(h, d/dens) for
//   every end vertex of every other edge at distance d > 0.001; h/3
//   (h*0.33333334) when such a vertex lies closer than 0.001 (a junction),
//   h*0.001 at a junction of a graded mesh (gradedCorners).
float stepAt(const TelmState& st, int e, Point p);

// Result of geometricCount: smallest piece a, largest piece b = a*r**m,
// ratio r, and the run has m+1 pieces.
struct GeometricRun {
  float a = 0, b = 0, r = 0;
  int m = 0;
};

// Geometric run from size a up to size b filling length L (a < b, a+b < L),
// with g(r) = ln(((r-1)L + a)/(r a)) / ln(r):
//   r = min((L-a)/(L-b), 1.62); m = int(g(r)); b = a r**m;
//   r = (L-a)/(L-b); m = int(g(r) + 0.5);
//   T = a (r**(m+1) - 1)/(r - 1); a = a L / T; b = a r**m.
GeometricRun geometricCount(float a, float b, float L);

// Appends the nodes of the straight piece S..E of edge e (0-based), sized hs
// at S and he at E (floored at 0.01/dens; shrunk once by a third when
// hs + he >= L): uniform with int(L/hs) pieces when 0.9 he < hs < 1.1 he,
// two pieces when the piece is still too short, otherwise a geometric run
// starting with the larger size at its end. Normal (zE-zS, xS-xE)/L;
// q = 2(Ra-Rb)/((Ra+Rb)R0) with Ra = Ro(bodyOut), Rb = Ro(bodyIn),
// R0 = Ro(1); qIP likewise from Ro/(1 - 0.01 eta), or for the magnetic-field
// array -2 Ra Rb/((Ra+Rb)R0) (Ma - Mb). When the node table would pass 4200
// prints the "ERROR: Nel > =" messages and throws CodedStop{199}.
void splitSegment(TelmState& st, int e, Point s, Point end, float hs, float he, std::ostream& console);

// Builds the edge table and the nodes of every edge in table order: first
// third, last third, middle third, with h = 0.5/dens at a start on the
// surface (z = 0) and 0.2/dens at an end there. On a survey-sized mesh an
// edge is also cut wherever its law has changed by a quarter, sampled every
// half step, so that no piece is sized by its ends alone across a law that
// grows a hundredfold from under the line to the model's ends. With keyRun = 1 writes
// XZ.txt, prints " The file XY.txt is saved" and throws CodedStop{200}.
void discretise(TelmState& st, std::ostream& console);

// The text of the node listing XZ.txt.
std::string nodeListing(const TelmState& st);

}  // namespace telm
