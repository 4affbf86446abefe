#include "geometry/element_lines.hpp"

#include "editing/drawing_commands.hpp"
#include "editing_fixture.hpp"

namespace kova {
namespace {

using testing::AddRectangleFrame;

class ElementLinesTest : public EditingTest {
protected:
    ElementLinesTest() { AddRectangleFrame(problem, 100, 100, 300, 300); }

    int Refusals() const {
        int n = 0;
        for (const auto& e : reporter.events) n += e.text == kBadElementLine ? 1 : 0;
        return n;
    }
};

TEST_F(ElementLinesTest, ALineBetweenTwoNodesOfADistributedFrameIsAnElementLine) {
    const EditResult r = ElementLines(problem, Clicks({{102, 98}, {296, 297}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.count, 1);
    const LineSegment* line = SegmentBetween(100, 100, 300, 300);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line, r.segment);
    EXPECT_EQ(line->frameA, 1);
    EXPECT_EQ(line->frameB, 1);
    EXPECT_EQ(line->fluxSpec + line->valueSpec + line->transferSpec + line->ambientSpec, 0);
    EXPECT_EQ(problem.nodes.Count(), 4);
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"Lines"}));
    EXPECT_EQ(InfoText(), "");
    EXPECT_EQ(problem.selection.state, SelectType::None);
    ExpectConsistent();
}

TEST_F(ElementLinesTest, AnEndSnappedOntoANodeIsTestedForCrossingsThere) {
    // A small quadrilateral cut by one element line; the click (651, 438) is clear of
    // that line, but the node 5 pixels away that it snaps to lies beyond it.
    const Real bx = 650.7711921L, by = 445.4293755L, cx = 639.9017786L, cy = 434.4610696L;
    testing::AddFrame(
        problem, {{640.7024957L, 452.3150961L}, {bx, by}, {646.7084097L, 434.8474819L}, {cx, cy}});
    testing::AddSegment(problem, NodeNear(bx, by), NodeNear(cx, cy), 2, 2);
    const int lines = problem.lines.Count();
    const EditResult r = ElementLines(problem, Clicks({{640.7024957L, 452.3150961L}, {651, 438}}));
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(problem.lines.Count(), lines);
    EXPECT_EQ(Refusals(), 1);
    ExpectConsistent();
}

TEST_F(ElementLinesTest, RefusedEndsBeepAndTheNextClickTriesAgain) {
    ElementLines(problem, Clicks({{100, 100}, {300, 300}}));
    reporter.Clear();
    const int nodes = problem.nodes.Count();
    const EditResult r = ElementLines(problem, Clicks({{100, 300},
                                                       {300, 100},  // crosses the diagonal
                                                       {400, 200},  // ends outside
                                                       {300, 300},  // along the bottom edge
                                                       {150, 250}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Refusals(), 3);
    EXPECT_EQ(reporter.BeepCount(), 3);
    EXPECT_EQ(problem.nodes.Count(), nodes + 1);  // only the accepted end is a new node
    EXPECT_NE(SegmentBetween(100, 300, 150, 250), nullptr);
    ExpectConsistent();
}

TEST_F(ElementLinesTest, AnExistingLineIsRefusedAndAShortClickIgnored) {
    ElementLines(problem, Clicks({{100, 100}, {300, 300}}));
    reporter.Clear();
    const int lines = problem.lines.Count();
    EditResult r = ElementLines(problem, Clicks({{300, 300}, {100, 100}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(problem.lines.Count(), lines);
    EXPECT_EQ(Refusals(), 1);
    reporter.Clear();
    r = ElementLines(problem, Clicks({{100, 100}, {103, 102}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Refusals(), 0);
    EXPECT_EQ(reporter.BeepCount(), 0);
    EXPECT_EQ(problem.lines.Count(), lines);
}

TEST_F(ElementLinesTest, AnEndOnAnotherSegmentSplitsItAndTheOutlineTakesTheNode) {
    const EditResult r = ElementLines(problem, Clicks({{100, 100}, {302, 200}}));
    ASSERT_TRUE(r.ok);
    const int end = NodeNear(300, 200);
    ASSERT_NE(end, 0);
    EXPECT_EQ(SegmentBetween(300, 100, 300, 300), nullptr);
    EXPECT_EQ(Sides(SegmentBetween(300, 100, 300, 200)), (std::vector<int>{0, 1}));
    EXPECT_EQ(Sides(SegmentBetween(300, 200, 300, 300)), (std::vector<int>{0, 1}));
    EXPECT_EQ(FrameNo(1).VertexCount(), 6);
    ExpectConsistent();
}

TEST_F(ElementLinesTest, AStartOnASegmentMakesANodeThereAndAStartOnNothingEnds) {
    EditResult r = ElementLines(problem, Clicks({{200, 102}, {200, 298}}));
    ASSERT_TRUE(r.ok);
    EXPECT_NE(SegmentBetween(200, 100, 200, 300), nullptr);
    EXPECT_EQ(problem.nodes.Count(), 6);
    ExpectConsistent();
    r = ElementLines(problem, Clicks({{150, 150}, {120, 120}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(problem.nodes.Count(), 6);
}

TEST_F(ElementLinesTest, LinesInsideALumpAreRefused) {
    FrameNo(1).type = FrameType::Lumped;
    const EditResult r = ElementLines(problem, Clicks({{100, 100}, {300, 300}}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kBadElementLine);
    EXPECT_EQ(SegmentBetween(100, 100, 300, 300), nullptr);
}

}  // namespace
}  // namespace kova
