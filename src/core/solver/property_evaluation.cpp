#include "solver/property_evaluation.hpp"

#include "expressions/evaluator.hpp"
#include "model/messages.hpp"
#include "model/problem.hpp"
#include "solver/solver_run.hpp"

namespace kova {
namespace {

// Runs a compiled form (entry 0 = 0: the stored constant) at the run's time.
Real EvaluateForm(const Problem& problem, const BoundarySpec& spec, int& error, int element,
                  Real potential, Real x, Real y, Real t) {
    error = 0;
    if (spec.compiled[0] == 0) return spec.value;
    // The evaluator reports through the problem's reporter, which it may not change.
    return EvaluateExpression(const_cast<Problem&>(problem), spec.compiled, error, element,
                              potential, x, y, t);
}

const Material* MaterialOfFrame(const Problem& problem, int frame) {
    const Frame* f = problem.FrameAt(frame);
    return f == nullptr ? nullptr : problem.MaterialAt(f->material);
}

const BoundarySpec* PropertyBlock(const Material& m, int kind) {
    switch (kind) {
        case kPropConductivity:
            return &m.conductivity;
        case kPropDensity:
            return &m.density;
        case kPropSpecificHeat:
            return &m.specificHeat;
        case kPropPerfusion:
            return &m.perfusion;
        default:
            return nullptr;
    }
}

}  // namespace

Real RunSpecValue(SolverRun& run, int spec, int& error, int element, Real potential, Real x,
                  Real y) {
    error = 0;
    const BoundarySpec* s = run.problem.specs.Find(spec);
    if (s == nullptr) return 0;
    const Real v = EvaluateForm(run.problem, *s, error, element, potential, x, y, run.t);
    if (error != 0) {
        run.problem.reporter().Beep();
        return 1;
    }
    return v;
}

Real RunSpecAtNode(SolverRun& run, int node, int spec, int level, int& error, int element) {
    error = 0;
    const BoundarySpec* s = run.problem.specs.Find(spec);
    if (s == nullptr) return 0;
    if (s->compiled[0] <= 0) return s->value;
    const int nodeCount = run.problem.nodes.Count();
    Real potential = 0;
    Real x = 0, y = 0;
    if (run.results.HasLevel(level) && node < run.results.ValueCount()) {
        potential = run.results.Level(level)[static_cast<std::size_t>(node)];
    } else if (node <= nodeCount) {
        potential = run.problem.nodes[node].currentValue;
    }
    if (node >= 1 && node <= nodeCount) {
        x = run.problem.nodes[node].x;
        y = run.problem.nodes[node].y;
    }
    return RunSpecValue(run, spec, error, element, potential, x, y);
}

Real RunMaterialProperty(SolverRun& run, int kind, int element, int corner, int& error, int level) {
    error = 0;
    const Problem& problem = run.problem;
    const bool lump = element < 0;
    int frame = 0;
    int node = 0;
    if (lump) {
        frame = -element;
    } else {
        if (!run.checked.elements.Valid(element) || corner < 1 || corner > 3) return 0;
        const Element& e = run.checked.elements[element];
        frame = e.frame;
        node = e.nodes[static_cast<std::size_t>(corner - 1)];
    }
    const Frame* f = problem.FrameAt(frame);
    const Material* m = MaterialOfFrame(problem, frame);
    if (f == nullptr || m == nullptr) return 0;

    // The potential and position the expression sees.
    Real potential = 0;
    Real x = 0, y = 0;
    const bool stored = run.results.HasLevel(level);
    const int nodeCount = problem.nodes.Count();
    if (lump) {
        const std::size_t index = static_cast<std::size_t>(nodeCount + frame);
        potential = level > 0 && stored && static_cast<int>(index) < run.results.ValueCount()
                        ? run.results.Level(level)[index]
                        : f->lumpInitialValue;
    } else {
        const Node& n = problem.nodes[node];
        x = n.x;
        y = n.y;
        if (stored) {
            potential = run.results.Level(level)[static_cast<std::size_t>(node)];
        } else if (run.IsTransient()) {
            potential = n.initialValue;
        } else {
            potential = n.currentValue;
        }
    }
    const int elementArgument = lump ? -frame : element;

    auto block = [&](const BoundarySpec& b) -> Real {
        if (b.compiled[0] <= 0) return b.value;
        int e = 0;
        const Real v = EvaluateForm(problem, b, e, elementArgument, potential, x, y, run.t);
        if (e != 0) {
            error = e;
            return 1;
        }
        return v;
    };
    switch (kind) {
        case kPropConductivity:
        case kPropDensity:
        case kPropSpecificHeat:
        case kPropPerfusion:
            return block(*PropertyBlock(*m, kind));
        case kPropCapacity: {
            const Real rho = block(m->density);
            if (error != 0) return 1;
            const Real c = block(m->specificHeat);
            return error != 0 ? 1 : rho * c;
        }
        case kPropGeneration: {
            const BoundarySpec* g = problem.specs.Find(f->generationSpec);
            if (g == nullptr) return 0;
            return block(*g);
        }
        default:
            return 0;
    }
}

void RunReportPropertyError(SolverRun& run, int kind, int frame) {
    const Material* m = MaterialOfFrame(run.problem, frame);
    const BoundarySpec* b = m != nullptr ? PropertyBlock(*m, kind) : nullptr;
    const std::string text = "Error in evaluating " + (b != nullptr ? b->text : std::string());
    run.problem.reporter().ShowStatusText(text, StatusPanel::Info);
    run.problem.reporter().ShowError(text);
}

}  // namespace kova
