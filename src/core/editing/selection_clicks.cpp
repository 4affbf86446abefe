#include "editing/selection_clicks.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "files/undo_snapshots.hpp"
#include "geometry/primitives.hpp"
#include "model/length_units.hpp"
#include "model/number_format.hpp"
#include "model/selection.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

// A press counts as on a node within this many pixels.
constexpr Real kNodeClickRadius = 4.0L;

bool IsElementLine(const LineSegment& s) {
    return s.frameA == s.frameB;
}

// Four significant digits, as the information texts show numbers.
std::string Digits4(Real x) {
    return FormatNumber(AutoFormat(x, 4), x);
}

// The group of the given kind that holds the item, unless Ctrl is held; it becomes the
// current group.
const SelectionGroup* LookUpGroup(Problem& problem, ClickState& state, const ClickInput& click,
                                  const SelectRec& item, std::initializer_list<SelectType> kinds) {
    if (click.ctrl) return nullptr;
    for (const SelectType kind : kinds)
        for (const SelectionGroup& g : problem.groups)
            if (g.kind == kind &&
                std::find(g.items.begin(), g.items.end(), item) != g.items.end()) {
                state.currentGroup = &g;
                problem.selection.previousState = problem.selection.state;
                return &g;
            }
    return nullptr;
}

// The items a click acts on: the group's, or the one clicked.
std::vector<SelectRec> ItemsOf(const SelectionGroup* group, const SelectRec& clicked) {
    if (group == nullptr) return {clicked};
    return group->items;
}

void SelectAlone(Problem& problem, const SelectRec& item, SelectType state) {
    ClearSelection(problem);
    AddToSelection(problem, item);
    problem.selection.state = state;
}

// One node (or, in a group of points, a lump as N + k) by the selection's state.
void NodeRule(Problem& problem, const SelectRec& item, bool repositioning) {
    Selection& sel = problem.selection;
    const int n = problem.nodes.Count();
    switch (sel.state) {
        case SelectType::Frames:
        case SelectType::Lines:
        case SelectType::Bounds:
            ClearSelection(problem);
            [[fallthrough]];
        case SelectType::None:
            // In Reposition mode a node of a lump is picked too: it is the one dragged.
            if (item.selectNo > n || problem.nodes[item.selectNo].active == 1 || repositioning) {
                AddToSelection(problem, item);
                sel.state = SelectType::Points;
            }
            break;
        case SelectType::Lumps:
            ToggleItem(problem, item);
            sel.state = SelectType::Points;
            break;
        case SelectType::Points:
        case SelectType::Nodal:
            ToggleItem(problem, item);
            break;
        default:
            break;
    }
}

// The press on a node; false when no node was hit.
bool NodeClick(Problem& problem, ClickState& state, ClickInput& click, ClickReply& reply) {
    Real x = click.x, y = click.y;
    const int k = FindNodeNear(problem, x, y, kNodeClickRadius);
    if (k == 0 || (problem.nodes[k].active != 1 && !state.repositionMode)) return false;
    click.x = x;
    click.y = y;
    const SelectRec item = NumberItem(k);
    const SelectionGroup* group =
        click.windowType == kNodalWindowType
            ? LookUpGroup(problem, state, click, item, {SelectType::Nodal})
        : click.windowType == kInputWindowType
            ? LookUpGroup(problem, state, click, item, {SelectType::Points, SelectType::Lumps})
            : nullptr;
    for (const SelectRec& each : ItemsOf(group, item))
        NodeRule(problem, each, state.repositionMode);
    if (state.repositionMode) {
        reply.next = NextStep::DragNode;
        reply.node = k;
    }
    ShowSelectionInfo(problem);
    return true;
}

// One segment by the selection's state.
void SegmentRule(Problem& problem, LineSegment* s, int windowType) {
    Selection& sel = problem.selection;
    const SelectRec item = SegmentItem(s);
    const SelectType alone = windowType == kFlowWindowType ? SelectType::Flow
                             : IsElementLine(*s)           ? SelectType::Lines
                                                           : SelectType::Bounds;
    switch (sel.state) {
        case SelectType::Lines:
            if (IsElementLine(*s))
                ToggleItem(problem, item);
            else
                SelectAlone(problem, item, alone);
            break;
        case SelectType::Bounds:
            if (!IsElementLine(*s))
                ToggleItem(problem, item);
            else
                SelectAlone(problem, item, alone);
            break;
        default:
            SelectAlone(problem, item, alone);
            break;
    }
}

