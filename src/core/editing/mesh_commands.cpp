#include "editing/mesh_commands.hpp"

#include <new>
#include <optional>
#include <string>
#include <utility>

#include "editing/restore.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"
#include "mesh/reposition.hpp"
#include "model/messages.hpp"
#include "model/selection.hpp"

namespace kova {

bool AutoMeshClick(Problem& problem, AutoMeshPrompt& prompt, AutoMeshResult* result) {
    if (!prompt.asked && problem.specs.Count() < 2) {
        prompt.asked = true;
        if (problem.reporter().Ask(std::string(kAutoMeshQuestion), false) != Answer::Yes)
            return false;
    }
    AutoMeshResult r = AutoMesh(problem);
    if (result != nullptr) *result = std::move(r);
    return true;
}

AutoMeshResult AutoMesh(Problem& problem) {
    SaveUndoSnapshot(problem, "AutoMesh");
    UndoRestorePoints points(problem);
    return AutoMeshFrames(problem, points);
}

ReduceOutcome ReduceMesh(Problem& problem, const MeshProgress& progress) {
    ReduceProgress done;
    std::optional<Selection> selectionBefore;
    try {
        selectionBefore = problem.selection;
        SaveUndoSnapshot(problem, "Reduce Mesh");
        done.snapshotTaken = true;
        const ReduceOutcome outcome = ReduceMeshSteps(problem, progress, done);
        if (done.takeBack) {
            // A half-refined mesh would hold hanging nodes and open triangles: take the
            // whole reduction back.
            RestoreSnapshotWithGeometry(problem, true);
            problem.reporter().ShowStatusText("", StatusPanel::Info);
            problem.reporter().ShowError(GetMessage(MessageId::ReductionExceedsNodeLimit));
        }
        return outcome;
    } catch (const std::bad_alloc&) {
        // Memory ran out part way (a working list, the element table, a new line): the
        // problem goes back to the snapshot taken at the start, so that no half-refined
        // mesh, cleared element count or borrowed selection is left behind.
        if (done.snapshotTaken) RestoreSnapshotWithGeometry(problem, true);
        if (selectionBefore) problem.selection = *selectionBefore;
        problem.reporter().ShowStatusText("", StatusPanel::Info);
        if (!done.reducing) problem.errorCode = MessageNumber(MessageId::NotEnoughMemory);
        problem.reporter().ShowError(GetMessage(done.reducing ? MessageId::ReductionExceedsNodeLimit
                                                              : MessageId::NotEnoughMemory));
        return ReduceOutcome::NoMemory;
    }
}

ReduceOutcome ReducemeshMClick(Problem& problem, const MeshProgress& progress) {
    const ReduceOutcome outcome = ReduceMesh(problem, progress);
    // The segments the element builder boxed stay marked, with its message, so that the
    // user sees why nothing happened.
    if (problem.selection.state != SelectType::LineErrors) ClearSelection(problem);
    return outcome;
}

void RepositionMClick(Problem& problem) {
    SaveUndoSnapshot(problem, "Reposition Nodes");
    problem.settings.displayNodes = true;
    problem.reporter().ShowStatusText(GetMessage(MessageId::HoldButtonToDragNode),
                                      StatusPanel::Info);
}

bool MoveNode(Problem& problem, int k, Real x, Real y) {
    if (!problem.nodes.Valid(k)) return false;
    problem.MarkProblemChanged();
    const Real oldX = problem.nodes[k].x;
    const Real oldY = problem.nodes[k].y;
    problem.nodes[k].x = x;
    problem.nodes[k].y = y;
    if (!NodePositionValid(problem, k) || !KeepsTrianglesUpright(problem, k, oldX, oldY)) {
        problem.nodes[k].x = oldX;
        problem.nodes[k].y = oldY;
        problem.reporter().ShowError(GetMessage(MessageId::InvalidNodePosition));
        return false;
    }
    if (problem.settings.cylindrical)
        for (LineSegment& s : problem.lines)
            if (s.EndsAt(k)) s.areaFactor = problem.AreaFactor(s);
    RebuildAllFrames(problem);
    SplitSegmentAtNode(problem, k);
    return true;
}

}  // namespace kova
