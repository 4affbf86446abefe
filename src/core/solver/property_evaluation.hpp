// How the solver obtains property and boundary values: specifications and material
// properties evaluated through the expression evaluator at nodes, element corners and
// lumps, with the potential taken from the run's stored results.
#pragma once

#include <span>

#include "expressions/solution_data.hpp"
#include "model/types.hpp"

namespace kova {

class SolverRun;

// Material property kinds (those of the evaluator).
inline constexpr int kPropConductivity = 1;
inline constexpr int kPropDensity = 2;
inline constexpr int kPropSpecificHeat = 3;
inline constexpr int kPropPerfusion = 4;
inline constexpr int kPropCapacity = 5;  // density x specific heat
inline constexpr int kPropGeneration = 6;

// The run's element table and result levels as the evaluator sees them. Until the run
// has stored its start values no level counts as stored, so evaluations take the nodes'
// current values (steady) or initial values (transient).
class RunSolutionData final : public SolutionData {
public:
    RunSolutionData(const SolverRun& run, int level) : m_run(run), m_level(level) {}
    int ElementCount() const override;
    ElementCorners Element(int e) const override;
    int LevelCount() const override;
    std::span<const Real> Level(int level) const override;
    int DisplayedStep() const override { return m_level; }
    bool TransientBeforeResults() const override;

private:
    const SolverRun& m_run;
    int m_level;
};

// Specification `spec` at the run's time with the given potential and drawing position.
// Index 0 or less gives 0. On an error the result is 1 and `error` holds the code.
Real RunSpecValue(SolverRun& run, int spec, int& error, int element, Real potential, Real x,
                  Real y);

// Specification `spec` at node `node` (node count + k for lump frame k): the potential is
// the node's value at result level `level` when stored results exist, else its current
// value; the position is the node's (0, 0 for a lump). Index 0 or less gives 0.
Real RunSpecAtNode(SolverRun& run, int node, int spec, int level, int& error, int element);

// Material property `kind` at corner 1..3 of element `element`, or of lump frame k when
// element is -k, at result level `level`. On an error the result is 1 and `error` is set.
Real RunMaterialProperty(SolverRun& run, int kind, int element, int corner, int& error, int level);

// The message for a material property that could not be evaluated ("Error in evaluating "
// and the property's text).
void RunReportPropertyError(SolverRun& run, int kind, int frame);

}  // namespace kova
