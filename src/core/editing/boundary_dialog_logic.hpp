// The boundary conditions dialog ("Specify Boundary Conditions") without its window:
// the value, flux and transfer coefficient with its ambient value of the selected
// boundary segments.
#pragma once

#include <string>
#include <vector>

#include "editing/dialog_fields.hpp"
#include "model/problem.hpp"

namespace kova {

struct BoundaryDialogState {
    TickedField temp;          // TempBox / TempEdit; the box's caption is field.label
    TickedField flux;          // HeatFluxBox / HeatFluxEdit
    TickedField coef;          // CoefBox / CoefEdit
    DialogField ambient;       // FTempEdit; its label is FTempBox
    std::string valueLabel;    // ValueLabel, empty when hidden
    std::string densityLabel;  // DensityLabel, empty when hidden
    bool coefOffered = true;   // the subject has a transfer coefficient
    bool showFluidTemp = false;
    bool fluxEnabled = true;  // false when the last segment is an element line
    std::string info;         // InfoL
    std::vector<LineSegment*> segments;

    // A click into the ambient field ticks the coefficient; unticking the coefficient
    // empties its field and the ambient field.
    void ClickIntoAmbient() { coef.ticked = true; }
    void SetCoefTicked(bool on) {
        coef.SetTicked(on);
        if (!on) ambient.text.clear();
    }
};

// The dialog as it opens for the selected segments (selection kind Bounds).
BoundaryDialogState OpenBoundaryDialog(const Problem& problem);

// The OK button: reads the ticked rows (a value, a flux, a coefficient and, where offered,
// its ambient value, the last two free of coordinates); only when all are accepted does
// it take the undo snapshot "Boundary Conditions" and give every selected segment the
// four entries, the end nodes of a valued segment its value and initial value.
DialogResult ApplyBoundaryDialog(Problem& problem, const BoundaryDialogState& state);

}  // namespace kova
