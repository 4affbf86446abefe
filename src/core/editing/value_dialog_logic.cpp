#include "editing/value_dialog_logic.hpp"

#include <algorithm>

#include "editing/mesh_commands.hpp"
#include "expressions/evaluator.hpp"
#include "files/undo_snapshots.hpp"
#include "mesh/reposition.hpp"
#include "model/length_units.hpp"
#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "results/node_table_text.hpp"
#include "solver/result_table.hpp"
#include "units/drawing_transform.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

std::string ShownNumber(Real value, int digits) {
    return value == kUnspecified ? std::string() : FormatGeneral(value, digits);
}

bool HeatSubject(ProbTypeA subject) {
    return subject == ProbTypeA::HeatTrans || subject == ProbTypeA::Bio ||
           subject == ProbTypeA::ThinFins || subject == ProbTypeA::Nada;
}

// The node or lump a selection item names: a node number, or N + frame for a lump.
bool IsLumpItem(const Problem& problem, int item) {
    return problem.selection.state == SelectType::Lumps || item > problem.nodes.Count();
}

int LumpFrame(const Problem& problem, int item) {
    return item - problem.nodes.Count();
}

}  // namespace

// ---------------------------------------------------------------- generation

GenerationDialogState OpenGenerationDialog(const Problem& problem) {
    GenerationDialogState s;
    const ProbTypeA subject = problem.settings.subject;
    const std::string unit = "[" + UnitLabel(problem, Quantity::Generation) + "]";
    if (HeatSubject(subject)) {
        s.caption = "Enter Internal Generation " + unit;
    } else if (subject == ProbTypeA::ElecFieldNC) {
        s.caption = "Enter Volume Charge Density " + unit;
    } else if (subject == ProbTypeA::MagField) {
        s.caption = "Enter Current Density " + unit;
    } else if (subject == ProbTypeA::Potential) {
        s.caption = "Enter the Bernoulli Constant [Pa]";
    } else {
        s.caption = "Enter Internal Generation in W/m3";
    }
    if (subject == ProbTypeA::Potential) {
        s.gen.Show(ShownNumber(problem.bernoulliConstant, 6));
        return s;
    }
    s.frames = SelectedFrames(problem);
    for (int k : s.frames) s.hasLumps = s.hasLumps || problem.frames[k].IsLump();
    if (!s.frames.empty())
        s.gen.Show(StoredSpecText(problem, problem.frames[s.frames.front()].generationSpec));
    const SubjectVocabulary& v = problem.vocabulary;
    const auto& axes = problem.settings.axisLetters;
    s.note = "The value may be a entered as a function of Time, ";
    if (s.hasLumps) {
        s.note += std::string("and/or ") + v.variableLetter;
    } else {
        s.note += std::string(1, v.variableLetter) + ", " + axes[0] + ", " + axes[1] + ", " +
                  v.fluxName + ", " + v.gradientX + ", and/or " + v.gradientY;
    }
    return s;
}

DialogResult ApplyGenerationDialog(Problem& problem, const GenerationDialogState& s) {
    DialogResult r;
    if (problem.settings.subject == ProbTypeA::Potential) {
        Real value = problem.bernoulliConstant;
        if (!s.gen.Unchanged() &&
            !ReadNumberText(problem, s.gen.text, 0, 0, kAnyNumber, "GenEdit", r, value))
            return r;
        SaveUndoSnapshot(problem, "Generation");
        problem.MarkProblemChanged();
        problem.bernoulliConstant = value;
        return r;
    }
    const int id = ReadSpecField(problem, kSpecGeneration, s.gen.text, "GenEdit", r);
    if (r.ok && id > 0 && s.hasLumps)
        PositionCheck(problem, problem.specs[id], " and/or ", "GenEdit", r);
    if (!r.ok) return r;
    SaveUndoSnapshot(problem, "Generation");
    problem.MarkProblemChanged();
    for (int k : s.frames) problem.frames[k].generationSpec = id;
    return r;
}

// ---------------------------------------------------------------- node values

