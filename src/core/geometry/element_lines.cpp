#include "geometry/element_lines.hpp"

#include <algorithm>
#include <cmath>
#include <exception>

#include "geometry/crossing_guard.hpp"
#include "geometry/deletion.hpp"
#include "geometry/primitives.hpp"
#include "model/messages.hpp"

namespace kova {
namespace {

// A click within this many pixels (|dx| + |dy|, rounded) of the start node is ignored.
constexpr long long kTooShort = 6;

// The start node of a line: a node near the click, else a new node on the segment the
// click lies on; 0 when the click is on neither, or when the split there would leave
// the halves crossing another segment (the rounded projection lies a little off the
// segment), with nothing kept.
int StartNode(Problem& problem, ClickPoint click) {
    Real x = click.x, y = click.y;
    if (const int s = FindNodeNear(problem, x, y, kElementLineSnap)) return s;
    const SegmentThroughResult through = FindSegmentThrough(problem, x, y, 0);
    if (through.segment == nullptr) return 0;
    const GeometryCheckpoint before(problem);
    const int s = problem.AddNode(through.px, through.py);
    if (s != 0 && SplitSegmentAtNode(problem, s) && ClashAtNodes(problem, {s})) {
        before.Restore(problem);
        ShowRuleHint(problem.reporter(), MessageId::EndpointOutsideOutline);
        return 0;
    }
    return s;
}

enum class EndResult { Made, Refused, Ignored, Failed };

// Tries to end the line from node s at the click.
EndResult EndLine(Problem& problem, int s, ClickPoint click, LineSegment*& made) {
    Real x = click.x, y = click.y;
    const Real sx = problem.nodes[s].x, sy = problem.nodes[s].y;
    if (std::llabs(RoundHalfEven(x - sx)) + std::llabs(RoundHalfEven(y - sy)) <= kTooShort)
        return EndResult::Ignored;
    const CrossingResult crossing = CrossingCheck(problem, nullptr, sx, sy, x, y);
    if (!crossing.pass) return EndResult::Refused;
    x = crossing.xe;
    y = crossing.ye;
    int e = FindNodeNear(problem, x, y, kElementLineSnap);
    // A click that snaps back onto the start node draws nothing.
    if (e == s) return EndResult::Refused;
    // Snapped onto a node, the line ends there rather than at the tested point.
    if (e != 0 &&
        !CrossingCheck(problem, nullptr, sx, sy, problem.nodes[e].x, problem.nodes[e].y, false)
             .pass)
        return EndResult::Refused;
    const bool added = e == 0;
    if (added) {
        e = problem.AddNode(x, y);
        if (e == 0) return EndResult::Failed;
    }
    const int m = FramesAtPoint(problem, (sx + x) / 2, (sy + y) / 2).first;
    if (m < 1 || !problem.FrameIsDistributed(m)) {
        if (added) problem.nodes.PopLast();
        return EndResult::Refused;
    }
    // The node comes before the checkpoint: a refused line drops it by the rule above.
    const GeometryCheckpoint before(problem);
    SplitSegmentAtNode(problem, e);
    const bool existed = FindSegment(problem, s, e) != nullptr;
    LineSegment* line = FindOrCreateSegment(problem, s, e, false);
    if (line == nullptr) return EndResult::Failed;
    // A line that exists already, or one that on the stored positions meets another
    // segment (the rounded crossing test lets a line pass a segment within a few
    // pixels of its ends, and the split moves its end onto a rounded projection), is
    // refused with nothing kept.
    if (existed || ClashAtNodes(problem, {e})) {
        before.Restore(problem);
        if (added) problem.nodes.PopLast();
        return EndResult::Refused;
    }
    line->frameA = line->frameB = m;
    line->valueSpec = line->fluxSpec = line->transferSpec = line->ambientSpec = 0;
    made = line;
    return EndResult::Made;
}

}  // namespace

ClickStep ElementLineDrawing::Click(ClickPoint click) {
    if (m_over) return ClickStep::Ended;
    Problem& problem = m_problem;
    Reporter& reporter = problem.reporter();
    KeepRightOfAxis(problem, click.x);
    if (m_start.empty()) {
        // A start click above the drawing, or on neither node nor segment, ends the
        // command.
        const int s = click.y < 0 ? 0 : StartNode(problem, click);
        if (s == 0) {
            m_over = true;
            return ClickStep::Ended;
        }
        problem.MarkProblemChanged();
        m_start.assign(1, s);
        m_failedBefore = false;
        reporter.ShowStatusText(GetMessage(MessageId::ClickOnLineEndpoint), StatusPanel::Info);
        return ClickStep::Placed;
    }
    click.y = std::max<Real>(click.y, 0);
    LineSegment* made = nullptr;
    const EndResult r = EndLine(problem, m_start.front(), click, made);
    switch (r) {
        case EndResult::Ignored:
            if (!m_failedBefore)
                reporter.ShowStatusText(GetMessage(MessageId::ClickOnLineEndpoint),
                                        StatusPanel::Info);
            return ClickStep::Ignored;
        case EndResult::Failed:
            m_over = true;
            return ClickStep::Ended;
        case EndResult::Refused:
            ShowRuleHint(reporter, MessageId::EndpointOutsideOutline);
            m_result.message = GetMessage(MessageId::EndpointOutsideOutline);
            m_failedBefore = true;
            return ClickStep::Refused;
        case EndResult::Made:
            break;
    }
    m_result.segment = made;
    ++m_result.count;
    m_result.message.clear();
    m_start.clear();
    return ClickStep::Closed;
}

const EditResult& ElementLineDrawing::Finish() {
    if (m_finished) return m_result;
    m_finished = m_over = true;
    m_start.clear();
    Problem& problem = m_problem;
    problem.reporter().ShowStatusText("", StatusPanel::Info);
    // Every frame whose boundary a line end split gets the new node in its vertex list.
    SettleFrames(problem);
    problem.ClassifyNodes();
    ClearSelection(problem);
    m_result.ok = m_result.count > 0;
    return m_result;
}

EditResult RunElementLines(Problem& problem, const std::vector<ClickPoint>& clicks) {
    ElementLineDrawing drawing(problem);
    for (const ClickPoint& click : clicks) {
        drawing.Click(click);
        if (drawing.Over()) break;
    }
    return drawing.Finish();
}

}  // namespace kova
