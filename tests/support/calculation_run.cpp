#include "support/calculation_run.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "support/mesh_builder.hpp"

namespace kova::test {

int MakeCoolingLump(Problem& problem, Real x0, Real specificHeat) {
    MeshBuilder b(problem);
    const int lump = b.Frame(1, FrameType::Lumped);
    b.LumpOutline(lump,
                  {b.Node(x0, 0), b.Node(x0 + 0.1L, 0), b.Node(x0 + 0.1L, 0.1L), b.Node(x0, 0.1L)});
    b.Finish();
    SetMaterial(problem, 1, 1, 1000, specificHeat);
    SetConvectionWhere(
        problem, [](Real, Real) { return true; }, 10, 20);
    problem.frames[lump].lumpInitialValue = 100;
    problem.settings.transient = true;
    return lump;
}

void ExpectLumpDecay(const CalculationRun& run, int lump, int levels, Real balance) {
    const std::size_t entry = static_cast<std::size_t>(run.problem.nodes.Count() + lump);
    const Real factor = (1 - 0.1L) / (1 + 0.1L);
    for (int level = 0; level <= levels; ++level)
        EXPECT_NEAR(static_cast<double>(run.state.results.Level(level)[entry]),
                    static_cast<double>(balance + (100 - balance) * std::pow(factor, level)), 1e-9)
            << level;
}

CalculationOutcome CalculationRun::Calculate(std::optional<TransientSetupInput> setup) {
    state.continueRun = false;
    const TransientSetupInput input = setup ? *setup : StoredTransientSetup(problem);
    CalculationHooks hooks;
    hooks.progress = &progress;
    hooks.clock = &clock;
    hooks.transientSetup = [&] {
        setupResult = ApplyTransientSetup(problem, state, input);
        return setupResult.ok();
    };
    return DoCalcs(problem, state, hooks);
}

CalculationOutcome CalculationRun::Continue(const TransientSetupInput& setup) {
    state.continueRun = true;
    CalculationHooks hooks;
    hooks.progress = &progress;
    hooks.clock = &clock;
    hooks.transientSetup = [&] {
        setupResult = ApplyTransientSetup(problem, state, setup);
        return setupResult.ok();
    };
    return DoCalcs(problem, state, hooks);
}

}  // namespace kova::test
