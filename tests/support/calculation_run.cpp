#include "support/calculation_run.hpp"

namespace kova::test {

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
