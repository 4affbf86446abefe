#include "results/pressures.hpp"

#include "expressions/element_gradient.hpp"
#include "expressions/evaluator.hpp"
#include "model/problem.hpp"
#include "units/unit_labels.hpp"

namespace kova {

bool ComputePressures(const FlowContext& c, int level, std::vector<Real>& pressures) {
    Problem& p = c.problem;
    const int nodeCount = p.nodes.Count();
    pressures.assign(static_cast<std::size_t>(nodeCount + p.frameCount) + 1, 0.0L);
    if (!c.results.HasLevel(level)) return true;
    std::vector<int> counts(static_cast<std::size_t>(nodeCount) + 1, 0);
    const ResultSolutionData data(c.elements, c.results, level);
    // A steady level's entry 0 counts iterations; only a transient level holds a time.
    const Real time = p.settings.transient ? c.results.Level(level)[0] * TimeFactor(p) : 0;
    const Real s = p.settings.pixelLength;
    // An unset Bernoulli constant gives pressures relative to the reference.
    const Real reference = p.bernoulliConstant != kUnspecified ? p.bernoulliConstant : 0;
    for (int e = 1; e <= c.elements.Count(); ++e) {
        const ElementGradient g = ElementGradientComponents(p, data, e, level);
        if (g.errorCode != 0 || !(s > 0)) continue;
        const Real speedSquared = (g.dvdx * g.dvdx + g.dvdy * g.dvdy) / (s * s);
        for (int corner = 1; corner <= 3; ++corner) {
            int error = 0;
            const Real rho = EvaluateMaterialProperty(p, kPropertyConductivity, e, corner, error,
                                                      time, level, &data);
            if (error != 0) {
                ReportEvaluationError(p, kPropertyConductivity, c.elements[e].frame);
                return false;
            }
            const int n = c.elements[e].nodes[static_cast<std::size_t>(corner - 1)];
            if (n < 1 || n > nodeCount) continue;
            const Real pressure = reference - rho * speedSquared / 2;
            Real& mean = pressures[static_cast<std::size_t>(n)];
            int& count = counts[static_cast<std::size_t>(n)];
            mean = (count * mean + pressure) / (count + 1);
            ++count;
        }
    }
    return true;
}

}  // namespace kova
