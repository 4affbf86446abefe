#include "expressions/element_gradient.hpp"

#include <cmath>

#include "expressions/evaluator.hpp"
#include "model/problem.hpp"
#include "model/subjects.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

// ky/kx of the element's material when it is marked anisotropic, else 1.
Real AnisotropyRatio(const Problem& problem, const SolutionData& solution, int element) {
    const Frame* frame = problem.FrameAt(solution.Element(element).frame);
    const Material* m = frame != nullptr ? problem.MaterialAt(frame->material) : nullptr;
    return m != nullptr && m->anisotropic != 0 ? m->kyOverKx : 1.0L;
}

}  // namespace

ElementGradient ElementGradientComponents(const Problem& problem, const SolutionData& solution,
                                          int element, int step) {
    ElementGradient g;
    if (!solution.ValidElement(element)) {
        g.errorCode = kEvalStack;
        return g;
    }
    const ElementCorners corners = solution.Element(element);
    Real x[3];
    Real y[3];
    Real t[3];
    for (int i = 0; i < 3; ++i) {
        const int n = corners.nodes[static_cast<std::size_t>(i)];
        if (!problem.nodes.Valid(n)) {
            g.errorCode = kEvalStack;
            return g;
        }
        const Node& node = problem.nodes[n];
        x[i] = node.x;
        y[i] = node.y;
        const Real* stored = solution.StoredValue(step, n);
        t[i] = stored != nullptr ? *stored : node.currentValue;
    }
    // Minus twice the signed area of the triangle.
    const Real m =
        y[0] * x[1] - y[0] * x[2] - x[0] * y[1] + y[1] * x[2] + x[0] * y[2] - x[1] * y[2];
    if (m == 0) return g;
    g.dvdx = ((t[0] - t[2]) * (y[0] - y[1]) + (t[0] - t[1]) * (y[2] - y[0])) / m;
    g.dvdy = ((t[0] - t[2]) * (x[1] - x[0]) + (t[0] - t[1]) * (x[0] - x[2])) / m;
    return g;
}

ElementGradient ElementFlux(Problem& problem, const SolutionData& solution, int element, int step,
                            bool temperatureType) {
    ElementGradient g = ElementGradientComponents(problem, solution, element, step);
    if (g.errorCode != 0) return g;

    const ProbTypeA subject = problem.settings.subject;
    const bool temperatureGradient = temperatureType &&
                                     problem.selection.state == SelectType::FluxPt &&
                                     (subject == ProbTypeA::HeatTrans || subject == ProbTypeA::Bio);
    Real a = 1;
    if (!temperatureGradient && !HasUnitConductivity(subject)) {
        // The level's time (stored in the user's unit) for time-dependent conductivities;
        // a steady level's entry 0 counts iterations and is not a time.
        const Real* levelTime = solution.StoredValue(step, 0);
        const Real time = problem.settings.transient && levelTime != nullptr
                              ? *levelTime * TimeFactor(problem)
                              : 0;
        Real sum = 0;
        for (int corner = 1; corner <= 3; ++corner) {
            int error = 0;
            sum += EvaluateMaterialProperty(problem, kPropertyConductivity, element, corner, error,
                                            time, step, &solution);
            if (error != 0) {
                g.errorCode = error;
                return g;
            }
        }
        a = sum / 3;
    }
    // The flux of an anisotropic material in Cartesian geometry, as the assembly and the
    // flows have it: (k dT/dx, (ky/kx) k dT/dy).
    if (!temperatureGradient && !problem.settings.cylindrical)
        g.dvdy *= AnisotropyRatio(problem, solution, element);
    const Real pixelLength = problem.settings.pixelLength;
    if (pixelLength > 0) {
        g.magnitude = a * std::sqrt(g.dvdx * g.dvdx + g.dvdy * g.dvdy) / pixelLength;
    }
    return g;
}

}  // namespace kova
