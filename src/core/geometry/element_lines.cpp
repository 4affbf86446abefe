#include "geometry/element_lines.hpp"

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

EditResult RunElementLines(Problem& problem, const std::vector<ClickPoint>& clicks) {
    EditResult result;
    Reporter& reporter = problem.reporter();
    std::size_t next = 0;
    bool running = true;
    while (running && next < clicks.size()) {
        ClickPoint first = clicks[next++];
        KeepRightOfAxis(problem, first.x);
        if (first.y < 0) break;
        const int s = StartNode(problem, first);
        if (s == 0) break;
        problem.MarkProblemChanged();
        bool failedBefore = false;
        for (;;) {
            if (!failedBefore)
                reporter.ShowStatusText(GetMessage(MessageId::ClickOnLineEndpoint),
                                        StatusPanel::Info);
            if (next >= clicks.size()) {
                running = false;
                break;
            }
            ClickPoint click = clicks[next++];
            KeepRightOfAxis(problem, click.x);
            click.y = std::max<Real>(click.y, 0);
            LineSegment* made = nullptr;
            const EndResult r = EndLine(problem, s, click, made);
            if (r == EndResult::Ignored) continue;
            if (r == EndResult::Failed) {
                running = false;
                break;
            }
            if (r == EndResult::Refused) {
                ShowRuleHint(reporter, MessageId::EndpointOutsideOutline);
                result.message = GetMessage(MessageId::EndpointOutsideOutline);
                failedBefore = true;
                continue;
            }
            result.segment = made;
            ++result.count;
            result.message.clear();
            break;
        }
    }
    reporter.ShowStatusText("", StatusPanel::Info);
    // Every frame whose boundary a line end split gets the new node in its vertex list.
    SettleFrames(problem);
    problem.ClassifyNodes();
    ClearSelection(problem);
    result.ok = result.count > 0;
    return result;
}

}  // namespace kova
