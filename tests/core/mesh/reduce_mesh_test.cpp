#include "mesh/reduce_mesh.hpp"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "editing/mesh_commands.hpp"
#include "editing/restore.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/primitives.hpp"
#include "mesh/auto_mesh.hpp"
#include "mesh/mesh_segments.hpp"
#include "model/messages.hpp"
#include "support/geometry_builders.hpp"
#include "support/mesh_builder.hpp"
#include "support/model_invariants.hpp"
#include "support/problem_builders.hpp"
#include "support/steady_run.hpp"
#include "support/triangulation_check.hpp"

namespace kova {
namespace {

using testing::AddFrame;
using testing::AddRectangleFrame;
using testing::AddSegment;
using testing::CheckModelInvariants;
using testing::CheckTriangulation;
using testing::CompareWithElementBuilder;
using testing::Corner;
using testing::ElementLinesIn;
using testing::JoinViolations;
using testing::NodeAt;

class ReduceMeshTest : public ::testing::Test {
protected:
    ReduceMeshTest() {
        problem.SetReporter(&reporter);
        problem.settings.pixelLength = 0.01L;
    }
    // A triangle frame: one element of three outline segments.
    void Triangle() { AddFrame(problem, {{100, 100}, {300, 100}, {200, 260}}); }
    // A square frame cut by one diagonal element line into two elements.
    void SquareWithDiagonal() {
        AddRectangleFrame(problem, 100, 100, 300, 300);
        AddSegment(problem, 1, 3, 1, 1);
    }
    std::size_t ExpectValidMesh() {
        const auto invariants = CheckModelInvariants(problem);
        EXPECT_TRUE(invariants.empty()) << JoinViolations(invariants);
        const auto report = CheckTriangulation(problem);
        EXPECT_TRUE(report.Valid()) << JoinViolations(report.violations);
        const auto differences = CompareWithElementBuilder(problem, report);
        EXPECT_TRUE(differences.empty()) << JoinViolations(differences);
        return report.triangles.size();
    }
    void SelectFrames(std::vector<int> frames) {
        problem.selection.state = SelectType::Frames;
        problem.selection.items.clear();
        for (const int f : frames) problem.selection.items.push_back(NumberItem(f));
    }
    std::set<std::pair<int, int>> SegmentsOf(int f) const {
        std::set<std::pair<int, int>> out;
        for (const LineSegment& s : problem.lines)
            if (s.frameA == f || s.frameB == f) out.insert({s.node1, s.node2});
        return out;
    }
    int Node(Real x, Real y) { return NodeAt(problem, x, y); }
    // The drawing: node positions and specifications, segments with sides and conditions.
    std::vector<std::vector<Real>> Fingerprint() const {
        std::vector<std::vector<Real>> out;
        for (int n = 1; n <= problem.nodes.Count(); ++n) {
            const kova::Node& node = problem.nodes[n];
            out.push_back({node.x, node.y, static_cast<Real>(node.valueSpec), node.initialValue});
        }
        for (const LineSegment& s : problem.lines)
            out.push_back({static_cast<Real>(s.node1), static_cast<Real>(s.node2),
                           static_cast<Real>(s.frameA), static_cast<Real>(s.frameB),
                           static_cast<Real>(s.valueSpec), static_cast<Real>(s.fluxSpec)});
        return out;
    }

