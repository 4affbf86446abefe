// Flows across picked paths and nodal balances against closed-form heat flows: a plane
// wall (per unit depth) and a cylindrical shell (over the whole circumference), with
// the path's sign rules, the click logic, the marks and the summary texts.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

#include "expressions/element_gradient.hpp"
#include "geometry/primitives.hpp"
#include "model/number_format.hpp"
#include "model/selection.hpp"
#include "results/flows.hpp"
#include "results/node_table_text.hpp"
#include "support/calculation_run.hpp"
#include "support/mesh_builder.hpp"

namespace kova::test {
namespace {

constexpr Real kPi = std::numbers::pi_v<Real>;

// A wall 0 <= x <= 1, 0 <= y <= 0.2 in one frame (or two meeting at x = 0.5), k = 2,
// held at 100 at x = 0 and cooled by h = 5 to 20 at x = 1: the flow per unit depth is
// q * 0.2 with q = 80 / (1/2 + 1/5).
const Real kWallFlow = 80 / (1.0L / 2 + 1.0L / 5) * 0.2L;

void MakeWall(Problem& problem, bool twoFrames = false) {
    MeshBuilder b(problem);
    if (twoFrames) {
        MeshRectangle(b, 0, 0, 0.5L, 0.2L, 5, 2, 1);
        MeshRectangle(b, 0.5L, 0, 0.5L, 0.2L, 5, 2, 1);
    } else {
        MeshRectangle(b, 0, 0, 1, 0.2L, 10, 2, 1);
    }
    b.Finish();
    SetMaterial(problem, 1, 2);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
    SetConvectionWhere(
        problem, [](Real x, Real) { return Near(x, 1); }, 5, 20);
    InsulateRest(problem);
}

struct Solved {
    explicit Solved(Problem& p) : run(p) {}
    FlowContext Context() {
        return FlowContext{run.problem, run.state.checked.elements, run.state.results,
                           &run.state.balances};
    }
    Real PathFlow(const std::vector<std::pair<Real, Real>>& points, int level = 0) {
        std::vector<int> nodes;
        for (const auto& [x, y] : points) nodes.push_back(NodeAt(run.problem, x, y));
        int bad = 0;
        const FlowContext c = Context();
        EXPECT_TRUE(SelectNodePath(c, path, nodes, level, bad)) << bad;
        return SelectionFlow(c, path, level).value;
    }
    CalculationRun run;
    FlowPath path;
};

TEST(LineFlow, PlaneWallFlowIsTheSameAcrossEveryKindOfPath) {
    Problem problem;
    MakeWall(problem);
    Solved s(problem);
    ASSERT_EQ(s.run.Calculate().code, SolverError::Ok);
    // Interior element lines (two elements each), the held face (one element each) and
    // the convection face (the boundary method).
    EXPECT_NEAR(static_cast<double>(s.PathFlow({{0.5L, 0}, {0.5L, 0.1L}, {0.5L, 0.2L}})),
                static_cast<double>(kWallFlow), 1e-9);
    EXPECT_NEAR(static_cast<double>(s.PathFlow({{0, 0.2L}, {0, 0.1L}, {0, 0}})),
                static_cast<double>(kWallFlow), 1e-9);
    EXPECT_NEAR(static_cast<double>(s.PathFlow({{1, 0}, {1, 0.1L}, {1, 0.2L}})),
                static_cast<double>(kWallFlow), 1e-9);
    // Each segment of the path carries its share with the first one's sign.
    for (const SelectRec& item : problem.selection.items)
        EXPECT_NEAR(static_cast<double>(item.segment->lineFlow), static_cast<double>(kWallFlow / 2),
                    1e-9);
    EXPECT_EQ(FlowSummaryText(problem),
              "Q[" + std::to_string(problem.selection.items[1].segment->node1) + "," +
                  std::to_string(problem.selection.items[1].segment->node2) +
                  "]=" + FormatNumber(AutoFormat(kWallFlow, 4), kWallFlow / 2) +
                  " W/m    Sum(Q)=" + FormatNumber(AutoFormat(kWallFlow, 4), kWallFlow) + " W/m");
}

TEST(LineFlow, APathBackAcrossTheWallCancelsAndASingleSegmentIsPositive) {
    Problem problem;
    MakeWall(problem);
    Solved s(problem);
    ASSERT_EQ(s.run.Calculate().code, SolverError::Ok);
    // Up the line x = 0.3, then along the top and down x = 0.6: crossing the wall twice
    // in opposite senses relative to the travel, the two crossings cancel.
    const Real loop = s.PathFlow({{0.3L, 0},
                                  {0.3L, 0.1L},
                                  {0.3L, 0.2L},
                                  {0.4L, 0.2L},
                                  {0.5L, 0.2L},
                                  {0.6L, 0.2L},
                                  {0.6L, 0.1L},
                                  {0.6L, 0}});
    EXPECT_NEAR(static_cast<double>(loop), 0, 1e-9);
    // A single segment always shows a positive flow, whichever way it is picked.
    EXPECT_GT(s.PathFlow({{0.6L, 0.2L}, {0.6L, 0.1L}}), 0);
    EXPECT_GT(s.PathFlow({{0.6L, 0.1L}, {0.6L, 0.2L}}), 0);
    // The same two-segment path picked in either node order gives the same sum.
    const Real down = s.PathFlow({{0.5L, 0.2L}, {0.5L, 0.1L}, {0.5L, 0}});
    const Real up = s.PathFlow({{0.5L, 0}, {0.5L, 0.1L}, {0.5L, 0.2L}});
    EXPECT_NEAR(static_cast<double>(down), static_cast<double>(up), 1e-12);
}

// The boundary of the square [0, a]^2 meshed n x n, anticlockwise from the origin and
// closed.
std::vector<std::pair<Real, Real>> AroundSquare(Real a, int n) {
    std::vector<std::pair<Real, Real>> points;
    const Real h = a / n;
    for (int i = 0; i < n; ++i) points.push_back({i * h, 0});
    for (int i = 0; i < n; ++i) points.push_back({a, i * h});
    for (int i = n; i > 0; --i) points.push_back({i * h, a});
    for (int i = n; i >= 0; --i) points.push_back({0, i * h});
    return points;
}

TEST(LineFlow, AFluxIntoAnyEdgeOfABodyIsShownEntering) {
    // A square 0.1 m, k = 10, 1000 W/m2 into its top and bottom, held at 0 on its sides:
    // 100 W/m enters through each of top and bottom and leaves through the sides. The
    // held sides' flows come from the one-sided element gradients, and the corners where
    // the flux meets the held value make the gradient singular: on 10 x 10 cells each
    // side shows about 90 W/m, so the closed path's sum is about 20 W/m, not 0. An
    // entering flux counted as leaving would put it near 200 W/m.
    Problem problem;
    MeshBuilder b(problem);
    const int body = MeshRectangle(b, 0, 0, 0.1L, 0.1L, 10, 10, 1);
    b.Finish();
    SetMaterial(problem, 1, 10);
    SetFluxWhere(
        problem, [](Real, Real y) { return Near(y, 0) || Near(y, 0.1L); }, 1000);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0) || Near(x, 0.1L); },
        [](Real, Real) { return 0; });
    // The drawing commands name the frame at each segment's first test point frame A;
    // on some edges of a body that is the exterior.
    int exteriorFirst = 0;
    for (LineSegment& seg : problem.lines) {
        if (seg.frameA != 0 && seg.frameB != 0) continue;
        ProbeSides(problem, seg);
        if (seg.frameA == 0 && seg.fluxSpec > 0) ++exteriorFirst;
    }
    ASSERT_GT(exteriorFirst, 0);
    Solved s(problem);
    ASSERT_EQ(s.run.Calculate().code, SolverError::Ok);
    for (Real y : {0.0L, 0.1L}) {
        std::vector<std::pair<Real, Real>> edge;
        for (int i = 0; i <= 10; ++i) edge.push_back({i * 0.01L, y});
        EXPECT_NEAR(static_cast<double>(s.PathFlow(edge)), 100, 1e-9) << y;
        // Each arrow points into the body.
        for (const SelectRec& item : problem.selection.items) {
            const LineSegment& seg = *item.segment;
            const TestPointPair tp = TestPoints(problem, seg, 6);
            const bool toP2 = seg.flowDirection == 1;
            EXPECT_EQ(FrameAtPoint(problem, toP2 ? tp.x2 : tp.x1, toP2 ? tp.y2 : tp.y1), body) << y;
        }
    }
    EXPECT_NEAR(static_cast<double>(s.PathFlow(AroundSquare(0.1L, 10))), 0, 25);
}

