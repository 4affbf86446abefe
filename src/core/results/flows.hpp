// Flows across picked line segments and sums of nodal balances: the flow of one
// segment from its boundary condition or from the conduction in its elements, one
// consistent sign along a picked path, the heat-flow window's click logic, the marks
// drawn for each picked segment and the information-panel texts.
#pragma once

#include <string>
#include <utility>

#include "expressions/solution_data.hpp"
#include "platform/draw_list.hpp"
#include "solver/element_table.hpp"
#include "solver/result_table.hpp"

namespace kova {

class Problem;

// The stored results and elements as the evaluator reads them.
class ResultSolutionData final : public SolutionData {
public:
    ResultSolutionData(const ElementTable& elements, const ResultTable& results, int displayed)
        : m_elements(elements), m_results(results), m_displayed(displayed) {}
    int ElementCount() const override { return m_elements.Count(); }
    ElementCorners Element(int e) const override {
        return ElementCorners{m_elements[e].nodes, m_elements[e].frame};
    }
    int LevelCount() const override { return m_results.LevelCount(); }
    std::span<const Real> Level(int level) const override { return m_results.Level(level); }
    int DisplayedStep() const override { return m_displayed; }
    bool TransientBeforeResults() const override { return false; }

private:
    const ElementTable& m_elements;
    const ResultTable& m_results;
    int m_displayed;
};

// What the flow computations read. The tables belong to the caller.
struct FlowContext {
    Problem& problem;
    const ElementTable& elements;
    const ResultTable& results;
    const ResultTable* balances = nullptr;
};

// The path being picked in the heat-flow window: its first and last node (PathEnd 0
// with two or more segments: the path closed on itself) and the crossing sense that
// counts as positive.
struct FlowPath {
    int pathStart = 0;
    int pathEnd = 0;
    bool referenceSense = false;
};

// Linear interpolation of element e's nodal values at stored level `level` at the
// drawing point (x, y); point and nodes are first rounded to whole drawing units.
Real ElementValueAt(const FlowContext& context, int element, Real x, Real y, int level);

struct SideFlowResult {
    Real flow = 0;         // across the side opposite node o, positive towards o
    Real doubledArea = 0;  // |w|
    bool ok = true;        // false after a failed conductivity evaluation (reported)
};

// The conduction flow across the side of `element` opposite its node `opposite`,
// multiplied by `areaFactor` in cylindrical geometry and by the extended-surface
// thickness of the element's frame for Extended Surfaces.
SideFlowResult SideFlow(const FlowContext& context, int element, int opposite, int level,
                        Real areaFactor);

// Computes the segment's line flow and flow direction at stored level `level` and gives
// the flow its sign along the path; `item` is the segment's index in the selection.
void LineFlow(const FlowContext& context, FlowPath& path, int item, LineSegment& segment,
              int level);

struct SelectionFlowResult {
    Real value = 0;
    int direction = 0;  // 0: not set
};

// The flow of the current selection at stored level `level`: the sum of the balances of
// selected nodes and lumps, or of the line flows of selected segments.
SelectionFlowResult SelectionFlow(const FlowContext& context, FlowPath& path, int level);

struct FlowClickResult {
    bool redraw = false;  // a previous selection was removed
    DrawList marks;       // the clicked segment's mark
    std::string summary;  // the information-panel text
};

// The heat-flow window's click on a segment at the displayed level.
FlowClickResult FlowClick(const FlowContext& context, FlowPath& path, LineSegment& segment,
                          int level);

// The arrow across a selected segment (or the red octagon of a zero flow).
void DrawFlowMark(const Problem& problem, const LineSegment& segment, DrawList& out);

// The nodal-balance window's annotations over the frames: for every element of a frame
// chosen for the balance, dotted lines from its centroid to the midpoints of its sides;
// one value label (`values`, the displayed level) per node of those elements and one per
// chosen lump, the selected ones drawn heavy.
void DrawBalanceLayout(const Problem& problem, const ElementTable& elements,
                       std::span<const Real> values, DrawList& out);

// The values window's labels: every active node's value (`values`, one stored level) in a
// circle at the node, and every lump's value at its label position.
void DrawNodeValueLabels(const Problem& problem, std::span<const Real> values, DrawList& out);

// The information-panel texts of the heat-flow and nodal-balance windows.
std::string FlowSummaryText(const Problem& problem);
std::string BalanceSummaryText(const FlowContext& context, int level);

// Builds a path from node numbers n1, n2, ..., nk as consecutive clicks on the segments
// between them, then evaluates it. False (nothing selected) when a pair is not joined by
// a segment; `badPair` then holds its index (0-based).
bool SelectNodePath(const FlowContext& context, FlowPath& path, const std::vector<int>& nodes,
                    int level, int& badPair);

}  // namespace kova