bool SegmentClick(Problem& problem, ClickState& state, const ClickInput& click, ClickReply& reply) {
    LineSegment* s = FindSegmentThrough(problem, click.x, click.y, 0).segment;
    if (s == nullptr) return false;
    if (problem.selection.state == SelectType::Flow) {
        // The flow path rules belong to the flow window.
        reply.next = NextStep::FlowSegment;
        reply.segment = s;
        return true;
    }
    const SelectionGroup* group = click.windowType == kInputWindowType
                                      ? LookUpGroup(problem, state, click, SegmentItem(s),
                                                    {SelectType::Lines, SelectType::Bounds})
                                      : nullptr;
    for (const SelectRec& each : ItemsOf(group, SegmentItem(s)))
        if (each.segment != nullptr) SegmentRule(problem, each.segment, click.windowType);
    ShowSelectionInfo(problem);
    return true;
}

// One frame (a lump as N + k) by the selection's state.
void FrameRule(Problem& problem, int k) {
    Selection& sel = problem.selection;
    if (!problem.ValidFrame(k)) return;
    const bool lump = problem.frames[k].IsLump();
    const SelectRec item = NumberItem(lump ? problem.nodes.Count() + k : k);
    const SelectType alone = lump ? SelectType::Lumps : SelectType::Frames;
    switch (sel.state) {
        case SelectType::Frames:
            if (!lump)
                ToggleItem(problem, item);
            else
                SelectAlone(problem, item, alone);
            break;
        case SelectType::Lumps:
            if (lump)
                ToggleItem(problem, item);
            else
                SelectAlone(problem, item, alone);
            break;
        case SelectType::Points:
            if (lump)
                ToggleItem(problem, item);
            else
                SelectAlone(problem, item, alone);
            break;
        case SelectType::Nodal:
            AddToSelection(problem, item);
            break;
        default:
            SelectAlone(problem, item, alone);
            break;
    }
}

bool FrameClick(Problem& problem, ClickState& state, const ClickInput& click) {
    const int k = FrameAtPoint(problem, click.x, click.y);
    if (k < 1) return false;
    // The label moves to the press, even when the press only deselects the frame. Only
    // the frame pressed in: the other frames of a group keep labels inside themselves.
    problem.frames[k].labelX = static_cast<std::int32_t>(RoundHalfEven(click.x));
    problem.frames[k].labelY = static_cast<std::int32_t>(RoundHalfEven(click.y));
    const int n = problem.nodes.Count();
    const bool lump = problem.frames[k].IsLump();
    const SelectRec item = NumberItem(lump ? n + k : k);
    const SelectionGroup* group =
        click.windowType == kInputWindowType
            ? LookUpGroup(problem, state, click, item, {SelectType::Frames, SelectType::Lumps})
            : nullptr;
    for (const SelectRec& each : ItemsOf(group, item))
        FrameRule(problem, each.selectNo > n ? each.selectNo - n : each.selectNo);
    ShowFrameInfo(problem, k);
    return true;
}

bool GroupExists(const Problem& problem, const SelectionGroup* group) {
    for (const SelectionGroup& g : problem.groups)
        if (&g == group) return true;
    return false;
}

bool InRect(const Node& p, Real left, Real top, Real right, Real bottom) {
    return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
}

// The length of a segment in pixels.
Real PixelLength(const Problem& problem, const LineSegment& s) {
    const Node& a = problem.nodes[s.node1];
    const Node& b = problem.nodes[s.node2];
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The area text of a segment: per unit depth in Cartesian problems.
Real SegmentArea(const Problem& problem, const LineSegment& s) {
    const Real f = LengthFactor(problem.settings.unitSystem, problem.settings.lengthUnitIndex);
    const Real d = PixelLength(problem, s) * problem.settings.pixelLength;
    return problem.settings.cylindrical ? d * problem.AreaFactor(s) / (f * f) : d / f;
}

std::string Prefix(const Problem& problem) {
    switch (problem.settings.subject) {
        case ProbTypeA::ElecFieldC:
        case ProbTypeA::ElecFieldNC:
            return "V=";
        case ProbTypeA::MagField:
            return "M=";
        case ProbTypeA::Potential:
            return "S=";
        case ProbTypeA::Hydrodynamics:
            return "H=";
        default:
            return "T=";
    }
}

std::string EndPrefix(const Problem& problem) {
    switch (problem.settings.subject) {
        case ProbTypeA::ElecFieldC:
        case ProbTypeA::ElecFieldNC:
            return "V(";
        case ProbTypeA::MagField:
            return "M(";
        case ProbTypeA::Potential:
            return "Psi(";
        case ProbTypeA::Hydrodynamics:
            return "H(";
        default:
            return "T(";
    }
}

std::string SpecTextOnly(const Problem& problem, int n) {
    const BoundarySpec* spec = problem.specs.Find(n);
    return spec != nullptr ? spec->text : std::string();
}

}  // namespace

