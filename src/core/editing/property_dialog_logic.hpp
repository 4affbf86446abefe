// The material properties dialog ("Specify Properties") without its window: what the
// form shows for the selected frames, how it follows the list, the type panel and the
// name field, and its OK, which validates every field before it writes anything.
#pragma once

#include <string>
#include <vector>

#include "editing/dialog_fields.hpp"
#include "model/problem.hpp"

namespace kova {

inline constexpr std::size_t kMaterialNameLength = 25;

struct PropertyDialogState {
    int propNo = 1;  // material shown, 1..20; 0 while a hole is shown
    FrameType type = FrameType::Distributed;
    int pattern = -1;     // -1 solid, 0..5 hatch styles
    int colorIndex = 15;  // the colour grid's foreground index
    bool colorPicked = false;
    int holeFrame = 0;               // the hole the dialog opened for
    bool holeMadeSolid = false;      // a material was picked for that hole
    std::vector<int> frames;         // the selected frames
    std::vector<std::string> names;  // the list: materials 1..20
    std::string name;                // NameEdit
    std::string typeCaption;         // TypeP
    DialogField conduct, density, specHeat, perfusion;
    DialogField kykx;  // the ratio field, shown for the anisotropic type
    std::string hint;  // TXYTime
    bool ShowsHole() const { return propNo == 0; }
};

// The dialog as it opens for the problem's selection.
PropertyDialogState OpenPropertyDialog(const Problem& problem);

// A click on list item `item` (0-based): that material is shown; a hole that was shown
// gets the material at OK.
void SelectMaterial(const Problem& problem, PropertyDialogState& state, int item);

// A click on the type panel: Distributed, Anisotropic (Cartesian geometry, not Potential
// Flow) and Lumped in turn.
void ClickType(const Problem& problem, PropertyDialogState& state);

// The name field changed: the list item follows it.
void EditName(PropertyDialogState& state, const std::string& text);

// The OK button: every shown field is read into a copy of the material first; only when
// all are accepted does it take the undo snapshot "Properties" and store the material and
// the frames' material, type and thickness. A refusal changes nothing but the SpecTable.
DialogResult ApplyPropertyDialog(Problem& problem, const PropertyDialogState& state);

}  // namespace kova