TEST(LineFlow, AnisotropicFluxAgreesInTheElementsAndTheFlows) {
    // k = 1 with ky/kx = 4, T = 100 at y = 0 and 0 at y = 0.1: the flux is
    // a k dT/dy = 4000 W/m2 in Cartesian geometry. In cylindrical geometry (r from 0.1
    // to 0.2) the ratio takes no part: 1000 W/m2 through pi (0.2^2 - 0.1^2) m2.
    for (bool cylindrical : {false, true}) {
        Problem problem;
        problem.SetCylindrical(cylindrical);
        MeshBuilder b(problem);
        const Real r0 = cylindrical ? 0.1L : 0;
        MeshRectangle(b, r0, 0, 0.1L, 0.1L, 4, 4, 1);
        b.Finish();
        problem.UpdateAreaFactors();
        SetMaterial(problem, 1, 1);
        problem.materials[1].anisotropic = 1;
        problem.materials[1].kyOverKx = 4;
        SetValueWhere(
            problem, [](Real, Real y) { return Near(y, 0); }, [](Real, Real) { return 100; });
        SetValueWhere(
            problem, [](Real, Real y) { return Near(y, 0.1L); }, [](Real, Real) { return 0; });
        InsulateRest(problem);
        Solved s(problem);
        ASSERT_EQ(s.run.Calculate().code, SolverError::Ok);
        const Real flux = cylindrical ? 1000 : 4000;
        const ResultSolutionData data(s.run.state.checked.elements, s.run.state.results, 0);
        for (int e = 1; e <= s.run.state.checked.elements.Count(); ++e)
            EXPECT_NEAR(static_cast<double>(ElementFlux(problem, data, e, 0, false).magnitude),
                        static_cast<double>(flux), 1e-6)
                << cylindrical;
        std::vector<std::pair<Real, Real>> across;
        for (int i = 0; i <= 4; ++i) across.push_back({r0 + i * 0.025L, 0.05L});
        const Real through = cylindrical ? flux * kPi * (0.2L * 0.2L - 0.1L * 0.1L) : flux * 0.1L;
        EXPECT_NEAR(static_cast<double>(s.PathFlow(across)), static_cast<double>(through), 1e-6)
            << cylindrical;
    }
}