ClickReply ClickAt(Problem& problem, ClickState& state, const ClickInput& input) {
    ClickReply reply;
    ClickInput click = input;
    Selection& sel = problem.selection;
    if (state.currentGroup != nullptr && !GroupExists(problem, state.currentGroup))
        state.currentGroup = nullptr;
    if (sel.state == SelectType::None && click.windowType == kFlowWindowType)
        sel.state = SelectType::Flow;
    if (sel.state == SelectType::None && click.windowType == kNodalWindowType)
        sel.state = SelectType::Nodal;
    switch (sel.state) {
        case SelectType::Frames:
        case SelectType::Lumps:
        case SelectType::Points:
        case SelectType::Lines:
        case SelectType::Bounds:
        case SelectType::None: {
            if ((problem.settings.displayNodes || state.repositionMode) &&
                NodeClick(problem, state, click, reply))
                break;
            state.repositionMode = false;
            if (SegmentClick(problem, state, click, reply)) break;
            if (FrameClick(problem, state, click)) break;
            if (click.y >= 1 && click.windowType == kInputWindowType) {
                if (sel.state != SelectType::Bounds) ClearSelection(problem);
                reply.next = NextStep::RubberRectangle;
            }
            break;
        }
        case SelectType::Flow:
            SegmentClick(problem, state, click, reply);
            break;
        case SelectType::Nodal: {
            if (NodeClick(problem, state, click, reply)) break;
            // A lump's balance is its frame's entry: a press inside a lump adds it.
            const int k = FrameAtPoint(problem, click.x, click.y);
            if (problem.ValidFrame(k) && problem.frames[k].IsLump()) {
                FrameRule(problem, k);
                ShowSelectionInfo(problem);
                break;
            }
            reply.next = NextStep::RubberRectangle;
            break;
        }
        case SelectType::LineErrors:
        case SelectType::NodeErrors:
            ClearSelection(problem);
            break;
        default:
            break;
    }
    return reply;
}

void SelectInRectangle(Problem& problem, int windowType, Real x0, Real y0, Real x1, Real y1) {
    const Real left = std::min(x0, x1), right = std::max(x0, x1);
    const Real top = std::min(y0, y1), bottom = std::max(y0, y1);
    Selection& sel = problem.selection;
    const bool nodal = windowType == kNodalWindowType;
    bool any = false;
    for (LineSegment& s : problem.lines) {
        if (s.active != 1 || IsElementLine(s)) continue;
        if (!InRect(problem.nodes[s.node1], left, top, right, bottom) ||
            !InRect(problem.nodes[s.node2], left, top, right, bottom))
            continue;
        any = true;
        if (nodal) {
            for (const int n : {s.node1, s.node2})
                if (!sel.Contains(NumberItem(n))) AddToSelection(problem, NumberItem(n));
        } else if (!sel.Contains(SegmentItem(&s))) {
            AddToSelection(problem, SegmentItem(&s));
        }
    }
    if (!any) {
        if (!nodal) ClearSelection(problem);
        return;
    }
    sel.state = nodal                            ? SelectType::Nodal
                : windowType == kInputWindowType ? SelectType::Bounds
                                                 : SelectType::Flow;
    ShowSelectionInfo(problem);
}

void GroupSelection(Problem& problem, ClickState& state) {
    const Selection& sel = problem.selection;
    if (sel.items.empty()) return;
    // Groups live in the snapshots: an undo of an earlier command must not silently
    // take a later group away, so grouping is a step of its own.
    SaveUndoSnapshot(problem, "Group");
    problem.groups.push_front(SelectionGroup{sel.state, sel.items});
    state.currentGroup = &problem.groups.front();
}

void UngroupSelection(Problem& problem, ClickState& state) {
    if (state.currentGroup != nullptr && GroupExists(problem, state.currentGroup))
        SaveUndoSnapshot(problem, "Ungroup");
    for (auto it = problem.groups.begin(); it != problem.groups.end(); ++it)
        if (&*it == state.currentGroup) {
            problem.groups.erase(it);
            break;
        }
    state.currentGroup = nullptr;
    const SelectType kept = problem.selection.state;
    ClearSelection(problem);
    if (kept == SelectType::Flow || kept == SelectType::Nodal) problem.selection.state = kept;
}

