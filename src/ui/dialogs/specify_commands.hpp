// The Specify menu's commands: each opens its dialog (window-modal, with open(), never a
// nested event loop) for the current selection; when the dialog closes, by OK or
// Cancel, the selection is emptied and `done` runs (the menu refresh and repaint).
#pragma once

#include <functional>

#include "model/problem.hpp"
#include "shell/menu_state.hpp"

class QWidget;

namespace kova::ui {

// Opens the dialog of `cmd` (MaterialProperties, Generation, BoundaryConditions,
// InitialConditions, BloodProperties); false when the command has no dialog for the
// problem's subject and selection. Boundary Conditions picks the dialog by selection
// kind: segments the boundary dialog, lumps the node dialog, nodes the node dialog or,
// in Potential Flow, the node-specification choice first, whose answer is remembered
// for the program run.
bool OpenSpecifyDialog(QWidget* parent, Problem& problem, Cmd cmd, std::function<void()> done);

}  // namespace kova::ui
