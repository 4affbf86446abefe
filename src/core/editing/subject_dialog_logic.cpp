#include "editing/subject_dialog_logic.hpp"

#include "files/undo_snapshots.hpp"
#include "model/number_format.hpp"
#include "units/unit_labels.hpp"

namespace kova {

BloodDialogState OpenBloodDialog(const Problem& problem) {
    BloodDialogState s;
    s.temp.label = "Temperature";
    s.temp.unit = UnitLabel(problem, Quantity::Potential);
    s.temp.Show(StoredSpecText(problem, problem.blood.arterialSpec));
    s.specHeat.label = "Specific Heat";
    s.specHeat.unit = UnitLabel(problem, Quantity::SpecificHeat);
    const int decimals = problem.settings.unitSystem == Unittype::Eng ? 3 : 0;
    s.specHeat.Show(FormatNumber(DecForm{kFixedStyle, static_cast<std::int16_t>(decimals)},
                                 problem.blood.specificHeat));
    return s;
}

DialogResult ApplyBloodDialog(Problem& problem, const BloodDialogState& s) {
    DialogResult r;
    const int spec = ReadSpecField(problem, kSpecValue, s.temp.text, "TempEdit", r);
    if (!r.ok) return r;
    Real heat = problem.blood.specificHeat;
    if (!s.specHeat.Unchanged() &&
        !ReadNumberText(problem, s.specHeat.text, 0, 0, kAboveMinimum, "SpecHeatEdit", r, heat))
        return r;
    SaveUndoSnapshot(problem, "Blood Properties");
    problem.MarkProblemChanged();
    problem.blood.arterialSpec = spec;
    problem.blood.specificHeat = heat;
    return r;
}

FinDialogState OpenFinDialog(const Problem& problem) {
    FinDialogState s;
    s.coef.label = "Convection  coef.";
    s.coef.unit = UnitLabel(problem, Quantity::TransferCoefficient);
    s.temp.label = "Fluid temperature";
    s.temp.unit = UnitLabel(problem, Quantity::Potential);
    s.flux.label = "Surface heat flux";
    s.flux.unit = UnitLabel(problem, Quantity::Flux);
    s.frames = SelectedFrames(problem);
    if (!s.frames.empty()) {
        const Frame& f = problem.frames[s.frames.front()];
        s.coef.Show(StoredSpecText(problem, f.finTransferSpec));
        s.temp.Show(StoredSpecText(problem, f.finFluidSpec));
        s.flux.Show(StoredSpecText(problem, f.finFluxSpec));
    }
    return s;
}

DialogResult ApplyFinDialog(Problem& problem, const FinDialogState& s) {
    DialogResult r;
    const int h = ReadSpecField(problem, kSpecTransfer, s.coef.text, "FinConvCoefEdit", r);
    const int t = r.ok ? ReadSpecField(problem, kSpecValue, s.temp.text, "TempEdit", r) : 0;
    const int q = r.ok ? ReadSpecField(problem, kSpecFlux, s.flux.text, "FinHeatFluxEdit", r) : 0;
    if (!r.ok) return r;
    SaveUndoSnapshot(problem, "Surface Conditions");
    problem.MarkProblemChanged();
    for (int k : s.frames) {
        Frame& f = problem.frames[k];
        f.finTransferSpec = static_cast<std::int16_t>(h);
        f.finFluidSpec = static_cast<std::int16_t>(t);
        f.finFluxSpec = static_cast<std::int16_t>(q);
    }
    return r;
}

const std::array<const char*, kSingularKinds>& SingularRowCaptions() {
    static const std::array<const char*, kSingularKinds> captions{
        "Source", "Sink", "Vortex", "Doublet (x-axis)", "Doublet (y-axis)"};
    return captions;
}

const std::array<const char*, kSingularKinds>& SingularRowFields() {
    static const std::array<const char*, kSingularKinds> fields{
        "SourceEdit", "SinkEdit", "VortexEdit", "DoubletXEdit", "DoubletYEdit"};
    return fields;
}

SingularDialogState OpenSingularDialog(const Problem& problem) {
    SingularDialogState s;
    for (int i = 0; i < kSingularKinds; ++i)
        s.rows[static_cast<std::size_t>(i)].field.label =
            SingularRowCaptions()[static_cast<std::size_t>(i)];
    for (const SelectRec& item : problem.selection.items)
        if (problem.nodes.Valid(item.selectNo)) s.nodes.push_back(item.selectNo);
    if (s.nodes.empty()) return s;
    for (const SingularPoint& p : problem.singularPoints) {
        if (p.node != s.nodes.front() || p.type < 1 || p.type > kSingularKinds) continue;
        const auto i = static_cast<std::size_t>(p.type - 1);
        s.rows[i].ticked = true;
        s.rows[i].field.Show(FormatNumber(DecForm{kFixedStyle, 4}, p.strength));
        s.stored[i] = p.strength;
    }
    return s;
}

DialogResult ApplySingularDialog(Problem& problem, const SingularDialogState& s) {
    DialogResult r;
    std::array<bool, kSingularKinds> used{};
    std::array<Real, kSingularKinds> strength{};
    for (std::size_t i = 0; i < kSingularKinds; ++i) {
        const TickedField& row = s.rows[i];
        if (!row.ticked || WithoutSpaces(row.field.text).empty()) continue;
        used[i] = true;
        strength[i] = s.stored[i];
        // A strength shown with four decimals keeps its stored value while untouched.
        if (!(row.field.Unchanged() && !row.field.shown.empty()) &&
            !ReadNumberText(problem, row.field.text, 0, 0, kAnyNumber, SingularRowFields()[i], r,
                            strength[i]))
            return r;
    }
    SaveUndoSnapshot(problem, "Boundary Conditions");
    problem.MarkProblemChanged();
    std::vector<char> chosen(static_cast<std::size_t>(problem.nodes.Count()) + 1, 0);
    for (int n : s.nodes) chosen[static_cast<std::size_t>(n)] = 1;
    problem.singularPoints.remove_if([&](const SingularPoint& p) {
        return p.node >= 1 && p.node <= problem.nodes.Count() &&
               chosen[static_cast<std::size_t>(p.node)];
    });
    for (int n : s.nodes)
        for (std::size_t i = 0; i < kSingularKinds; ++i)
            if (used[i])
                problem.singularPoints.push_back(
                    {strength[i], static_cast<std::int32_t>(i + 1), n});
    return r;
}

}  // namespace kova