bool SelectionIsCurrentGroup(const Problem& problem, const ClickState& state) {
    if (state.currentGroup == nullptr || !GroupExists(problem, state.currentGroup)) return false;
    const Selection& sel = problem.selection;
    return !sel.items.empty() && state.currentGroup->items.size() == sel.items.size() &&
           std::is_permutation(sel.items.begin(), sel.items.end(),
                               state.currentGroup->items.begin());
}

std::string SpecText(const Problem& problem, int n) {
    if (n < 1 || !problem.specs.Valid(n)) return "Unspec.";
    return problem.specs[n].text + " " + UnitLabel(problem, Quantity::Potential);
}

void ShowSelectionInfo(Problem& problem) {
    Selection& sel = problem.selection;
    if (sel.state == SelectType::LineErrors || sel.state == SelectType::NodeErrors) return;
    Reporter& reporter = problem.reporter();
    if (sel.items.empty()) {
        reporter.ShowStatusText("", StatusPanel::Info);
        return;
    }
    const SelectRec& last = sel.items.back();
    const int n = problem.nodes.Count();
    switch (sel.state) {
        case SelectType::Frames:
        case SelectType::Lumps:
            ShowFrameInfo(problem, last.selectNo);
            break;
        case SelectType::Points:
            if (last.selectNo > n)
                ShowFrameInfo(problem, last.selectNo);
            else
                ShowNodeInfo(problem, last.selectNo);
            break;
        case SelectType::Lines:
        case SelectType::Bounds:
            if (last.segment != nullptr) ShowSegmentInfo(problem, *last.segment);
            break;
        case SelectType::None:
        case SelectType::Null:
            reporter.ShowStatusText("", StatusPanel::Info);
            break;
        default:
            break;
    }
}

void ShowFrameInfo(Problem& problem, int k) {
    const int n = problem.nodes.Count();
    if (k > n) k -= n;
    if (!problem.ValidFrame(k)) return;
    const Frame& frame = problem.frames[k];
    const ProblemSettings& set = problem.settings;
    Reporter& reporter = problem.reporter();
    const Material* material = problem.MaterialAt(frame.material);
    reporter.ShowStatusText(
        std::to_string(k) + ". " + (material != nullptr ? material->name : std::string()),
        StatusPanel::Time);
    std::string text;
    if (frame.IsLump()) {
        text = "(Lump " + std::string(1, static_cast<char>(frame.lumpLetter)) + ") ";
        if (!set.transient || frame.lumpValueSpec > 0) {
            text += "Temp.=" + SpecText(problem, frame.lumpValueSpec);
        } else {
            text += "Initial Temp.=";
            text += frame.lumpInitialValue == kUnspecified ? std::string("Unspec.")
                                                           : Digits4(frame.lumpInitialValue);
            text += " " + UnitLabel(problem, Quantity::Potential);
        }
    } else if (frame.generationSpec > 0) {
        std::string label;
        switch (set.subject) {
            case ProbTypeA::HeatTrans:
            case ProbTypeA::Bio:
                label = "Gen=";
                break;
            case ProbTypeA::ElecFieldNC:
                label = "rho=";
                break;
            case ProbTypeA::MagField:
                label = "J=";
                break;
            case ProbTypeA::Hydrodynamics:
                label = "AR=";
                break;
            default:
                break;
        }
        if (!label.empty())
            text += label + SpecTextOnly(problem, frame.generationSpec) + " " +
                    UnitLabel(problem, Quantity::Generation);
    }
    const Real f = LengthFactor(set.unitSystem, set.lengthUnitIndex);
    const Real z = problem.view.zoom;
    const std::string unit = LengthLabel(set.unitSystem, set.lengthUnitIndex);
    if (set.cylindrical) {
        text += "  Volume[" + std::to_string(k) +
                "]=" + Digits4(frame.volume / (f * f * f) / (z * z * z)) + " " + unit + "3";
    } else {
        text += "  Area[" + std::to_string(k) + "]=" + Digits4(frame.area / (f * f) / (z * z)) +
                " " + unit + "2";
    }
    const Selection& sel = problem.selection;
    if (sel.items.size() > 1) {
        Real total = 0;
        for (const SelectRec& item : sel.items) {
            // Frames hold frame numbers; lumps (also among nodes) are N + k.
            const int j = item.selectNo > n                 ? item.selectNo - n
                          : sel.state == SelectType::Frames ? item.selectNo
                                                            : 0;
            if (item.segment == nullptr && problem.ValidFrame(j)) total += problem.frames[j].area;
        }
        text += "  Tot. Area=" + Digits4(total / (f * f) / (z * z)) + " " + unit + "2";
    }
    reporter.ShowStatusText(text, StatusPanel::Info);
}

