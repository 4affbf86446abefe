// The generation, node-value and initial-value dialogs and the outline choice without
// their windows: what each form shows for the selection, and OKs that read every entry
// before they write anything.
#pragma once

#include <string>
#include <vector>

#include "editing/dialog_fields.hpp"
#include "model/problem.hpp"

namespace kova {

class ResultTable;

// "Enter Internal Generation": the generation of the selected frames, or the Bernoulli
// constant of Potential Flow.
struct GenerationDialogState {
    std::string caption;
    DialogField gen;   // GenEdit
    std::string note;  // NoteL
    bool hasLumps = false;
    std::vector<int> frames;
};
GenerationDialogState OpenGenerationDialog(const Problem& problem);
// Stores the entry (an empty text removes the generation) after the undo snapshot
// "Generation". With a lump selected the entry may not refer to a coordinate. An
// untouched Bernoulli constant keeps its stored value.
DialogResult ApplyGenerationDialog(Problem& problem, const GenerationDialogState& state);

// "Specify Node Information": a fixed value for the selected nodes or lumps, and the
// position of a single selected node.
struct NodeDialogState {
    TickedField temp;       // TempBox (caption in field.label) / TempEdit
    DialogField x, y;       // XEdit, YEdit with XLabel/YLabel and the length unit
    bool xyVisible = true;  // position editing offered
    std::string info;       // InfoL
    int node = 0;           // the node whose position is shown
};
NodeDialogState OpenNodeDialog(const Problem& problem);
// Reads the position (a text as shown leaves its coordinate alone) and checks the move
// as a drag would be checked, then the value; only when all pass does it take the undo
// snapshot "Boundary Conditions", move the node, and give the nodes or lumps the value
// and its initial value, the segments between two valued nodes the marker. Removing a
// value leaves the initial value alone.
DialogResult ApplyNodeDialog(Problem& problem, const NodeDialogState& state);

// "Set Initial ..." / "Set Guess ...": initial values (transient) or guess values
// (steady) of nodes and lumps.
struct InitialDialogState {
    std::string caption;
    DialogField value;             // TempEdit with TempUnits
    bool allNodesOffered = false;  // NodesinAllBox shown
    bool allNodes = false;         // NodesinAllBox ticked
    Real shownValue = kUnspecified;
};
InitialDialogState OpenInitialDialog(const Problem& problem);
// Reads the value (an untouched text keeps the value shown exactly) and, after the undo
// snapshot "Initial Conditions", gives it to the chosen nodes and lumps. A bad number
// keeps the dialog open.
DialogResult ApplyInitialDialog(Problem& problem, const InitialDialogState& state);

// "Select Outline": the frames whose steady nodal balances are combined. `chosen` are
// frame numbers; none chosen is refused.
DialogResult ApplySelectOutline(Problem& problem, ResultTable& balances,
                                const std::vector<int>& chosen);
// The frames pre-selected in a frame list: those with the balance-selection flag.
std::vector<int> PreselectedFrames(const Problem& problem);

}  // namespace kova
