// The configuration check: element building, and each kind of problem it reports with
// its message and the items it marks.
#include "solver/configuration_check.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/mesh_builder.hpp"

namespace kova::test {
namespace {

// A rectangle of nx x ny cells with material 1, the left edge at 100 and the rest
// insulated: a problem that passes the check.
struct Plate {
    Problem problem;
    RecordingReporter reporter;
    CheckedConfiguration checked;
    int frame = 0;

    explicit Plate(int nx = 2, int ny = 1) {
        problem.SetReporter(&reporter);
        MeshBuilder b(problem);
        frame = MeshRectangle(b, 0, 0, 1, 1, nx, ny, 1);
        b.Finish();
        SetMaterial(problem, 1, 1);
        SetValueWhere(
            problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
    }
    ~Plate() { problem.SetReporter(nullptr); }

    CheckResult Check(const CheckOptions& options = {}) {
        return ConfigurationCheck(problem, checked, options);
    }
    std::string Info() const { return reporter.StatusText(StatusPanel::Info); }
    LineSegment* Segment(Real x1, Real y1, Real x2, Real y2) {
        const int a = NodeAt(problem, x1, y1), b = NodeAt(problem, x2, y2);
        for (LineSegment& s : problem.lines)
            if ((s.node1 == a && s.node2 == b) || (s.node1 == b && s.node2 == a)) return &s;
        return nullptr;
    }
    bool Marked(const LineSegment* s) const {
        return std::any_of(problem.selection.items.begin(), problem.selection.items.end(),
                           [&](const SelectRec& r) { return r.segment == s; });
    }
};

TEST(ConfigurationCheck, BuildsEveryTriangleOfAMeshAndReportsTheirNumber) {
    Plate plate(4, 3);
    InsulateRest(plate.problem);
    const CheckResult r = plate.Check();
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.errorFound);
    EXPECT_EQ(plate.checked.elements.Count(), 24);
    EXPECT_EQ(plate.Info(), "No errors found. 24 elements");
    // The busy cursor was shown for the check and taken away at its end.
    EXPECT_EQ(plate.reporter.cursorChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(plate.reporter.Busy());
    for (const Element& e : plate.checked.elements) {
        EXPECT_LT(e.nodes[0], e.nodes[1]);
        EXPECT_LT(e.nodes[1], e.nodes[2]);
        EXPECT_EQ(e.frame, plate.frame);
    }
    for (const LineSegment& s : plate.problem.lines)
        EXPECT_EQ(s.elementCount, s.frameA == 0 || s.frameB == 0 ? 1 : 2);
    // The boundary lists: 3 cells on the left edge fixed, the other outer segments flux.
    EXPECT_EQ(plate.checked.valueLines.size(), 3u);
    EXPECT_EQ(plate.checked.fluxLines.size(), 11u);
    EXPECT_TRUE(plate.checked.convectionLines.empty());
}

TEST(ConfigurationCheck, ChecksTheMeshAgainAfterAnEdit) {
    // A second check starts from fresh element counts and an empty table.
    Plate plate(2, 2);
    InsulateRest(plate.problem);
    plate.Check();
    const CheckResult r = plate.Check();
    EXPECT_FALSE(r.errorFound);
    EXPECT_EQ(plate.checked.elements.Count(), 8);
}

TEST(ConfigurationCheck, AnUnmeshedQuadrilateralIsBoxed) {
    // Two cells; the diagonal of the right cell is removed, leaving a quadrilateral. The
    // segment it shares with the meshed cell lacks its second element, and the outer
    // sides of the gap form no element at all.
    Plate plate(2, 1);
    InsulateRest(plate.problem);
    ASSERT_TRUE(plate.problem.RemoveLineSegment(plate.Segment(0.5L, 0, 1, 1)));
    const CheckResult r = plate.Check();
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.errorFound);
    EXPECT_EQ(plate.Info(), "Boxes identify lines forming non-triangular elements.");
    EXPECT_EQ(plate.problem.selection.state, SelectType::LineErrors);
    EXPECT_TRUE(plate.Marked(plate.Segment(0.5L, 0, 0.5L, 1)));
    EXPECT_TRUE(plate.Marked(plate.Segment(1, 0, 1, 1)));
    EXPECT_TRUE(plate.Marked(plate.Segment(0.5L, 0, 1, 0)));
    EXPECT_FALSE(plate.Marked(plate.Segment(0, 0, 0.5L, 1)));
    EXPECT_GE(plate.reporter.BeepCount(), 1);
}

TEST(BusyCursor, NestedUsesChangeTheCursorOnceAndAnUnmatchedEndIsHarmless) {
    RecordingReporter reporter;
    {
        const BusyCursor outer(reporter);
        const BusyCursor inner(reporter);
        EXPECT_TRUE(reporter.Busy());
    }
    reporter.SetBusy(false);
    EXPECT_FALSE(reporter.Busy());
    EXPECT_EQ(reporter.cursorChanges, (std::vector<bool>{true, false}));
}

TEST(ConfigurationCheck, AFrameWithoutMaterialFlashes) {
    Plate plate;
    InsulateRest(plate.problem);
    plate.problem.frames[plate.frame].material = 0;
    const CheckResult r = plate.Check();
    EXPECT_TRUE(r.errorFound);
    EXPECT_EQ(plate.Info(), "Flashing material has undefined properties.");
    EXPECT_EQ(plate.problem.selection.state, SelectType::Frames);
    ASSERT_EQ(plate.problem.selection.items.size(), 1u);
    EXPECT_EQ(plate.problem.selection.items[0].selectNo, plate.frame);
}

TEST(ConfigurationCheck, OuterSegmentsNeedACompleteBoundaryCondition) {
    const std::string message =
        "Boxes identify lines for which the boundary condition is unspecified.";
    {
        // No condition on the right edge.
        Plate plate;
        InsulateRest(plate.problem);
        plate.Segment(1, 0, 1, 1)->fluxSpec = 0;
        EXPECT_TRUE(plate.Check().errorFound);
        EXPECT_EQ(plate.Info(), message);
        EXPECT_TRUE(plate.Marked(plate.Segment(1, 0, 1, 1)));
        EXPECT_FALSE(plate.Marked(plate.Segment(0, 0, 0.5L, 0)));
    }
    {
        // A transfer coefficient to the exterior without an ambient value.
        Plate plate;
        SetConvectionWhere(
            plate.problem, [](Real x, Real) { return Near(x, 1); }, 5, 20);
        plate.Segment(1, 0, 1, 1)->ambientSpec = 0;
        InsulateRest(plate.problem);
        EXPECT_TRUE(plate.Check().errorFound);
        EXPECT_EQ(plate.Info(), message);
        EXPECT_TRUE(plate.Marked(plate.Segment(1, 0, 1, 1)));
    }
    {
        // A specified-value segment one of whose end nodes carries no value.
        Plate plate;
        InsulateRest(plate.problem);
        plate.problem.nodes[NodeAt(plate.problem, 0, 1)].valueSpec = 0;
        EXPECT_TRUE(plate.Check().errorFound);
        EXPECT_EQ(plate.Info(), message);
        EXPECT_TRUE(plate.Marked(plate.Segment(0, 0, 0, 1)));
    }
}

TEST(ConfigurationCheck, ConvectionBetweenTwoDistributedSidesIsRefused) {
    Plate plate;
    InsulateRest(plate.problem);
    LineSegment* inner = plate.Segment(0.5L, 0, 0.5L, 1);
    inner->transferSpec = FindOrAddSpecValue(plate.problem, kSpecTransfer, 5);
    EXPECT_TRUE(plate.Check().errorFound);
    EXPECT_EQ(plate.Info(), "This boundary cannot be convective.");
    EXPECT_TRUE(plate.Marked(inner));
    EXPECT_EQ(plate.problem.selection.items.size(), 1u);
}

TEST(ConfigurationCheck, TransientProblemsNeedInitialValuesUnlessContinued) {
    Plate plate;
    InsulateRest(plate.problem);
    plate.problem.settings.transient = true;
    const int free = NodeAt(plate.problem, 1, 0);
    plate.problem.nodes[free].initialValue = kUnspecified;
    for (int n = 1; n <= plate.problem.nodes.Count(); ++n)
        if (n != free) plate.problem.nodes[n].initialValue = 20;
    EXPECT_TRUE(plate.Check().errorFound);
    EXPECT_EQ(plate.Info(), "Boxes identify nodes having undefined initial T");
    EXPECT_EQ(plate.problem.selection.state, SelectType::NodeErrors);
    ASSERT_EQ(plate.problem.selection.items.size(), 1u);
    EXPECT_EQ(plate.problem.selection.items[0].selectNo, free);

    // A prescribed node needs no initial value; Continue asks for none at all.
    plate.problem.nodes[NodeAt(plate.problem, 0, 0)].initialValue = kUnspecified;
    CheckOptions continuing;
    continuing.continueRun = true;
    EXPECT_FALSE(plate.Check(continuing).errorFound);
    EXPECT_EQ(plate.Info(), "No errors found. 4 elements");
}

TEST(ConfigurationCheck, AVerboseTransientCheckAppendsTheTimeStepLine) {
    Plate plate;
    InsulateRest(plate.problem);
    plate.problem.settings.transient = true;
    for (int n = 1; n <= plate.problem.nodes.Count(); ++n) plate.problem.nodes[n].initialValue = 20;
    CheckOptions options;
    options.verbose = true;
    options.transientCheckRun = [] { return std::string("Critical time step 1.5 s"); };
    EXPECT_FALSE(plate.Check(options).errorFound);
    EXPECT_EQ(plate.Info(), "No errors found. 4 elements.  Critical time step 1.5 s");
}

TEST(ConfigurationCheck, AProblemOfLumpsOnlyHasNoElements) {
    Problem problem;
    RecordingReporter reporter;
    problem.SetReporter(&reporter);
    MeshBuilder b(problem);
    const int lump = b.Frame(1, FrameType::Lumped);
    b.LumpOutline(lump, {b.Node(0, 0), b.Node(1, 0), b.Node(1, 1), b.Node(0, 1)});
    b.Finish();
    SetMaterial(problem, 1, 1);
    SetConvectionWhere(
        problem, [](Real, Real) { return true; }, 5, 20);
    CheckedConfiguration checked;
    const CheckResult r = ConfigurationCheck(problem, checked);
    EXPECT_FALSE(r.errorFound);
    EXPECT_EQ(checked.elements.Count(), 0);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "No errors found. 0 elements");
    EXPECT_EQ(checked.convectionLines.size(), 4u);
    problem.SetReporter(nullptr);
}

TEST(ConfigurationCheck, TrianglesInsideALumpAreDiscarded) {
    // Two cells of distributed material and a third triangle, between their active
    // nodes, that belongs to a lump: it is found, decided by its centroid and dropped.
    Problem problem;
    MeshBuilder b(problem);
    const int plate = b.Frame(1);
    const int lump = b.Frame(1, FrameType::Lumped);
    const int n00 = b.Node(0, 0), n10 = b.Node(1, 0), n11 = b.Node(1, 1), n01 = b.Node(0, 1);
    const int n21 = b.Node(2, 1);
    b.Triangle(n00, n10, n11, plate);
    b.Triangle(n00, n11, n01, plate);
    b.Triangle(n10, n21, n11, lump);
    b.Finish();
    SetMaterial(problem, 1, 1);
    SetConvectionWhere(
        problem, [](Real, Real) { return true; }, 5, 20);
    for (LineSegment& s : problem.lines)
        if (s.frameA != 0 && s.frameB != 0 && s.frameA != s.frameB)
            s.transferSpec = FindOrAddSpecValue(problem, kSpecTransfer, 5);
    CheckedConfiguration checked;
    EXPECT_FALSE(ConfigurationCheck(problem, checked).errorFound);
    ASSERT_EQ(checked.elements.Count(), 2);
    for (const Element& e : checked.elements) EXPECT_EQ(e.frame, plate);
    (void)lump;
}

}  // namespace
}  // namespace kova::test
