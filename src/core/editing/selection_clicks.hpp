// Selecting with the mouse: what a left-button press in a window that shows the drawing
// does to the selection, the saved groups and the frame labels, the rectangle selection,
// the Group and Ungroup commands, and the information texts that describe the
// selection's last item in the status bar.
#pragma once

#include <string>

#include "model/problem.hpp"

namespace kova {

// The window types that click rules depend on.
inline constexpr int kInputWindowType = 1;
inline constexpr int kFlowWindowType = 5;
inline constexpr int kNodalWindowType = 6;

// Click state that outlives a click: Reposition mode (from "Reposition Nodes" to the
// first click that hits no node) and the current group (found by the last group click
// or made by the last Group command; null when there is none).
struct ClickState {
    bool repositionMode = false;
    const SelectionGroup* currentGroup = nullptr;
};

// One press: the position in drawing pixels, the window it happened in, and whether
// Ctrl was held (Ctrl skips the group lookup, so one item of a group can be picked).
struct ClickInput {
    Real x = 0;
    Real y = 0;
    int windowType = kInputWindowType;
    bool ctrl = false;
};

// What the window does next after a press.
enum class NextStep {
    Nothing,
    RubberRectangle,  // drag a rectangle from the press; SelectInRectangle at the release
    DragNode,         // drag node `node` (Reposition mode); MoveNode at the release
    FlowSegment,      // a flow path window: the flow rules take `segment`
};

struct ClickReply {
    NextStep next = NextStep::Nothing;
    int node = 0;
    LineSegment* segment = nullptr;
};

// The left-button press. In the states Frames, Lumps, Points, Lines, Bounds and None: a
// node within 4 pixels (when nodes are shown or in Reposition mode; a node of a lump
// only in Reposition mode), else a segment within 5 pixels (which ends Reposition
// mode), else the frame under the press; else, in the input window below the top edge,
// the selection is emptied (kept in state Bounds) and a rubber rectangle starts. The
// information panel then describes the selection's last item. LineErrors and
// NodeErrors empty the selection; Templat ignores the press.
ClickReply ClickAt(Problem& problem, ClickState& state, const ClickInput& click);

// The rectangle's selection step: every active segment with two different sides whose
// two end points lie inside the rectangle is added (state Bounds in the input window,
// Flow in the others); in a nodal window the end nodes of those segments, each once,
// with state Nodal. When none qualifies the selection is emptied.
void SelectInRectangle(Problem& problem, int windowType, Real x0, Real y0, Real x1, Real y1);

// "Group": the undo snapshot "Group", then the selection becomes a new group at the head
// of the list, and the current group. Nothing happens with an empty selection.
void GroupSelection(Problem& problem, ClickState& state);

// "Ungroup": the undo snapshot "Ungroup" and the current group removed (when there is
// one), then the selection emptied (the states Flow and Nodal are kept). An undo
// rebuilds the group list, so the window forgets the current group after one.
void UngroupSelection(Problem& problem, ClickState& state);

// Whether the selection is the current group (Group is then offered no more, Ungroup
// is).
bool SelectionIsCurrentGroup(const Problem& problem, const ClickState& state);

// The information texts.
std::string SpecText(const Problem& problem, int n);
void ShowSelectionInfo(Problem& problem);
void ShowFrameInfo(Problem& problem, int k);
void ShowNodeInfo(Problem& problem, int k);
void ShowSegmentInfo(Problem& problem, const LineSegment& segment);

}  // namespace kova