TEST(LineFlow, CylindricalShellCarriesTwoPiTimesThePerRadianFlow) {
    // r from 0.1 to 0.2, height 0.1, k = 1, 100 inside and 0 outside:
    // Q = 2 pi k H (T1 - T2) / ln(r2 / r1) over the whole circumference.
    Problem problem;
    problem.SetCylindrical(true);
    MeshBuilder b(problem);
    MeshRectangle(b, 0.1L, 0, 0.1L, 0.1L, 40, 2, 1);
    b.Finish();
    problem.UpdateAreaFactors();
    SetMaterial(problem, 1, 1);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0.1L); }, [](Real, Real) { return 100; });
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0.2L); }, [](Real, Real) { return 0; });
    InsulateRest(problem);
    Solved s(problem);
    ASSERT_EQ(s.run.Calculate().code, SolverError::Ok);
    const Real exact = 2 * kPi * 0.1L * 100 / std::log(2.0L);
    const Real flow = s.PathFlow({{0.15L, 0}, {0.15L, 0.05L}, {0.15L, 0.1L}});
    EXPECT_NEAR(static_cast<double>(flow / exact), 1.0, 2e-3);
    // The balances of the held inner nodes carry the same total, 2 pi included.
    CombineSteadyBalances(problem, s.run.state.balances, {1});
    Real inner = 0;
    for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
        if (Near(Position(problem, n).first, 0.1L)) inner += s.run.state.balances.Level(0)[n];
    EXPECT_NEAR(static_cast<double>(inner / exact), 1.0, 2e-3);
    const std::string text = FlowSummaryText(problem);
    EXPECT_EQ(text.substr(text.size() - 2), " W") << text;
}

