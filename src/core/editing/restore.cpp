#include "editing/restore.hpp"

#include "files/undo_snapshots.hpp"
#include "geometry/frame_rebuild.hpp"
#include "model/messages.hpp"

namespace kova {

EditResult RestoreAfterFailure(Problem& problem) {
    EditResult result;
    result.message = GetMessage(MessageId::InsufficientMemory);
    try {
        RestoreUndoSnapshot(problem, true);
        if (problem.frameCount >= 1) RebuildFrameGeometry(problem, 1, false);
    } catch (const std::exception&) {
        // The snapshot could not be read back either; what is left is reported below.
    }
    problem.errorCode = MessageNumber(MessageId::InsufficientMemory);
    problem.reporter().ShowError(result.message);
    return result;
}

bool RestoreSnapshotWithGeometry(Problem& problem, bool drop) {
    if (!RestoreUndoSnapshot(problem, drop)) return false;
    // The snapshot reader measures the frames but leaves their regions empty; one
    // rebuild settles the regions and nesting of every frame.
    if (problem.frameCount >= 1) RebuildFrameGeometry(problem, 1, false);
    return true;
}

void PutBackRefused(Problem& problem, EditResult& result) {
    if (!result.putBack) return;
    RestoreSnapshotWithGeometry(problem, true);
    result.putBack = false;
}

UndoRestorePoints::UndoRestorePoints(Problem& problem)
    : m_problem(problem), m_base(problem.undoList.size()) {}

void UndoRestorePoints::Push(const std::string& name) {
    m_problem.undoList.push_back(MakeUndoSnapshot(m_problem, name));
}

void UndoRestorePoints::Restore(bool drop) {
    RestoreSnapshotWithGeometry(m_problem, drop);
}

void UndoRestorePoints::DropAll() {
    while (m_problem.undoList.size() > m_base) m_problem.undoList.pop_back();
}

}  // namespace kova
