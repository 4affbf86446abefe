// The common ground of the editing command tests: a problem with a recording reporter,
// helpers to look at its segments and frames, and the invariant check.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "geometry/edit_result.hpp"
#include "geometry/primitives.hpp"
#include "model/messages.hpp"
#include "model/problem.hpp"
#include "support/geometry_builders.hpp"
#include "support/model_invariants.hpp"

namespace kova {

class EditingTest : public ::testing::Test {
protected:
    EditingTest() {
        problem.SetReporter(&reporter);
        problem.settings.pixelLength = 0.01L;
    }

    void ExpectConsistent() {
        const auto violations = testing::CheckModelInvariants(problem);
        EXPECT_TRUE(violations.empty()) << testing::JoinViolations(violations);
    }

    Frame& FrameNo(int k) { return problem.frames[k]; }

    // The node at exactly (x, y), or 0.
    int NodeNear(Real x, Real y, Real radius = 0.5L) { return FindNodeNear(problem, x, y, radius); }

    // The segment between the nodes at two positions, or null.
    LineSegment* SegmentBetween(Real x1, Real y1, Real x2, Real y2) {
        const int a = NodeNear(x1, y1), b = NodeNear(x2, y2);
        if (a == 0 || b == 0) return nullptr;
        return FindSegment(problem, a, b);
    }

    // The side frames of a segment in ascending order.
    static std::vector<int> Sides(const LineSegment* s) {
        std::vector<int> v{s->frameA, s->frameB};
        std::sort(v.begin(), v.end());
        return v;
    }

    std::vector<std::string> UndoNames() const {
        std::vector<std::string> names;
        for (const UndoSnapshot& s : problem.undoList) names.push_back(s.name);
        return names;
    }

    std::string InfoText() const { return reporter.StatusText(StatusPanel::Info); }

    static std::vector<ClickPoint> Clicks(std::initializer_list<ClickPoint> points) {
        return std::vector<ClickPoint>(points);
    }

    // A constant specification of the kind, as the dialogs would add it.
    int Spec(int kind, Real value) { return FindOrAddSpecValue(problem, kind, value); }

    // Area in square pixels of a frame's area with pixel length 0.01.
    Real PixelArea(int k) { return FrameNo(k).area / (0.01L * 0.01L); }

    Problem problem;
    RecordingReporter reporter;
};

inline const std::string kInvalidCorner = "The new node position is invalid.  ";
inline const std::string kBadElementLine =
    "The endpoint must be in the same outline and not cross other lines";
inline const std::string kCrossing = "Execution of this command results in crossing outlines.";
inline const std::string kFrameLimit =
    "Present configuration allows a maximum of 52 separate frames. ";

}  // namespace kova
