// A small real problem for the dialog tests: two rectangles side by side sharing an
// edge, the left one with an element line across it, in a chosen subject.
#pragma once

#include <string>

#include "model/problem.hpp"
#include "support/problem_builders.hpp"
#include "units/unit_labels.hpp"

namespace kova::test {

struct TwoFrames {
    int left = 0, right = 0;
    LineSegment* shared = nullptr;       // the edge between the frames
    LineSegment* outer = nullptr;        // the left frame's left edge, on the exterior
    LineSegment* elementLine = nullptr;  // across the left frame
};

inline LineSegment* FindSegment(Problem& p, int a, int b) {
    for (LineSegment& s : p.lines)
        if ((s.node1 == a && s.node2 == b) || (s.node1 == b && s.node2 == a)) return &s;
    return nullptr;
}

// Nodes 1..6 along the corners (0,0) (100,0) (200,0) (200,100) (100,100) (0,100) in
// drawing pixels, then 7, 8 midway on the left frame's top and bottom edges.
inline TwoFrames BuildTwoFrames(Problem& p, ProbTypeA subject, RecordingReporter& reporter) {
    p.SetReporter(&reporter);
    SetSubjectLabels(p, subject, true);
    for (auto [x, y] : {std::pair{0, 0},
                        {100, 0},
                        {200, 0},
                        {200, 100},
                        {100, 100},
                        {0, 100},
                        {50, 0},
                        {50, 100}})
        AddTestNode(p, x, y);
    TwoFrames t;
    t.left = 1;
    t.right = 2;
    AddTestSegment(p, 1, 7, 1, 0);
    AddTestSegment(p, 7, 2, 1, 0);
    t.shared = &AddTestSegment(p, 2, 5, 1, 2);
    AddTestSegment(p, 5, 8, 1, 0);
    AddTestSegment(p, 8, 6, 1, 0);
    t.outer = &AddTestSegment(p, 6, 1, 1, 0);
    t.elementLine = &AddTestSegment(p, 7, 8, 1, 1);
    AddTestSegment(p, 2, 3, 2, 0);
    AddTestSegment(p, 3, 4, 2, 0);
    AddTestSegment(p, 4, 5, 2, 0);
    AddTestFrame(p, {1, 7, 2, 5, 8, 6}, 1);
    AddTestFrame(p, {2, 3, 4, 5}, 2);
    RefreshGeometry(p);
    p.ClassifyNodes();
    return t;
}

inline void SelectNumbers(Problem& p, SelectType kind, std::initializer_list<int> items) {
    p.selection.items.clear();
    for (int i : items) p.selection.items.push_back(SelectRec{i, nullptr});
    p.selection.state = kind;
}

inline void SelectSegments(Problem& p, std::initializer_list<LineSegment*> items) {
    p.selection.items.clear();
    for (LineSegment* s : items) p.selection.items.push_back(SelectRec{0, s});
    p.selection.state = SelectType::Bounds;
}

}  // namespace kova::test