void ShowNodeInfo(Problem& problem, int k) {
    if (!problem.nodes.Valid(k)) return;
    const Node& node = problem.nodes[k];
    Reporter& reporter = problem.reporter();
    reporter.ShowStatusText("Node " + std::to_string(k), StatusPanel::Time);
    std::string prefix = Prefix(problem);
    if (problem.settings.subject == ProbTypeA::Potential)
        for (const SingularPoint& p : problem.singularPoints)
            if (p.node == k) {
                prefix = "Singular MacPoint: " + prefix;
                break;
            }
    std::string text;
    if (!problem.settings.transient) {
        text = prefix + SpecText(problem, node.valueSpec);
    } else {
        const std::string v = node.valueSpec > 0 ? prefix + SpecText(problem, node.valueSpec) : "";
        if (node.initialValue != kUnspecified) {
            text = v + "  Initial " + prefix + Digits4(node.initialValue) + " " +
                   UnitLabel(problem, Quantity::Potential);
        } else if (node.valueSpec <= 0) {
            text = "Initial " + prefix.substr(0, prefix.size() - 1) + " = unspecified";
        } else {
            text = v;
        }
    }
    reporter.ShowStatusText(text, StatusPanel::Info);
}

void ShowSegmentInfo(Problem& problem, const LineSegment& s) {
    const Selection& sel = problem.selection;
    if (sel.state == SelectType::Flow) return;
    const ProblemSettings& set = problem.settings;
    const std::string field = UnitLabel(problem, Quantity::Potential);
    std::string text;
    if (s.valueSpec > 0) {
        const std::string p = EndPrefix(problem);
        std::string ends[2];
        const int nodes[2] = {s.node1, s.node2};
        for (int i = 0; i < 2; ++i) {
            const int spec = problem.nodes.Valid(nodes[i]) ? problem.nodes[nodes[i]].valueSpec : 0;
            ends[i] =
                p + std::to_string(nodes[i]) +
                (spec > 0 ? ")=" + SpecTextOnly(problem, spec) : std::string(")= unspecified"));
        }
        text = (set.subject == ProbTypeA::Potential ? "S " : " ") + ends[0] + "  " + ends[1] + " " +
               field + "  ";
    }
    if (s.fluxSpec > 0) {
        std::string label;
        switch (set.subject) {
            case ProbTypeA::ElecFieldC:
                label = "Current density=";
                break;
            case ProbTypeA::ElecFieldNC:
                label = "Charge density=";
                break;
            case ProbTypeA::MagField:
                label = "Mag. potential=";
                break;
            case ProbTypeA::Potential:
                label = "Velocity=";
                break;
            case ProbTypeA::Hydrodynamics:
                label = "Vol. flux=";
                break;
            default:
                label = "Heat flux=";
                break;
        }
        text += label + SpecTextOnly(problem, s.fluxSpec) + " " +
                UnitLabel(problem, Quantity::Flux) + "  ";
    }
    if (s.transferSpec > 0) {
        text += " h=" + SpecTextOnly(problem, s.transferSpec) + " " +
                UnitLabel(problem, Quantity::TransferCoefficient);
        auto outside = [&](int side) {
            return side == 0 || (problem.ValidFrame(side) && problem.frames[side].subtracted != 0);
        };
        if ((outside(s.frameA) || outside(s.frameB)) && s.ambientSpec > 0)
            text += "  To=" + SpecTextOnly(problem, s.ambientSpec) + " " + field;
    }
    if (text.empty()) text = IsElementLine(s) ? "Internal element line" : "Unspecified boundary";
    const std::string unit = LengthLabel(set.unitSystem, set.lengthUnitIndex);
    const std::string areaUnit = set.cylindrical ? " " + unit + "2" : " " + unit + "2/" + unit;
    std::string area = "  Area = " + Digits4(SegmentArea(problem, s)) + areaUnit;
    if (sel.state == SelectType::Bounds && sel.items.size() > 1) {
        Real total = 0;
        for (const SelectRec& item : sel.items)
            if (item.segment != nullptr) total += SegmentArea(problem, *item.segment);
        area += "   Tot. Area = " + Digits4(total) + areaUnit;
    }
    problem.reporter().ShowStatusText(text + area, StatusPanel::Info);
    problem.reporter().ShowStatusText(
        "Line " + std::to_string(s.node1) + "-" + std::to_string(s.node2), StatusPanel::Time);
}

}  // namespace kova
