// An independent check that the segments of a problem divide its distributed frames
// into a valid triangulation: no two segments cross or overlap and no node lies inside a
// segment; the triangles (three segments enclosing no node) of each distributed frame
// cover exactly its area, none is degenerate and no two overlap; every segment has as
// many triangles as it has distributed sides. Works on the exact node positions.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/problem.hpp"

namespace kova::testing {

struct FoundTriangle {
    std::array<int, 3> nodes{};  // ascending
    int frame = 0;
    Real area = 0;
};

struct TriangulationReport {
    std::vector<std::string> violations;
    std::vector<FoundTriangle> triangles;  // those in distributed frames
    Real smallestAngleDegrees = 180;       // over those triangles
    bool Valid() const { return violations.empty(); }
};

// Triangles are checked for the frames listed (all distributed frames when empty);
// segment crossings are checked everywhere.
TriangulationReport CheckTriangulation(const Problem& problem, const std::vector<int>& frames = {});

// The exact net area of frame f in square drawing pixels: its outline polygon less the
// outlines of the frames that are islands in it.
Real NetPixelArea(const Problem& problem, int f);

// Runs the solver's element builder and lists how its elements differ from the report's
// triangles (as node triples with frames); empty when they agree.
std::vector<std::string> CompareWithElementBuilder(Problem& problem,
                                                   const TriangulationReport& report);

// Number of element lines (segments with the same frame on both sides) in frame f.
int ElementLinesIn(const Problem& problem, int f);

}  // namespace kova::testing
