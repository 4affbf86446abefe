// A checker for the invariants the geometry operations keep: every segment names
// existing nodes (smaller first) and existing side frames; every frame's vertex list is
// closed, names existing nodes and follows segments that border the frame; segments
// meet only at nodes they share; pixel polygons, bounds, regions, areas and volumes
// agree with the vertex lists; the drawing order lists every frame once.
#pragma once

#include <string>
#include <vector>

#include "model/problem.hpp"

namespace kova::testing {

struct InvariantOptions {
    // Frames with an empty vertex list (degenerate frames waiting to be deleted) are
    // allowed.
    bool allowEmptyFrames = false;
    // Consecutive vertices must be joined by a segment with the frame on exactly one
    // side (true for walked outlines).
    bool requireOutlineSegments = true;
    // Nodes on top of each other are allowed (hand-made degenerate drawings).
    bool allowCoincidentNodes = false;
    // Frames whose outline encloses no area are allowed (hand-made flat outlines).
    bool allowFlatFrames = false;
    // Segments may cross or overlap (hand-made drawings that test how commands treat
    // such input).
    bool allowCrossingSegments = false;
};

// One line per violation; empty when the model is consistent.
std::vector<std::string> CheckModelInvariants(const Problem& problem,
                                              const InvariantOptions& options = {});

// The violations joined into one text, for test failure messages.
std::string JoinViolations(const std::vector<std::string>& violations);

// The nodes, segments and frames of a problem as text, for test failure messages.
std::string DescribeModel(const Problem& problem);

}  // namespace kova::testing
