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

FreeFormOutlineCommand::~FreeFormOutlineCommand() {
    // A command dropped while drawing ends as its cancel does.
    if (!m_over) {
        try {
            Cancel();
        } catch (const std::exception&) {
            // Nothing more can be done in a destructor.
        }
    }
}

bool FreeFormOutlineCommand::Begin() {
    ClearSelection(m_problem);
    m_undoDepth = m_problem.undoList.size();
    SaveUndoSnapshot(m_problem, "Outline");
    m_result = EditResult{};
    if (!CheckFrameLimit(m_problem)) {
        ClearSelection(m_problem);
        m_result.message = GetMessage(MessageId::FrameLimit);
        m_over = true;
        return false;
    }
    m_drawing = std::make_unique<FreeFormOutlineDrawing>(m_problem);
    m_showNumbers = m_problem.settings.displayNodeNumbers;
    m_problem.settings.displayNodeNumbers = false;
    m_over = false;
    return true;
}

const std::vector<int>& FreeFormOutlineCommand::Vertices() const {
    static const std::vector<int> kNone;
    return m_drawing && !m_over ? m_drawing->Vertices() : kNone;
}

void FreeFormOutlineCommand::End(const EditResult& result, bool closed) {
    m_over = true;
    m_result = result;
    m_problem.settings.displayNodeNumbers = m_showNumbers;
    if (m_result.putBack) {
        PutBackRefused(m_problem, m_result);
    } else if (!closed && m_problem.undoList.size() > m_undoDepth) {
        // Nothing was placed: the snapshot would undo nothing.
        m_problem.undoList.resize(m_undoDepth);
    }
}

ClickStep FreeFormOutlineCommand::Click(ClickPoint click) {
    if (m_over) return ClickStep::Ended;
    try {
        const ClickStep step = m_drawing->Click(click);
        if (m_drawing->Over()) End(m_drawing->Result(), step == ClickStep::Closed);
        return step;
    } catch (const std::exception&) {
        m_problem.settings.displayNodeNumbers = m_showNumbers;
        m_over = true;
        m_result = RestoreAfterFailure(m_problem);
        return ClickStep::Ended;
    }
}

const EditResult& FreeFormOutlineCommand::Cancel() {
    if (m_over) return m_result;
    try {
        End(m_drawing->Cancel(), false);
    } catch (const std::exception&) {
        m_problem.settings.displayNodeNumbers = m_showNumbers;
        m_over = true;
        m_result = RestoreAfterFailure(m_problem);
    }
    return m_result;
}

EditResult DrawFreeFormOutline(Problem& problem, const std::vector<ClickPoint>& corners) {
    FreeFormOutlineCommand command(problem);
    if (!command.Begin()) return command.Result();
    for (const ClickPoint& click : corners) {
        command.Click(click);
        if (command.Over()) return command.Result();
    }
    return command.Cancel();
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

ElementLinesCommand::~ElementLinesCommand() {
    // A command dropped while drawing ends as its cancel does: the lines made stay.
    if (!m_over) Cancel();
}

void ElementLinesCommand::Begin() {
    ClearSelection(m_problem);
    SaveUndoSnapshot(m_problem, "Lines");
    m_result = EditResult{};
    m_over = false;
}

ClickStep ElementLinesCommand::Click(ClickPoint click) {
    if (m_over) return ClickStep::Ended;
    try {
        const ClickStep step = m_drawing.Click(click);
        if (m_drawing.Over()) Cancel();
        return step;
    } catch (const std::exception&) {
        m_over = true;
        m_result = RestoreAfterFailure(m_problem);
        return ClickStep::Ended;
    }
}

const EditResult& ElementLinesCommand::Cancel() {
    if (m_over) return m_result;
    m_over = true;
    try {
        m_result = m_drawing.Finish();
    } catch (const std::exception&) {
        m_result = RestoreAfterFailure(m_problem);
    }
    return m_result;
}

EditResult ElementLines(Problem& problem, const std::vector<ClickPoint>& clicks) {
    ElementLinesCommand command(problem);
    command.Begin();
    for (const ClickPoint& click : clicks) {
        command.Click(click);
        if (command.Over()) break;
    }
    return command.Cancel();
}

}  // namespace kova