NodeDialogState OpenNodeDialog(const Problem& problem) {
    NodeDialogState s;
    const ProbTypeA subject = problem.settings.subject;
    switch (subject) {
        case ProbTypeA::ElecFieldC:
        case ProbTypeA::ElecFieldNC:
            s.temp.field.label = "V = ";
            break;
        case ProbTypeA::MagField:
            s.temp.field.label = "M =";
            break;
        case ProbTypeA::Potential:
            s.temp.field.label = "S = ";
            break;
        case ProbTypeA::Hydrodynamics:
            s.temp.field.label = "H = ";
            break;
        case ProbTypeA::ThinFins:
            s.temp.field.label = "T=";
            break;
        default:
            s.temp.field.label = "T = ";
            break;
    }
    const auto& axes = problem.settings.axisLetters;
    s.info = std::string(1, problem.vocabulary.variableLetter) + " may be a function of " +
             axes[0] + ", " + axes[1] + " and/or Time";
    s.temp.field.unit = UnitLabel(problem, Quantity::Potential);
    const auto& items = problem.selection.items;
    const int first = items.empty() ? 0 : items.front().selectNo;
    s.xyVisible = problem.selection.state == SelectType::Points && items.size() == 1 &&
                  !IsLumpItem(problem, first) && problem.nodes.Valid(first);
    const bool cyl = problem.settings.cylindrical;
    s.x.label = cyl ? "R =" : "X =";
    s.y.label = cyl ? "Z =" : "Y =";
    int spec = 0;
    if (!items.empty()) {
        if (IsLumpItem(problem, first)) {
            const int k = LumpFrame(problem, first);
            if (problem.ValidFrame(k)) spec = problem.frames[k].lumpValueSpec;
        } else if (problem.nodes.Valid(first)) {
            spec = problem.nodes[first].valueSpec;
        }
    }
    if (s.xyVisible) {
        s.node = first;
        const Node& n = problem.nodes[first];
        const Coordinates c = DrawingToProblem(problem, n.x, n.y);
        s.x.Show(FormatNumber(DecForm{kFixedStyle, 4}, c.first));
        s.y.Show(FormatNumber(DecForm{kFixedStyle, 4}, c.second));
        s.x.unit = s.y.unit =
            LengthLabel(problem.settings.unitSystem, problem.settings.lengthUnitIndex);
    } else {
        s.x.Show("not applicable");
        s.y.Show("not applicable");
        s.x.enabled = s.y.enabled = false;
    }
    s.temp.field.Show(StoredSpecText(problem, spec));
    s.temp.ticked = !s.temp.field.text.empty();
    return s;
}

DialogResult ApplyNodeDialog(Problem& problem, const NodeDialogState& s) {
    DialogResult r;
    bool moved = false;
    Real newX = 0, newY = 0;
    if (s.xyVisible && problem.nodes.Valid(s.node)) {
        Node& n = problem.nodes[s.node];
        newX = n.x;
        newY = n.y;
        Real value = 0;
        if (!s.x.Unchanged()) {
            if (!ReadNumberText(problem, s.x.text, 0, 0, kAnyNumber, "XEdit", r, value)) return r;
            const Coordinates now = DrawingToProblem(problem, n.x, n.y);
            newX = ProblemToDrawing(problem, value, now.second).first;
            moved = true;
        }
        if (!s.y.Unchanged()) {
            if (!ReadNumberText(problem, s.y.text, 0, 0, kAnyNumber, "YEdit", r, value)) return r;
            const Coordinates now = DrawingToProblem(problem, n.x, n.y);
            newY = ProblemToDrawing(problem, now.first, value).second;
            moved = true;
        }
        if (moved) {
            const Real oldX = n.x, oldY = n.y;
            n.x = newX;
            n.y = newY;
            const bool valid = NodePositionValid(problem, s.node) &&
                               KeepsTrianglesUpright(problem, s.node, oldX, oldY);
            n.x = oldX;
            n.y = oldY;
            if (!valid) {
                Refuse(problem, s.x.Unchanged() ? "YEdit" : "XEdit",
                       GetMessage(MessageId::InvalidNodePosition), r);
                return r;
            }
        }
    }
    int e = 0;
    if (s.temp.ticked) e = ReadSpecField(problem, kSpecValue, s.temp.field.text, "TempEdit", r);
    if (!r.ok) return r;

    SaveUndoSnapshot(problem, "Boundary Conditions");
    problem.MarkProblemChanged();
    if (moved) MoveNode(problem, s.node, newX, newY);
    const int nodeCount = problem.nodes.Count();
    std::vector<char> touched(static_cast<std::size_t>(nodeCount) + 1, 0);
    for (const SelectRec& item : problem.selection.items) {
        const int no = item.selectNo;
        int error = 0;
        if (IsLumpItem(problem, no)) {
            const int k = LumpFrame(problem, no);
            if (!problem.ValidFrame(k)) continue;
            problem.frames[k].lumpValueSpec = e;
            if (e > 0)
                problem.frames[k].lumpInitialValue =
                    EvaluateSpecAtNode(problem, no, e, 0, error, 0, 0);
        } else if (problem.nodes.Valid(no)) {
            problem.nodes[no].valueSpec = static_cast<std::int16_t>(e);
            if (e > 0)
                problem.nodes[no].initialValue = EvaluateSpecAtNode(problem, no, e, 0, error, 0, 0);
            touched[static_cast<std::size_t>(no)] = 1;
        }
    }
    // A value taken away leaves the initial value as it was: evaluating "no entry" would
    // give 0, a start value nobody chose that the check could no longer report missing.
    // One pass over the segments: a segment at a changed node is a specified-value
    // boundary exactly when both its ends now have a value.
    if (problem.selection.state == SelectType::Points) {
        for (LineSegment& seg : problem.lines) {
            const bool atChanged =
                (seg.node1 <= nodeCount && touched[static_cast<std::size_t>(seg.node1)]) ||
                (seg.node2 <= nodeCount && touched[static_cast<std::size_t>(seg.node2)]);
            if (!atChanged) continue;
            const bool both =
                problem.nodes[seg.node1].valueSpec != 0 && problem.nodes[seg.node2].valueSpec != 0;
            seg.valueSpec = both ? e : 0;
        }
    }
    return r;
}

