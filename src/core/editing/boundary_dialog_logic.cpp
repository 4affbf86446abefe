#include "editing/boundary_dialog_logic.hpp"

#include "expressions/evaluator.hpp"
#include "files/undo_snapshots.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

bool HasCoefficient(ProbTypeA subject) {
    return subject == ProbTypeA::HeatTrans || subject == ProbTypeA::Bio ||
           subject == ProbTypeA::ThinFins || subject == ProbTypeA::ElecFieldC ||
           subject == ProbTypeA::Nada;
}

void SetCaptions(const Problem& problem, BoundaryDialogState& s) {
    const ProbTypeA subject = problem.settings.subject;
    s.coefOffered = HasCoefficient(subject);
    std::string value = "Temperature", flux = "Heat Flux", coef = "Conv. Coef",
                ambient = "Fluid Temp.";
    switch (subject) {
        case ProbTypeA::ElecFieldC:
            value = "Voltage";
            flux = "Normal Current";
            s.densityLabel = "Density";
            coef = "Lin. Rate Const.";
            ambient = "Electrode Pot.";
            break;
        case ProbTypeA::ElecFieldNC:
            value = "Voltage";
            flux = "Normal Flux";
            s.densityLabel = "Density";
            break;
        case ProbTypeA::MagField:
            value = "Mag. Potential";
            flux = "Normal Flux";
            s.densityLabel = "Density";
            break;
        case ProbTypeA::Potential:
            value = "Stream Function";
            s.valueLabel = "Value";
            flux = "Tangential";
            s.densityLabel = "Velocity";
            break;
        case ProbTypeA::Hydrodynamics:
            value = "Head";
            flux = "Volumetric Flux";
            break;
        default:
            break;
    }
    const std::string potential = UnitLabel(problem, Quantity::Potential);
    s.temp.field.label = value;
    s.temp.field.unit = potential;
    s.flux.field.label = flux;
    s.flux.field.unit = UnitLabel(problem, Quantity::Flux);
    s.coef.field.label = coef;
    s.coef.field.unit = UnitLabel(problem, Quantity::TransferCoefficient);
    s.coef.field.visible = s.coefOffered;
    s.ambient.label = ambient;
    s.ambient.unit = potential;
    s.info = std::string("Boundary information may be a function of Time and/or ") +
             problem.vocabulary.variableLetter;
}

bool TouchesOutside(const Problem& problem, const LineSegment& seg) {
    for (int k : {seg.frameA, seg.frameB})
        if (k == 0 || (problem.ValidFrame(k) && problem.frames[k].subtracted != 0)) return true;
    return false;
}

}  // namespace

BoundaryDialogState OpenBoundaryDialog(const Problem& problem) {
    BoundaryDialogState s;
    SetCaptions(problem, s);
    for (const SelectRec& item : problem.selection.items)
        if (item.segment != nullptr) s.segments.push_back(item.segment);
    for (const LineSegment* seg : s.segments)
        if (TouchesOutside(problem, *seg)) s.showFluidTemp = true;
    s.ambient.visible = s.coefOffered && s.showFluidTemp;
    if (!s.segments.empty()) {
        const LineSegment& first = *s.segments.front();
        if (first.valueSpec > 0) {
            s.temp.ticked = true;
            s.temp.field.Show(StoredSpecText(problem, first.valueSpec));
        }
        if (first.fluxSpec > 0) {
            s.flux.ticked = true;
            s.flux.field.Show(StoredSpecText(problem, first.fluxSpec));
        }
        if (s.coefOffered && first.transferSpec > 0) {
            s.coef.ticked = true;
            s.coef.field.Show(StoredSpecText(problem, first.transferSpec));
            if (s.showFluidTemp) s.ambient.Show(StoredSpecText(problem, first.ambientSpec));
        }
        if (s.segments.back()->IsElementLine()) {
            s.fluxEnabled = false;
            s.flux.SetTicked(false);
        }
    }
    s.flux.field.enabled = s.fluxEnabled;
    return s;
}

DialogResult ApplyBoundaryDialog(Problem& problem, const BoundaryDialogState& s) {
    DialogResult r;
    int a = 0, b = 0, c = 0, d = 0;
    if (s.temp.ticked) a = ReadSpecField(problem, kSpecValue, s.temp.field.text, "TempEdit", r);
    if (r.ok && s.fluxEnabled && s.flux.ticked)
        b = ReadSpecField(problem, kSpecFlux, s.flux.field.text, "HeatFluxEdit", r);
    if (r.ok && s.coefOffered && s.coef.ticked) {
        c = ReadSpecField(problem, kSpecTransfer, s.coef.field.text, "CoefEdit", r);
        if (r.ok && c > 0) PositionCheck(problem, problem.specs[c], " or ", "CoefEdit", r);
        if (r.ok && s.showFluidTemp) {
            if (WithoutSpaces(s.ambient.text).empty()) {
                Refuse(problem, "FTempEdit",
                       "Enter the " + s.ambient.label + " that goes with the " +
                           s.coef.field.label + ".",
                       r);
            } else {
                d = ReadSpecField(problem, kSpecValue, s.ambient.text, "FTempEdit", r);
                if (r.ok && d > 0) PositionCheck(problem, problem.specs[d], " or ", "FTempEdit", r);
            }
        }
    }
    if (!r.ok) return r;

    SaveUndoSnapshot(problem, "Boundary Conditions");
    problem.MarkProblemChanged();
    for (LineSegment* seg : s.segments) {
        if (seg->valueSpec > 0) {
            problem.nodes[seg->node1].valueSpec = 0;
            problem.nodes[seg->node2].valueSpec = 0;
        }
        seg->valueSpec = a;
        seg->fluxSpec = b;
        seg->transferSpec = c;
        seg->ambientSpec = d;
    }
    // The values go to the end nodes after every segment has its entries, so that a
    // segment met later does not take a value from a node an earlier one has just set.
    for (LineSegment* seg : s.segments) {
        if (a <= 0) continue;
        int error = 0;
        for (int n : {seg->node1, seg->node2}) {
            problem.nodes[n].valueSpec = static_cast<std::int16_t>(a);
            if (error == 0)
                problem.nodes[n].initialValue = EvaluateSpecAtNode(problem, n, a, 0, error, 0, 0);
        }
    }
    return r;
}

}  // namespace kova