    Problem problem;
    RecordingReporter reporter;
};

// ---------------------------------------------------------------- dividing into four

TEST_F(ReduceMeshTest, OneTriangleBecomesFourWithThreeMidpoints) {
    Triangle();
    problem.nodes[1].initialValue = 20;
    problem.nodes[2].initialValue = 30;

    EXPECT_EQ(ReducemeshMClick(problem), ReduceOutcome::Reduced);

    EXPECT_EQ(problem.nodes.Count(), 6);
    EXPECT_EQ(problem.lines.Count(), 9);
    EXPECT_EQ(ElementLinesIn(problem, 1), 3);
    const int mid = Node(200, 100);
    ASSERT_NE(mid, 0);
    EXPECT_EQ(problem.nodes[mid].currentValue, 100);
    EXPECT_EQ(problem.nodes[mid].initialValue, 20) << "the first node's initial value";
    EXPECT_EQ(ExpectValidMesh(), 4u);
    EXPECT_EQ(problem.undoList.back().name, "Reduce Mesh");
    EXPECT_EQ(problem.selection.state, SelectType::None);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "");
    EXPECT_FALSE(problem.settings.problemSaved);
}

TEST_F(ReduceMeshTest, ASharedEdgeIsSplitOnceAndRunsTwiceRefineTwice) {
    SquareWithDiagonal();
    std::vector<int> gauge;
    ASSERT_EQ(ReduceMesh(problem, [&](int percent) { gauge.push_back(percent); }),
              ReduceOutcome::Reduced);
    EXPECT_EQ(gauge, (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(problem.nodes.Count(), 4 + 5);
    EXPECT_EQ(problem.lines.Count(), 10 + 6);
    EXPECT_EQ(ExpectValidMesh(), 8u);

    ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
    EXPECT_EQ(ExpectValidMesh(), 32u);
}

TEST_F(ReduceMeshTest, AnAutoMeshedHoledFrameReducesToAValidMesh) {
    AddRectangleFrame(problem, 100, 100, 300, 300);
    AddRectangleFrame(problem, 170, 160, 230, 240, 1);
    problem.frames[2].type = FrameType::Lumped;
    ASSERT_EQ(AutoMesh(problem).meshed, std::vector<int>{1});
    const std::size_t before = ExpectValidMesh();
    ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
    EXPECT_EQ(ExpectValidMesh(), 4 * before);
    EXPECT_EQ(ElementLinesIn(problem, 2), 0);
}

TEST_F(ReduceMeshTest, AQuarteredFanOfThreeTrianglesReducesAgain) {
    // A node with three triangles around it, quartered: the three midpoints around it
    // are joined pairwise by element lines, three segments around the node that the
    // element builder must not take for an element. The element lines at the node come
    // first, so that the corner triangles there are built before the lines between the
    // midpoints are looked at.
    const Corner a{100, 300}, b{300, 300}, c{200, 100}, x{200, 230};
    auto mid = [](Corner p, Corner q) { return Corner{(p.x + q.x) / 2, (p.y + q.y) / 2}; };
    auto node = [&](Corner p) { return NodeAt(problem, p.x, p.y); };
    auto line = [&](Corner p, Corner q) { AddSegment(problem, node(p), node(q), 1, 1); };
    const Corner ax = mid(a, x), bx = mid(b, x), cx = mid(c, x);
    const Corner ab = mid(a, b), bc = mid(b, c), ca = mid(c, a);
    for (const Corner m : {ax, bx, cx}) line(x, m);
    line(ax, bx);
    line(bx, cx);
    line(cx, ax);
    for (const auto& [p, q] : {std::pair{a, ax},
                               {b, bx},
                               {c, cx},
                               {ax, ab},
                               {ab, bx},
                               {bx, bc},
                               {bc, cx},
                               {cx, ca},
                               {ca, ax}})
        line(p, q);
    ASSERT_EQ(AddFrame(problem, {a, ab, b, bc, c, ca}), 1);
    EXPECT_EQ(ExpectValidMesh(), 12u);
    ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced) << JoinViolations(reporter.Errors());
    EXPECT_EQ(ExpectValidMesh(), 48u);
}

// ---------------------------------------------------------------- boundary conditions

TEST_F(ReduceMeshTest, MidpointsOfSpecifiedBoundariesGetTheMeanOrTheSameSpecification) {
    Triangle();
    const int cold = FindOrAddSpecValue(problem, kSpecValue, 100);
    const int hot = FindOrAddSpecValue(problem, kSpecValue, 200);
    problem.nodes[1].valueSpec = static_cast<std::int16_t>(cold);
    problem.nodes[2].valueSpec = static_cast<std::int16_t>(hot);
    problem.nodes[3].valueSpec = static_cast<std::int16_t>(hot);
    FindSegment(problem, 1, 2)->valueSpec = hot;
    FindSegment(problem, 2, 3)->valueSpec = hot;

    ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);

    const int bottom = Node(200, 100);
    const int mean = problem.nodes[bottom].valueSpec;
    ASSERT_GT(mean, hot);
    EXPECT_EQ(problem.specs[mean].kind, kSpecValue);
    EXPECT_EQ(problem.specs[mean].value, 150);
    EXPECT_EQ(problem.nodes[Node(250, 180)].valueSpec, hot) << "same specification at both ends";
    // Both pieces of a specified segment keep the marker.
    EXPECT_EQ(FindSegment(problem, 1, bottom)->valueSpec, hot);
    EXPECT_EQ(FindSegment(problem, 2, bottom)->valueSpec, hot);
    EXPECT_EQ(problem.nodes[Node(150, 180)].valueSpec, mean) << "both ends specified";
}

TEST_F(ReduceMeshTest, FluxOrConvectionEdgesAndExpressionEndsGiveTheMidpointNoSpecification) {
    Triangle();
    const int a = FindOrAddSpecValue(problem, kSpecValue, 100);
    const int b = FindOrAddSpecValue(problem, kSpecValue, 200);
    const int e1 = problem.specs.Append(test::StandInExpression(kSpecValue, "x*2"));
    const int e2 = problem.specs.Append(test::StandInExpression(kSpecValue, "y+1"));
    problem.nodes[1].valueSpec = static_cast<std::int16_t>(a);
    problem.nodes[2].valueSpec = static_cast<std::int16_t>(b);
    FindSegment(problem, 1, 2)->fluxSpec = FindOrAddSpecValue(problem, kSpecFlux, 3);
    problem.nodes[3].valueSpec = static_cast<std::int16_t>(e1);
    FindSegment(problem, 2, 3)->transferSpec = 0;
    problem.nodes[2].valueSpec = static_cast<std::int16_t>(b);
    // Edge 1-3: a constant and an expression; edge 2-3: a constant and an expression.
    ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
    EXPECT_EQ(problem.nodes[Node(200, 100)].valueSpec, 0) << "the edge carries a flux";
    EXPECT_EQ(problem.nodes[Node(150, 180)].valueSpec, 0) << "an expression at one end";

    EXPECT_EQ(MergeSpecs(problem, e1, e1), e1);
    EXPECT_EQ(MergeSpecs(problem, e1, e2), 0);
    EXPECT_EQ(MergeSpecs(problem, a, e2), 0);
    EXPECT_EQ(MergeSpecs(problem, a, 999), 0);
    const int mean = MergeSpecs(problem, a, b);
    EXPECT_EQ(problem.specs[mean].value, 150);
    EXPECT_EQ(MergeSpecs(problem, b, a), mean) << "an existing constant is shared";
}

TEST_F(ReduceMeshTest, SavedGroupsTakeThePiecesOfTheirSegmentsInChainOrder) {
    Triangle();
    LineSegment* s12 = FindSegment(problem, 1, 2);
    LineSegment* s23 = FindSegment(problem, 2, 3);
    problem.groups.push_back({SelectType::Bounds, {SegmentItem(s12), SegmentItem(s23)}});
    problem.groups.push_back({SelectType::Points, {NumberItem(1), NumberItem(2)}});

    ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);