// ---------------------------------------------------------------- initial values

namespace {

Real NodeValue(const Problem& problem, int n) {
    const Node& node = problem.nodes[n];
    return problem.settings.transient ? node.initialValue : node.currentValue;
}

Real LumpValue(const Problem& problem, int k) {
    const Frame& f = problem.frames[k];
    return problem.settings.transient ? f.lumpInitialValue : f.lumpResult;
}

void SetNodeValue(Problem& problem, int n, Real v) {
    Node& node = problem.nodes[n];
    (problem.settings.transient ? node.initialValue : node.currentValue) = v;
}

void SetLumpValue(Problem& problem, int k, Real v) {
    Frame& f = problem.frames[k];
    (problem.settings.transient ? f.lumpInitialValue : f.lumpResult) = v;
}

}  // namespace

InitialDialogState OpenInitialDialog(const Problem& problem) {
    InitialDialogState s;
    const std::string word = HeatSubject(problem.settings.subject) ? "Temperatures" : "Potentials";
    s.caption = (problem.settings.transient ? "Set Initial " : "Set Guess ") + word;
    s.value.unit = UnitLabel(problem, Quantity::Potential);
    const auto& items = problem.selection.items;
    Real t = kUnspecified;
    switch (problem.selection.state) {
        case SelectType::Frames: {
            s.allNodesOffered = true;
            const int k = items.empty() ? 0 : items.front().selectNo;
            for (const LineSegment& seg : problem.lines) {
                if (t != kUnspecified) break;
                if (seg.frameA != k && seg.frameB != k) continue;
                for (int n : {seg.node1, seg.node2})
                    if (t == kUnspecified && problem.nodes.Valid(n)) t = NodeValue(problem, n);
            }
            break;
        }
        case SelectType::Lumps: {
            s.allNodesOffered = true;
            const int k = items.empty() ? 0 : LumpFrame(problem, items.front().selectNo);
            if (problem.ValidFrame(k)) t = LumpValue(problem, k);
            break;
        }
        case SelectType::Points:
            for (const SelectRec& item : items) {
                const int no = item.selectNo;
                if (IsLumpItem(problem, no)) {
                    if (problem.ValidFrame(LumpFrame(problem, no)))
                        t = LumpValue(problem, LumpFrame(problem, no));
                } else if (problem.nodes.Valid(no)) {
                    t = NodeValue(problem, no);
                }
                if (t != kUnspecified) break;
            }
            break;
        default:
            break;
    }
    s.shownValue = t;
    s.value.Show(ShownNumber(t, 5));
    return s;
}

DialogResult ApplyInitialDialog(Problem& problem, const InitialDialogState& s) {
    DialogResult r;
    Real v = s.shownValue;
    if (!(s.value.Unchanged() && s.shownValue != kUnspecified) &&
        !ReadNumberText(problem, s.value.text, 0, 0, kAnyNumber, "TempEdit", r, v))
        return r;
    SaveUndoSnapshot(problem, "Initial Conditions");
    problem.MarkProblemChanged();
    const int nodeCount = problem.nodes.Count();
    if (s.allNodesOffered && s.allNodes) {
        for (int n = 1; n <= nodeCount; ++n) SetNodeValue(problem, n, v);
        for (int k = 1; k <= problem.frameCount; ++k)
            if (problem.frames[k].IsLump()) SetLumpValue(problem, k, v);
        return r;
    }
    for (const SelectRec& item : problem.selection.items) {
        const int no = item.selectNo;
        switch (problem.selection.state) {
            case SelectType::Lumps:
            case SelectType::Points:
                if (IsLumpItem(problem, no)) {
                    if (problem.ValidFrame(LumpFrame(problem, no)))
                        SetLumpValue(problem, LumpFrame(problem, no), v);
                } else if (problem.nodes.Valid(no)) {
                    SetNodeValue(problem, no, v);
                }
                break;
            case SelectType::Frames:
                for (const LineSegment& seg : problem.lines)
                    if (seg.frameA == no || seg.frameB == no) {
                        SetNodeValue(problem, seg.node1, v);
                        SetNodeValue(problem, seg.node2, v);
                    }
                break;
            default:
                break;
        }
    }
    return r;
}

// ---------------------------------------------------------------- outline choice

std::vector<int> PreselectedFrames(const Problem& problem) {
    std::vector<int> out;
    for (int k = 1; k <= problem.frameCount; ++k)
        if (problem.frames[k].balanceSelected != 0) out.push_back(k);
    return out;
}

DialogResult ApplySelectOutline(Problem& problem, ResultTable& balances,
                                const std::vector<int>& chosen) {
    DialogResult r;
    std::vector<int> frames;
    for (int k : chosen)
        if (problem.ValidFrame(k)) frames.push_back(k);
    if (frames.empty()) {
        Refuse(problem, "FrameBox", "Choose at least one outline.", r);
        return r;
    }
    CombineSteadyBalances(problem, balances, frames);
    return r;
}

}  // namespace kova
