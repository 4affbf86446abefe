#include "solver/property_evaluation.hpp"

#include "expressions/evaluator.hpp"
#include "model/problem.hpp"
#include "solver/solver_run.hpp"

namespace kova {

int RunSolutionData::ElementCount() const {
    return m_run.checked.elements.Count();
}

ElementCorners RunSolutionData::Element(int e) const {
    const kova::Element& element = m_run.checked.elements[e];
    ElementCorners corners;
    corners.nodes = element.nodes;
    corners.frame = element.frame;
    return corners;
}

int RunSolutionData::LevelCount() const {
    return m_run.resultsStarted ? m_run.results.LevelCount() : 0;
}

std::span<const Real> RunSolutionData::Level(int level) const {
    return m_run.results.Level(level);
}

bool RunSolutionData::TransientBeforeResults() const {
    return m_run.IsTransient() && !m_run.resultsStarted;
}

Real RunSpecValue(SolverRun& run, int spec, int& error, int element, Real potential, Real x,
                  Real y) {
    const RunSolutionData data(run, 0);
    return EvaluateSpec(run.problem, spec, error, element, potential, x, y, run.t, &data);
}

Real RunSpecAtNode(SolverRun& run, int node, int spec, int level, int& error, int element) {
    const RunSolutionData data(run, level);
    return EvaluateSpecAtNode(run.problem, node, spec, level, error, element, run.t, &data);
}

Real RunMaterialProperty(SolverRun& run, int kind, int element, int corner, int& error, int level) {
    const RunSolutionData data(run, level);
    return EvaluateMaterialProperty(run.problem, kind, element, corner, error, run.t, level, &data);
}

void RunReportPropertyError(SolverRun& run, int kind, int frame) {
    ReportEvaluationError(run.problem, kind, frame);
}

}  // namespace kova
