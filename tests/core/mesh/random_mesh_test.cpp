// Random drawings meshed and reduced: whatever the outline, the commands leave either a
// valid triangulation or the frame as it was, and the model's invariants hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <numbers>
#include <random>

#include "editing/mesh_commands.hpp"
#include "geometry/exact_predicates.hpp"
#include "mesh/auto_mesh.hpp"
#include "mesh/reduce_mesh.hpp"
#include "model/messages.hpp"
#include "support/geometry_builders.hpp"
#include "support/model_invariants.hpp"
#include "support/triangulation_check.hpp"

namespace kova {
namespace {

using testing::AddFrame;
using testing::CheckModelInvariants;
using testing::CheckTriangulation;
using testing::CompareWithElementBuilder;
using testing::Corner;
using testing::ElementLinesIn;
using testing::JoinViolations;

constexpr Real kPi = std::numbers::pi_v<Real>;

enum class Shape { Convex, Star, Holed, Neighbours };

// A closed outline around (cx, cy) at whole-pixel corners: `count` corners at sorted
// random angles, radii between rMin and rMax.
std::vector<Corner> RandomOutline(std::mt19937& rng, Real cx, Real cy, int count, Real rMin,
                                  Real rMax) {
    std::uniform_real_distribution<double> angle(0, 2 * kPi);
    std::uniform_real_distribution<double> radius(static_cast<double>(rMin),
                                                  static_cast<double>(rMax));
    std::vector<double> angles(static_cast<std::size_t>(count));
    for (double& a : angles) a = angle(rng);
    std::sort(angles.begin(), angles.end());
    std::vector<Corner> corners;
    for (const double a : angles) {
        const Real r = radius(rng);
        const Corner c{std::round(cx + r * std::cos(a)), std::round(cy + r * std::sin(a))};
        const bool repeat = std::any_of(corners.begin(), corners.end(), [&](const Corner& o) {
            return std::hypot(o.x - c.x, o.y - c.y) < 12;
        });
        if (!repeat) corners.push_back(c);
    }
    return corners;
}

// Like RandomOutline, with the angles spread evenly (jittered by up to a third of the
// step), so that every edge keeps well away from the centre.
std::vector<Corner> EvenOutline(std::mt19937& rng, Real cx, Real cy, int count, Real rMin,
                                Real rMax) {
    const double step = 2 * kPi / count;
    std::uniform_real_distribution<double> jitter(-step / 3, step / 3);
    std::uniform_real_distribution<double> radius(static_cast<double>(rMin),
                                                  static_cast<double>(rMax));
    std::vector<Corner> corners;
    for (int j = 0; j < count; ++j) {
        const double a = j * step + jitter(rng);
        const Real r = radius(rng);
        corners.push_back({std::round(cx + r * std::cos(a)), std::round(cy + r * std::sin(a))});
    }
    return corners;
}

// Whether a closed outline crosses or touches itself: sorted angles with a gap wider
// than a half turn let an edge pass the centre on the far side and cut other edges.
bool CrossesItself(const std::vector<Corner>& corners) {
    const std::size_t n = corners.size();
    auto at = [&](std::size_t j) {
        const Corner& c = corners[j % n];
        return ExactPoint{c.x, c.y};
    };
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;  // neighbours across the closing corner
            if (ClassifyExact(at(i), at(i + 1), at(j), at(j + 1)) != SegmentContact::None)
                return true;
        }
    return false;
}

// Builds one random drawing; returns false when the random outline came out too small
// or crosses itself.
bool BuildDrawing(Problem& problem, Shape shape, std::mt19937& rng) {
    std::uniform_int_distribution<int> corners(4, 11);
    switch (shape) {
        case Shape::Convex: {
            auto outline = RandomOutline(rng, 300, 250, corners(rng), 150, 160);
            return outline.size() >= 3 && AddFrame(problem, outline) == 1;
        }
        case Shape::Star: {
            auto outline = RandomOutline(rng, 300, 250, corners(rng) + 2, 60, 200);
            return outline.size() >= 3 && !CrossesItself(outline) &&
                   AddFrame(problem, outline) == 1;
        }
        case Shape::Holed: {
            auto outer = EvenOutline(rng, 300, 250, corners(rng) + 2, 170, 200);
            auto inner = RandomOutline(rng, 300, 250, corners(rng), 40, 70);
            return outer.size() >= 3 && inner.size() >= 3 && !CrossesItself(outer) &&
                   !CrossesItself(inner) && AddFrame(problem, outer) == 1 &&
                   AddFrame(problem, inner, 1) == 2;
        }
        case Shape::Neighbours: {
            std::uniform_int_distribution<int> y(60, 180);
            const Real split = y(rng);
            return AddFrame(problem,
                            {{100, 50}, {300, 50}, {300, split}, {300, 250}, {100, 250}}) == 1 &&
                   AddFrame(problem,
                            {{300, 50}, {420, 50}, {420, 250}, {300, 250}, {300, split}}) == 2;
        }
    }
    return false;
}

struct Tally {
    int drawings = 0;
    int framesMeshed = 0;
    int framesFailed = 0;
    Real smallestAngle = 180;
    Real smallestReducedAngle = 180;
    int builderDisagrees = 0;
    int reductions = 0;
    int reductionsRefused = 0;
    int builderRefusals = 0;
};

// Reduces the whole mesh (no frames given) or the frames given, and checks the result.
void ReduceAndCheck(Problem& problem, RecordingReporter& reporter, const std::vector<int>& frames,
                    Tally& tally) {
    const auto before = CheckTriangulation(problem);
    const int linesBefore = problem.lines.Count();
    const int nodesBefore = problem.nodes.Count();
    problem.selection.state = frames.empty() ? SelectType::None : SelectType::Frames;
    problem.selection.items.clear();
    for (const int f : frames) problem.selection.items.push_back(NumberItem(f));
    const ReduceOutcome outcome = ReducemeshMClick(problem);
    if (outcome != ReduceOutcome::Reduced) {
        ASSERT_EQ(outcome, ReduceOutcome::NotTriangular);
        // Either the element builder boxed the lines it could not close into elements, or
        // it took three segments around a node for an element.
        if (problem.selection.state == SelectType::LineErrors) {
            EXPECT_EQ(reporter.StatusText(StatusPanel::Info), GetMessage(kMsgCheck, 11));
            ++tally.builderRefusals;
        } else {
            ASSERT_FALSE(reporter.Errors().empty());
            EXPECT_EQ(reporter.Errors().back(), GetMessage(kMsgError, 19));
        }
        ++tally.reductionsRefused;
        EXPECT_EQ(problem.lines.Count(), linesBefore);
        EXPECT_EQ(problem.nodes.Count(), nodesBefore);
        return;
    }
    ++tally.reductions;
    const auto after = CheckTriangulation(problem);
    ASSERT_TRUE(after.Valid()) << JoinViolations(after.violations);
    if (frames.empty()) {
        EXPECT_EQ(after.triangles.size(), 4 * before.triangles.size());
    }
    ASSERT_TRUE(CheckModelInvariants(problem).empty())
        << JoinViolations(CheckModelInvariants(problem));
    tally.smallestReducedAngle = std::min(tally.smallestReducedAngle, after.smallestAngleDegrees);
}

void RunOne(Shape shape, unsigned seed, Tally& tally) {
    Problem problem;
    RecordingReporter reporter;
    problem.SetReporter(&reporter);
    problem.settings.pixelLength = 0.01L;
    std::mt19937 rng(seed);
    if (!BuildDrawing(problem, shape, rng)) return;
    ++tally.drawings;
    SCOPED_TRACE(::testing::Message() << "shape " << static_cast<int>(shape) << " seed " << seed);
    const int linesBefore = problem.lines.Count();
    ASSERT_TRUE(CheckModelInvariants(problem).empty())
        << "drawing: " << JoinViolations(CheckModelInvariants(problem));

    const AutoMeshResult meshed = AutoMesh(problem);
    tally.framesMeshed += static_cast<int>(meshed.meshed.size());
    tally.framesFailed += static_cast<int>(meshed.failed.size());
    ASSERT_TRUE(CheckModelInvariants(problem).empty())
        << JoinViolations(CheckModelInvariants(problem));
    ASSERT_EQ(reporter.Errors().size(), meshed.failed.size());
    for (const int f : meshed.failed) EXPECT_EQ(ElementLinesIn(problem, f), 0);
    if (meshed.meshed.empty()) {
        EXPECT_EQ(problem.lines.Count(), linesBefore);
        return;
    }
    auto report = CheckTriangulation(problem, meshed.meshed);
    ASSERT_TRUE(report.Valid()) << JoinViolations(report.violations);
    tally.smallestAngle = std::min(tally.smallestAngle, report.smallestAngleDegrees);
    if (!meshed.failed.empty()) return;

    // Every distributed frame is meshed: the element builder should see the same
    // triangles, and the mesh can be reduced, all of it and then one frame. Should the
    // builder take three segments around a node for an element, Reduce Mesh refuses and
    // changes nothing.
    if (!CompareWithElementBuilder(problem, report).empty()) ++tally.builderDisagrees;
    ReduceAndCheck(problem, reporter, {}, tally);
    if (::testing::Test::HasFatalFailure()) return;
    ReduceAndCheck(problem, reporter, {1}, tally);
}

TEST(RandomMeshTest, RandomOutlinesAreMeshedValidlyOrLeftAsTheyWere) {
    Tally tally;
    for (const Shape shape : {Shape::Convex, Shape::Star, Shape::Holed, Shape::Neighbours})
        for (unsigned seed = 1; seed <= 40; ++seed) {
            RunOne(shape, seed, tally);
            if (::testing::Test::HasFatalFailure()) return;
        }
    EXPECT_GT(tally.framesMeshed, 3 * tally.framesFailed);
    // Every mesh AutoMesh makes, and its quartered mesh, is a triangulation the element
    // builder reads as such.
    EXPECT_EQ(tally.reductionsRefused, 0);
    std::cout << "random drawings: " << tally.drawings << ", frames meshed " << tally.framesMeshed
              << ", failed " << tally.framesFailed << ", smallest angle after AutoMesh "
              << static_cast<double>(tally.smallestAngle) << " degrees; element builder "
              << "disagreed on " << tally.builderDisagrees << " meshes; reductions "
              << tally.reductions << ", refused " << tally.reductionsRefused
              << " (by the element builder " << tally.builderRefusals << ")"
              << ", smallest angle after reduction "
              << static_cast<double>(tally.smallestReducedAngle) << " degrees\n";
}

}  // namespace
}  // namespace kova