TEST(NodalBalances, InteriorNodesBalanceAndFramesShareInterfaceFlows) {
    Problem problem;
    MakeWall(problem, true);
    Solved s(problem);
    ASSERT_EQ(s.run.Calculate().code, SolverError::Ok);
    ASSERT_EQ(problem.frameCount, 2);
    const ResultTable& b = s.run.state.balances;
    ASSERT_EQ(b.LevelCount(), 3);
    CombineSteadyBalances(problem, s.run.state.balances, {1, 2});
    Real interiorSum = 0, heldSum = 0;
    for (int n = 1; n <= problem.settings.activeNodeCount; ++n) {
        const auto [x, y] = Position(problem, n);
        const Real combined = b.Level(0)[n];
        const bool interior = !Near(x, 0) && !Near(x, 1) && !Near(y, 0) && !Near(y, 0.2L);
        if (interior) {
            EXPECT_NEAR(static_cast<double>(combined), 0, 1e-9) << x << " " << y;
            interiorSum += combined;
        }
        if (Near(x, 0)) heldSum += combined;
        // At the interface the frames' shares are equal and opposite.
        if (Near(x, 0.5L)) {
            EXPECT_NEAR(static_cast<double>(b.Level(1)[n] + b.Level(2)[n]), 0, 1e-9);
            EXPECT_GT(std::fabs(b.Level(1)[n]), 1);
        }
        // Each frame's vector holds 0 for nodes outside it (no elements there).
        if (x > 0.55L) {
            EXPECT_EQ(b.Level(1)[n], 0);
        }
    }
    EXPECT_NEAR(static_cast<double>(interiorSum), 0, 1e-9);
    // The held face passes the wall's flow into the material.
    EXPECT_NEAR(static_cast<double>(heldSum), static_cast<double>(kWallFlow), 1e-9);
    // The balance window's texts sum the picked nodes.
    problem.selection.state = SelectType::Nodal;
    problem.selection.items = {NumberItem(NodeAt(problem, 0, 0)),
                               NumberItem(NodeAt(problem, 0, 0.1L)),
                               NumberItem(NodeAt(problem, 0, 0.2L))};
    const FlowContext c = s.Context();
    EXPECT_NEAR(static_cast<double>(SelectionFlow(c, s.path, 0).value),
                static_cast<double>(kWallFlow), 1e-9);
    const std::string text = BalanceSummaryText(c, 0);
    EXPECT_NE(text.find("   Sum(Q)="), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 4), " W/m");
    problem.selection.items.resize(1);
    const std::string one = BalanceSummaryText(c, 0);
    const std::string tail = " W/m    T[" + std::to_string(NodeAt(problem, 0, 0)) + "]=100";
    EXPECT_EQ(one.substr(one.size() - tail.size()), tail) << one;
    problem.selection.items.clear();
    EXPECT_EQ(BalanceSummaryText(c, 0), "Click on a node");
    // The balance picture: three dotted spokes for every element of the chosen frames,
    // the first and the last element included.
    const ElementTable& elements = s.run.state.checked.elements;
    for (int k = 1; k <= problem.frameCount; ++k) problem.frames[k].balanceSelected = 1;
    const std::span<const Real> values = s.run.state.results.Level(0);
    problem.selection.items = {NumberItem(NodeAt(problem, 0, 0))};
    DrawList picture;
    DrawBalanceLayout(problem, elements, values, picture);
    std::size_t spokes = 0;
    for (const Primitive& item : picture.items)
        if (item.kind == PrimitiveKind::Lines && item.pen.style == PenStyle::Dotted)
            spokes += item.count / 2;
    EXPECT_EQ(spokes, 3 * static_cast<std::size_t>(elements.Count()));
    // Each node of the chosen elements carries its value once, centred on the node, in a
    // circle drawn heavy for the picked node only.
    std::set<int> labelled;
    for (int e = 1; e <= elements.Count(); ++e)
        for (int n : elements[e].nodes) labelled.insert(n);
    std::size_t texts = 0;
    for (const TextPrimitive& t : picture.texts) {
        ++texts;
        int at = 0;
        for (int n : labelled)
            if (std::fabs(t.at.x - static_cast<double>(problem.nodes[n].x)) < 0.01 &&
                std::fabs(t.at.y - static_cast<double>(problem.nodes[n].y)) < 0.01)
                at = n;
        ASSERT_NE(at, 0) << t.text;
        EXPECT_EQ(t.text, FormatCell(DecForm{kAutomaticStyle, 1}, values[at]));
    }
    EXPECT_EQ(texts, labelled.size());
    std::size_t heavy = 0;
    for (const Primitive& item : picture.items)
        if (item.kind == PrimitiveKind::Ellipse && item.pen.width == 2) ++heavy;
    EXPECT_EQ(heavy, 1u);
}