    const auto& chain = problem.groups.front().items;
    ASSERT_EQ(chain.size(), 4u);
    for (std::size_t j = 0; j + 1 < chain.size(); ++j) {
        const LineSegment& p = *chain[j].segment;
        const LineSegment& q = *chain[j + 1].segment;
        const bool joined =
            p.node1 == q.node1 || p.node1 == q.node2 || p.node2 == q.node1 || p.node2 == q.node2;
        EXPECT_TRUE(joined) << "items " << j << " and " << j + 1 << " do not touch";
    }
    const auto& nodes = problem.groups.back().items;
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(problem.nodes[nodes[1].selectNo].x, 200);
    EXPECT_EQ(problem.nodes[nodes[1].selectNo].y, 100);
}

// ---------------------------------------------------------------- a frame selection

TEST_F(ReduceMeshTest, AFrameSelectionRefinesOnlyItsFramesAndKeepsTheNeighbourConforming) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AddRectangleFrame(problem, 200, 100, 300, 200);
    ASSERT_EQ(AutoMesh(problem).meshed, (std::vector<int>{1, 2}));
    problem.nodes[1].initialValue = 55;
    const auto neighbour = SegmentsOf(2);
    SelectFrames({1});

    ASSERT_EQ(ReducemeshMClick(problem), ReduceOutcome::Reduced);

    EXPECT_EQ(SegmentsOf(2), neighbour) << "the shared side is not split";
    const auto report = CheckTriangulation(problem);
    ASSERT_TRUE(report.Valid()) << JoinViolations(report.violations);
    int inOne = 0, inTwo = 0;
    for (const auto& t : report.triangles) (t.frame == 1 ? inOne : inTwo) += 1;
    EXPECT_EQ(inOne, 3 * 6 + 5);
    EXPECT_EQ(inTwo, 4);
    EXPECT_TRUE(CompareWithElementBuilder(problem, report).empty());
    EXPECT_EQ(problem.selection.state, SelectType::None);
    // A centroid takes the initial value of its element's first node.
    Real x = 150, y = 350.0L / 3;
    const int centroid = FindNodeNear(problem, x, y, 0.5L);
    ASSERT_NE(centroid, 0);
    EXPECT_EQ(problem.nodes[centroid].initialValue, 55);
}

