#include "editing/removal_commands.hpp"

#include <exception>
#include <string>

#include "editing/restore.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/deletion.hpp"
#include "geometry/mesh_removal.hpp"

namespace kova {

EditResult DeleteSelection(Problem& problem) {
    EditResult result;
    if (!CanDelete(problem)) return result;
    const SelectType state = problem.selection.state;
    const int framesBefore = problem.frameCount;
    const int nodesBefore = problem.nodes.Count();
    const int linesBefore = problem.lines.Count();
    // One snapshot, named by the kind: a second one of the same state before it would
    // make the Undo after a Delete seem to do nothing.
    const char* kindName = state == SelectType::Points  ? "Delete Node"
                           : state == SelectType::Lines ? "Delete Line"
                                                        : "Delete Outline";
    SaveUndoSnapshot(problem, kindName);
    try {
        result.ok = DeleteSelectedItems(problem);
    } catch (const std::exception&) {
        return RestoreAfterFailure(problem);
    }
    result.count = state == SelectType::Points  ? nodesBefore - problem.nodes.Count()
                   : state == SelectType::Lines ? linesBefore - problem.lines.Count()
                                                : framesBefore - problem.frameCount;
    return result;
}

EditResult SubtractFrame(Problem& problem) {
    const Selection& sel = problem.selection;
    if (sel.state != SelectType::Frames || sel.items.empty() || problem.frameCount <= 1) return {};
    const int k = sel.items.front().selectNo;
    if (!problem.ValidFrame(k) || problem.frames[k].subtracted != 0) return {};
    problem.MarkProblemChanged();
    problem.groups.clear();
    SaveUndoSnapshot(problem, "Subtract Outline");
    try {
        return RunSubtract(problem, k);
    } catch (const std::exception&) {
        return RestoreAfterFailure(problem);
    }
}

EditResult RemoveMesh(Problem& problem) {
    if (problem.frameCount < 1) return {};
    SaveUndoSnapshot(problem, "Remove Mesh");
    try {
        return RunRemoveMesh(problem);
    } catch (const std::exception&) {
        return RestoreAfterFailure(problem);
    }
}

EditResult RemoveMeshCommand(Problem& problem) {
    if (problem.reporter().Ask(std::string(kRemoveMeshQuestion), false) != Answer::Yes) return {};
    return RemoveMesh(problem);
}

}  // namespace kova
