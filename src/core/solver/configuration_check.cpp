#include "solver/configuration_check.hpp"

#include "model/messages.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

bool IsOuterSide(const Problem& problem, int frame) {
    if (frame == 0) return true;
    const Frame* f = problem.FrameAt(frame);
    return f != nullptr && f->type == FrameType::Lumped;
}

void Report(Problem& problem, MessageId message) {
    problem.reporter().Beep();
    problem.reporter().ShowStatusText(GetMessage(message), StatusPanel::Info);
}

// Pass 1: sorts every active segment into the boundary lists; marks those whose
// boundary condition is missing or incomplete.
void ClassifyBoundaries(Problem& problem, CheckedConfiguration& checked, CheckMarks& marks) {
    checked.valueLines.clear();
    checked.fluxLines.clear();
    checked.convectionLines.clear();
    for (LineSegment& s : problem.lines) {
        if (s.active == 0) continue;
        const bool outer = IsOuterSide(problem, s.frameA) || IsOuterSide(problem, s.frameB);
        if (s.valueSpec > 0) {
            const bool bothEnds = problem.nodes.Valid(s.node1) && problem.nodes.Valid(s.node2) &&
                                  problem.nodes[s.node1].valueSpec != 0 &&
                                  problem.nodes[s.node2].valueSpec != 0;
            if (!bothEnds) {
                marks.MarkSegment(problem, s);
                continue;
            }
            checked.valueLines.push_back(&s);
        }
        if (s.fluxSpec > 0) checked.fluxLines.push_back(&s);
        if (s.transferSpec > 0) {
            if ((s.frameA == 0 || s.frameB == 0) && s.ambientSpec <= 0) {
                marks.MarkSegment(problem, s);
            } else {
                checked.convectionLines.push_back(&s);
            }
        }
        if (outer && s.valueSpec <= 0 && s.fluxSpec <= 0 && s.transferSpec <= 0)
            marks.MarkSegment(problem, s);
    }
}

}  // namespace

CheckResult ConfigurationCheck(Problem& problem, CheckedConfiguration& checked,
                               const CheckOptions& options) {
    CheckResult result;
    CheckMarks marks;
    Reporter& reporter = problem.reporter();
    // 1. The busy cursor while the check runs.
    const BusyCursor busy(reporter);
    problem.selection.items.clear();
    problem.selection.state = SelectType::None;

    // 2. Ctrl held on a Check: every frame's outline data is rebuilt first.
    if (options.verbose && options.keys != nullptr && options.keys->CtrlHeld()) {
        reporter.ShowStatusText("Checking configuration...", StatusPanel::Info);
        for (int k = 1; k <= problem.frameCount; ++k) problem.UpdateFrameMeasures(k);
    }
    // 3, 4. Elements.
    reporter.ShowStatusText(GetMessage(MessageId::CheckingProblemDefinition), StatusPanel::Info);
    for (LineSegment& s : problem.lines) s.elementCount = 0;
    checked.valueLines.clear();
    checked.fluxLines.clear();
    checked.convectionLines.clear();
    if (!BuildElements(problem, checked.elements, marks)) {
        result.ok = false;
        result.errorFound = true;
        return result;
    }
    // 5. Lines that do not form triangles.
    if (marks.errorFound) {
        Report(problem, MessageId::NonTriangularElements);
        result.errorFound = true;
        return result;
    }
    // 6. Materials.
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Frame& f = problem.frames[k];
        if (f.subtracted == 0 && f.material == 0) marks.MarkFrame(problem, k);
    }
    if (marks.errorFound) {
        reporter.ShowStatusText(GetMessage(MessageId::UndefinedProperties), StatusPanel::Info);
        result.errorFound = true;
        return result;
    }
    // 7. Boundary conditions.
    ClassifyBoundaries(problem, checked, marks);
    if (marks.errorFound) {
        Report(problem, MessageId::UnspecifiedBoundaries);
        result.errorFound = true;
        return result;
    }
    // 8. Convection only where a surface faces the exterior or a lump.
    for (LineSegment& s : problem.lines) {
        if (s.active == 0 || s.transferSpec <= 0) continue;
        if (!IsOuterSide(problem, s.frameA) && !IsOuterSide(problem, s.frameB))
            marks.MarkSegment(problem, s);
    }
    if (marks.errorFound) {
        Report(problem, MessageId::CannotBeConvective);
        result.errorFound = true;
        return result;
    }
    // 9. Initial values of a transient problem (not when continuing a run). Holes carry
    // no value and are not asked for one.
    if (problem.settings.transient && !options.continueRun) {
        const int n = problem.nodes.Count();
        for (int i = 1; i <= n; ++i) {
            const Node& node = problem.nodes[i];
            if (node.active != 0 && node.valueSpec == 0 && node.initialValue == kUnspecified)
                marks.MarkNode(problem, i);
        }
        for (int k = 1; k <= problem.frameCount; ++k) {
            const Frame& f = problem.frames[k];
            if (f.IsLump() && f.subtracted == 0 && f.lumpValueSpec <= 0 &&
                f.lumpInitialValue == kUnspecified)
                marks.MarkNode(problem, n + k);
        }
        if (marks.errorFound) {
            reporter.Beep();
            reporter.ShowStatusText(GetMessage(MessageId::UndefinedInitialValues) +
                                        std::string(1, problem.vocabulary.variableLetter),
                                    StatusPanel::Info);
            result.errorFound = true;
            return result;
        }
    }
    // 10. All well.
    std::string line = GetMessage(MessageId::NoErrorsFound) + " " +
                       std::to_string(checked.elements.Count()) + " elements";
    if (options.verbose && problem.settings.transient && options.transientCheckRun) {
        line += ".  " + options.transientCheckRun();
    }
    reporter.ShowStatusText(line, StatusPanel::Info);
    return result;
}

}  // namespace kova
