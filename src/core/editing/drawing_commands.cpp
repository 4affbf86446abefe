#include "editing/drawing_commands.hpp"

#include <cmath>
#include <exception>

#include "editing/restore.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/element_lines.hpp"
#include "geometry/outline_drawing.hpp"
#include "geometry/primitives.hpp"
#include "model/messages.hpp"
#include "model/selection.hpp"

namespace kova {

EditResult DrawFreeFormOutline(Problem& problem, const std::vector<ClickPoint>& corners) {
    ClearSelection(problem);
    SaveUndoSnapshot(problem, "Outline");
    EditResult result;
    if (!CheckFrameLimit(problem)) {
        ClearSelection(problem);
        result.message = GetMessage(MessageId::FrameLimit);
        return result;
    }
    if (corners.empty()) return result;
    const bool showNumbers = problem.settings.displayNodeNumbers;
    problem.settings.displayNodeNumbers = false;
    try {
        result = RunFreeFormOutline(problem, corners);
        PutBackRefused(problem, result);
    } catch (const std::exception&) {
        result = RestoreAfterFailure(problem);
    }
    problem.settings.displayNodeNumbers = showNumbers;
    return result;
}

EditResult DrawCircularOutline(Problem& problem, int cType, int pointCount, Real diameter,
                               Real centreX, Real centreY) {
    EditResult result;
    const int fewest = cType == kCircle ? 3 : 1;
    const bool valid = cType >= kCircle && cType <= kLastCircularShape && pointCount >= fewest &&
                       pointCount < kNodeLimit - 2 && std::isfinite(diameter) && diameter > 0 &&
                       std::isfinite(centreX) && std::isfinite(centreY);
    if (!valid) {
        ShowRuleHint(problem.reporter(), MessageId::IllegalEntry);
        result.message = GetMessage(MessageId::IllegalEntry);
        return result;
    }
    ClearSelection(problem);
    SaveUndoSnapshot(problem, "Outline");
    if (!CheckFrameLimit(problem)) {
        ClearSelection(problem);
        result.message = GetMessage(MessageId::FrameLimit);
        return result;
    }
    try {
        result = RunCircularOutline(problem, cType, pointCount, diameter, centreX, centreY);
        PutBackRefused(problem, result);
    } catch (const std::exception&) {
        result = RestoreAfterFailure(problem);
    }
    return result;
}

EditResult ElementLines(Problem& problem, const std::vector<ClickPoint>& clicks) {
    ClearSelection(problem);
    SaveUndoSnapshot(problem, "Lines");
    try {
        return RunElementLines(problem, clicks);
    } catch (const std::exception&) {
        return RestoreAfterFailure(problem);
    }
}

}  // namespace kova