TEST(NodalBalances, TransientBalancesApproachTheSteadyOnes) {
    Problem problem;
    MakeWall(problem);
    problem.settings.transient = true;
    // Starting uniformly at the held value, the wall cools from its convective face;
    // nothing jumps, so Crank-Nicolson has no oscillation to carry.
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = 100;
    SetMaterial(problem, 1, 2, 20, 1);  // alpha = 0.1: the time scale is 10 s
    Solved s(problem);
    TransientSetupInput setup = TimeSettings(80, 0.2L);
    setup.doBalances = true;
    setup.balanceFrames = {1};
    ASSERT_EQ(s.run.Calculate(setup).code, SolverError::Ok);
    EXPECT_EQ(s.run.progress.captions[1], "Calculating Nodal Balances...");
    const ResultTable& b = s.run.state.balances;
    ASSERT_EQ(b.LevelCount(), 401);
    EXPECT_NEAR(static_cast<double>(b.Level(400)[0]), 80, 1e-9);
    Real held = 0;
    for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
        if (Near(Position(problem, n).first, 0)) held += b.Level(400)[n];
    EXPECT_NEAR(static_cast<double>(held), static_cast<double>(kWallFlow), 0.01);
    // Early on the cooling has not reached the held face yet.
    Real early = 0;
    for (int n = 1; n <= problem.settings.activeNodeCount; ++n)
        if (Near(Position(problem, n).first, 0)) early += b.Level(1)[n];
    EXPECT_LT(std::fabs(early), kWallFlow / 100);
    // Interior nodes balance capacity rate against conduction at every level.
    for (int level : {100, 250, 399})
        for (int n = 1; n <= problem.settings.activeNodeCount; ++n) {
            const auto [x, y] = Position(problem, n);
            if (!Near(x, 0) && !Near(x, 1) && !Near(y, 0) && !Near(y, 0.2L)) {
                EXPECT_NEAR(static_cast<double>(b.Level(level)[n]), 0, 0.01 * kWallFlow)
                    << level << " " << x;
            }
        }
    // Nodes that are not active and frame entries.
    EXPECT_EQ(b.Level(5)[static_cast<std::size_t>(problem.nodes.Count() + 1)], 0);
}

