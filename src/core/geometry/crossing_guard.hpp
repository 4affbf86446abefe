// The exact guard against crossing segments. The crossing test of new edges works on
// rounded pixels and lets an edge meet a segment near its ends, where commands snap and
// split; and a split moves its node onto the rounded projection, a little off the old
// segment. Either can leave two segments crossing by less than a pixel. Commands test
// what they built on the stored positions and put the model back when it clashes.
#pragma once

#include <vector>

#include "model/problem.hpp"

namespace kova {

// Whether the straight edge between nodes a and b meets a segment other than the one
// joining them anywhere but at a node they share: crossing it, running along it, or
// touching it.
bool EdgeClashes(const Problem& problem, int a, int b);

// Whether any segment ending at one of the nodes clashes as above.
bool ClashAtNodes(const Problem& problem, const std::vector<int>& nodes);

// The nodes, segments and specifications as they are, to put back when a step of a
// command turns out to clash. Frames are not kept: the steps guarded this way change
// no frame. Segments that outlive the step keep their identity (selections and groups
// point at them).
class GeometryCheckpoint {
public:
    explicit GeometryCheckpoint(const Problem& problem);
    void Restore(Problem& problem) const;

private:
    int m_nodeCount;
    std::vector<Node> m_nodes;
    LineList::SavedState m_lines;
    SpecTable m_specs;
};

}  // namespace kova