TEST_F(ReduceMeshTest, ChoosingBothFramesSplitsTheirSharedSide) {
    AddRectangleFrame(problem, 100, 100, 200, 200);
    AddRectangleFrame(problem, 200, 100, 300, 200);
    AutoMesh(problem);
    SelectFrames({1, 2});
    ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
    EXPECT_EQ(ExpectValidMesh(), 2u * 4 * 6);
}

// ---------------------------------------------------------------- refusals

TEST_F(ReduceMeshTest, TheNodeLimitRefusesWithTheMessageAndChangesNothing) {
    SquareWithDiagonal();  // 4 nodes, 5 segments
    for (int i = 0; i < 15; ++i) {
        const int a = problem.AddNode(500 + 3 * i, 500);
        const int b = problem.AddNode(500 + 3 * i, 520);
        AddSegment(problem, a, b, 0, 0);
    }
    while (problem.nodes.Count() < 19990) problem.AddNode(900, 900);
    ASSERT_EQ(problem.lines.Count(), 20);
    const auto before = Fingerprint();

    EXPECT_EQ(ReduceMesh(problem), ReduceOutcome::NodeLimit);
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{"The maximum number of allowable nodes in this "
                                       "implementation is 20000.  This action attempts to exceed "
                                       "the limit."});
    EXPECT_EQ(Fingerprint(), before);

    // At exactly the limit the reduction goes ahead.
    while (problem.nodes.Count() + problem.lines.Count() > kMaxNodes) problem.nodes.PopLast();
    EXPECT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
    EXPECT_LE(problem.nodes.Count(), kMaxNodes);
}

TEST_F(ReduceMeshTest, ASelectionCountsTheNodesItWillReallyAdd) {
    // One chosen triangle adds a centroid and three midpoints: 19997 + 4 passes the limit
    // although nodes + segments (20000) does not.
    Triangle();
    while (problem.nodes.Count() < 19997) problem.AddNode(900, 900);
    SelectFrames({1});
    EXPECT_EQ(ReduceMesh(problem), ReduceOutcome::NodeLimit);
    EXPECT_EQ(reporter.Errors(), std::vector<std::string>{MaxNodesMessage()});
    EXPECT_EQ(problem.nodes.Count(), 19997);
    EXPECT_EQ(problem.lines.Count(), 3);

    problem.nodes.PopLast();
    EXPECT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
    EXPECT_EQ(problem.nodes.Count(), kMaxNodes);
}

