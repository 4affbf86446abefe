// The dialogs that belong to one subject each, without their windows: blood properties
// (Bio-Heat Transfer), extended-surface conditions (Extended Surfaces), and the node
// specification choice and point singularities (Potential Flow).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "editing/dialog_fields.hpp"
#include "model/problem.hpp"

namespace kova {

// "Specify Blood Properties".
struct BloodDialogState {
    DialogField temp;      // TempEdit, TempL, TempU
    DialogField specHeat;  // SpecHeatEdit, SpecHeatL, SpecHeatU
};
BloodDialogState OpenBloodDialog(const Problem& problem);
// Reads the arterial temperature and the specific heat (> 0; an untouched text keeps the
// stored value) and stores both only when both are accepted, after the undo snapshot
// "Blood Properties".
DialogResult ApplyBloodDialog(Problem& problem, const BloodDialogState& state);

// "Extended Surface Conditions".
struct FinDialogState {
    DialogField coef;  // FinConvCoefEdit
    DialogField temp;  // TempEdit
    DialogField flux;  // FinHeatFluxEdit
    std::vector<int> frames;
};
FinDialogState OpenFinDialog(const Problem& problem);
// Gives every selected frame the three entries (an empty field removes that condition)
// after the undo snapshot "Surface Conditions".
DialogResult ApplyFinDialog(Problem& problem, const FinDialogState& state);

// "Choose Node Specification": false the stream-function value, true point singularities.
// The choice lives for the program run, not in the problem; the front end keeps it.

// "Specify Point Singularity": rows for kinds 1..5 (Source, Sink, Vortex, Doublet (x-axis),
// Doublet (y-axis)).
inline constexpr int kSingularKinds = 5;
struct SingularDialogState {
    std::array<TickedField, kSingularKinds> rows;
    std::array<Real, kSingularKinds> stored{};  // the strengths shown, for untouched rows
    std::vector<int> nodes;
};
// The rows' captions: "Source", "Sink", "Vortex", "Doublet (x-axis)", "Doublet (y-axis)".
const std::array<const char*, kSingularKinds>& SingularRowCaptions();
// The controls of the rows: SourceEdit, SinkEdit, VortexEdit, DoubletXEdit, DoubletYEdit.
const std::array<const char*, kSingularKinds>& SingularRowFields();
SingularDialogState OpenSingularDialog(const Problem& problem);
// Reads every used row (ticked and not empty) before anything changes; then, after the
// undo snapshot "Boundary Conditions", removes the selected nodes' singular points and
// adds one per used row and node, the nodes in selection order, the kinds in order.
DialogResult ApplySingularDialog(Problem& problem, const SingularDialogState& state);

}  // namespace kova
