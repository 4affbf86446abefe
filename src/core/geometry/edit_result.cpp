#include "geometry/edit_result.hpp"

#include "files/undo_snapshots.hpp"
#include "geometry/frame_rebuild.hpp"
#include "model/messages.hpp"

namespace kova {

EditResult RestoreAfterFailure(Problem& problem) {
    EditResult result;
    result.message = GetMessage(kMsgError, 2);
    try {
        RestoreUndoSnapshot(problem, true);
        if (problem.frameCount >= 1) RebuildFrameGeometry(problem, 1, false);
    } catch (const std::exception&) {
        // The snapshot could not be read back either; what is left is reported below.
    }
    problem.errorCode = 2;
    problem.reporter().ShowError(result.message);
    return result;
}

}  // namespace kova