TEST_F(ReduceMeshTest, AnUnmeshedFrameIsReportedAndItsLinesStayMarked) {
    AddFrame(problem, {{100, 100}, {300, 100}, {320, 250}, {200, 300}, {90, 240}});
    const auto before = EncodeUndoSnapshot(problem);
    EXPECT_EQ(ReducemeshMClick(problem), ReduceOutcome::NotTriangular);
    EXPECT_EQ(EncodeUndoSnapshot(problem), before) << "the element counts are put back too";
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info),
              "Boxes identify lines forming non-triangular elements.");
    EXPECT_GE(reporter.BeepCount(), 1);
    EXPECT_EQ(problem.selection.state, SelectType::LineErrors);
    EXPECT_FALSE(problem.selection.items.empty());
    EXPECT_EQ(problem.lines.Count(), 5);
    EXPECT_EQ(problem.nodes.Count(), 5);
}

TEST_F(ReduceMeshTest, EveryConditionOfASplitSideGoesToBothPiecesAndKeepsItsMidpointFree) {
    // A square cut by its diagonal 1-3, every corner held at `hot`: the top carries the
    // value marker, the right a flux, the bottom a convection with its ambient, the left
    // all three. Only the midpoint of the top, a plain specified edge, is held; edges
    // with a flux or a transfer coefficient and the element line keep theirs free. The
    // same whether every element is divided or the frame is selected (centroids added).
    for (bool selected : {false, true}) {
        SCOPED_TRACE(selected);
        problem.ProblemReset();
        SquareWithDiagonal();
        const int hot = FindOrAddSpecValue(problem, kSpecValue, 80);
        const int flux = FindOrAddSpecValue(problem, kSpecFlux, 5);
        const int h = FindOrAddSpecValue(problem, kSpecTransfer, 10);
        const int ambient = FindOrAddSpecValue(problem, kSpecValue, 20);
        for (int n = 1; n <= 4; ++n) problem.nodes[n].valueSpec = static_cast<std::int16_t>(hot);
        struct Side {
            int a, b;
            Real mx, my;
            int value, flux, transfer, ambient;
            bool heldMidpoint;
        };
        const Side sides[] = {
            {Node(100, 100), Node(300, 100), 200, 100, hot, 0, 0, 0, true},
            {Node(300, 100), Node(300, 300), 300, 200, 0, flux, 0, 0, false},
            {Node(300, 300), Node(100, 300), 200, 300, 0, 0, h, ambient, false},
            {Node(100, 300), Node(100, 100), 100, 200, hot, flux, h, ambient, false},
            {Node(100, 100), Node(300, 300), 200, 200, 0, 0, 0, 0, false},
        };
        for (const Side& side : sides) {
            LineSegment* s = FindSegment(problem, side.a, side.b);
            ASSERT_NE(s, nullptr);
            s->valueSpec = side.value;
            s->fluxSpec = side.flux;
            s->transferSpec = side.transfer;
            s->ambientSpec = side.ambient;
        }
        const int nodesBefore = problem.nodes.Count();
        if (selected) SelectFrames({1});

        ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
        const int added = selected ? 7 : 5;  // five midpoints, and a centroid per element
        ASSERT_EQ(problem.nodes.Count(), nodesBefore + added);

        for (const Side& side : sides) {
            SCOPED_TRACE(std::to_string(static_cast<int>(side.mx)) + "," +
                         std::to_string(static_cast<int>(side.my)));
            const int m = Node(side.mx, side.my);
            ASSERT_LE(m, nodesBefore + added);
            EXPECT_EQ(problem.nodes[m].valueSpec, side.heldMidpoint ? hot : 0);
            for (int end : {side.a, side.b}) {
                const LineSegment* piece = FindSegment(problem, end, m);
                ASSERT_NE(piece, nullptr) << end;
                EXPECT_EQ(piece->valueSpec, side.value);
                EXPECT_EQ(piece->fluxSpec, side.flux);
                EXPECT_EQ(piece->transferSpec, side.transfer);
                EXPECT_EQ(piece->ambientSpec, side.ambient);
                const bool diagonal = side.value == 0 && side.flux == 0 && side.transfer == 0;
                EXPECT_EQ(piece->frameA == piece->frameB, diagonal);
            }
        }
    }
}