TEST(FlowClick, PathGrowsFromItsEndClosesAndThenStartsAgain) {
    Problem problem;
    MakeWall(problem);
    Solved s(problem);
    ASSERT_EQ(s.run.Calculate().code, SolverError::Ok);
    const FlowContext c = s.Context();
    auto segment = [&](Real x1, Real y1, Real x2, Real y2) -> LineSegment& {
        const int a = NodeAt(problem, x1, y1), b = NodeAt(problem, x2, y2);
        for (LineSegment& seg : problem.lines)
            if ((seg.node1 == a && seg.node2 == b) || (seg.node1 == b && seg.node2 == a))
                return seg;
        ADD_FAILURE() << "no segment";
        return *problem.lines.begin();
    };
    // A closed loop around one cell: (0.5,0)-(0.6,0)-(0.6,0.1)-(0.5,0.1)-(0.5,0).
    LineSegment& s1 = segment(0.5L, 0, 0.6L, 0);
    LineSegment& s2 = segment(0.6L, 0, 0.6L, 0.1L);
    LineSegment& s3 = segment(0.6L, 0.1L, 0.5L, 0.1L);
    LineSegment& s4 = segment(0.5L, 0.1L, 0.5L, 0);
    FlowClick(c, s.path, s1, 0);
    EXPECT_EQ(s.path.pathStart, 0);
    FlowClick(c, s.path, s2, 0);
    EXPECT_EQ(s.path.pathStart, NodeAt(problem, 0.5L, 0));
    EXPECT_EQ(s.path.pathEnd, NodeAt(problem, 0.6L, 0.1L));
    FlowClick(c, s.path, s3, 0);
    const FlowClickResult closing = FlowClick(c, s.path, s4, 0);
    EXPECT_EQ(problem.selection.Count(), 4);
    EXPECT_EQ(s.path.pathEnd, 0);  // closed
    // Heat flowing through the closed cell sums to zero.
    EXPECT_NEAR(static_cast<double>(SelectionFlow(c, s.path, 0).value), 0, 1e-9);
    EXPECT_FALSE(closing.marks.Empty());
    // The next click starts a new selection.
    const FlowClickResult fresh = FlowClick(c, s.path, s2, 0);
    EXPECT_TRUE(fresh.redraw);
    EXPECT_EQ(problem.selection.Count(), 1);
    // A horizontal segment carries no flow in this wall: the red octagon.
    const FlowClickResult zero = FlowClick(c, s.path, s1, 0);
    ASSERT_EQ(zero.marks.items.size(), 1u);
    const Primitive& octagon = zero.marks.items[0];
    ASSERT_EQ(octagon.kind, PrimitiveKind::Region);
    EXPECT_EQ(zero.marks.PointsOf(octagon).size(), 8u);
    EXPECT_EQ(octagon.brush.color, kPureRed);
    // A vertical one: a line across it and an arrowhead on the cooler side.
    const FlowClickResult arrow = FlowClick(c, s.path, s2, 0);
    ASSERT_EQ(arrow.marks.items.size(), 2u);
    ASSERT_EQ(arrow.marks.items[0].kind, PrimitiveKind::Polyline);
    ASSERT_EQ(arrow.marks.items[1].kind, PrimitiveKind::Region);
    const auto line = arrow.marks.PointsOf(arrow.marks.items[0]);
    const auto head = arrow.marks.PointsOf(arrow.marks.items[1]);
    const float cooler = std::max(line[0].x, line[1].x);
    EXPECT_GT(head[0].x, cooler);  // the tip points on, away from the wall's hot side
    problem.selection.items.clear();
    EXPECT_EQ(FlowSummaryText(problem), "Select (1 or more) connected boundaries.");
}

}  // namespace
}  // namespace kova::test