TEST_F(ReduceMeshTest, ARefinedWallWithConvectionAndFluxKeepsItsLinearProfile) {
    // The square 2 x 2 m (1 cm a pixel), k = 1, insulated top and bottom, a flux of 50
    // into the right (100 W per metre of depth), and on the left convection h = 10
    // either to 20 outside, T = 25 + 50 (x - x0), or to a 1 x 2 m lump beside it that
    // loses the heat through h = 5 on its three outer sides (20 W/K) to 20: the lump at
    // 25 and T = 30 + 50 (x - x0). Linear elements reproduce these at every node of any
    // mesh; a piece of a side that lost its condition would bend them.
    for (bool throughLump : {false, true}) {
        SCOPED_TRACE(throughLump);
        problem.ProblemReset();
        SquareWithDiagonal();
        problem.frames[1].material = 1;
        test::SetMaterial(problem, 1, 1);
        const int insulated = FindOrAddSpecValue(problem, kSpecFlux, 0);
        const int flux = FindOrAddSpecValue(problem, kSpecFlux, 50);
        const int h = FindOrAddSpecValue(problem, kSpecTransfer, 10);
        const int ambient = FindOrAddSpecValue(problem, kSpecValue, 20);
        FindSegment(problem, Node(100, 100), Node(300, 100))->fluxSpec = insulated;
        FindSegment(problem, Node(100, 300), Node(300, 300))->fluxSpec = insulated;
        FindSegment(problem, Node(300, 100), Node(300, 300))->fluxSpec = flux;
        LineSegment* left = FindSegment(problem, Node(100, 100), Node(100, 300));
        left->transferSpec = h;
        left->ambientSpec = ambient;
        int lump = 0;
        if (throughLump) {
            lump = AddRectangleFrame(problem, 0, 100, 100, 300);
            problem.frames[lump].type = FrameType::Lumped;
            problem.frames[lump].material = 1;
            const int outer = FindOrAddSpecValue(problem, kSpecTransfer, 5);
            for (auto [a, b] : {std::pair{Corner{0, 100}, Corner{100, 100}},
                                {Corner{0, 100}, Corner{0, 300}},
                                {Corner{0, 300}, Corner{100, 300}}}) {
                LineSegment* s = FindSegment(problem, Node(a.x, a.y), Node(b.x, b.y));
                ASSERT_NE(s, nullptr);
                s->transferSpec = outer;
                s->ambientSpec = ambient;
            }
        }

        ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
        ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);

        test::SteadyRun run(problem);
        ASSERT_EQ(run.Run(), 0);
        ASSERT_EQ(problem.settings.activeNodeCount, 25);
        const Real x0 = test::Position(problem, Node(100, 100)).first;
        const Real face = throughLump ? 30 : 25;
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
            EXPECT_NEAR(static_cast<double>(run.Value(n)),
                        static_cast<double>(face + 50 * (test::Position(problem, n).first - x0)),
                        1e-9)
                << n;
        if (throughLump) {
            EXPECT_NEAR(static_cast<double>(run.LumpValue(lump)), 25, 1e-9);
        }
    }
}

TEST_F(ReduceMeshTest, UndoBringsBackTheCoarseMeshWithItsSpecifications) {
    Triangle();
    const int hot = FindOrAddSpecValue(problem, kSpecValue, 80);
    problem.nodes[1].valueSpec = problem.nodes[2].valueSpec = static_cast<std::int16_t>(hot);
    FindSegment(problem, 1, 2)->valueSpec = hot;
    const auto before = EncodeUndoSnapshot(problem);
    ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
    ASSERT_TRUE(RestoreSnapshotWithGeometry(problem, true));
    EXPECT_EQ(EncodeUndoSnapshot(problem), before);
}

}  // namespace
}  // namespace kova
