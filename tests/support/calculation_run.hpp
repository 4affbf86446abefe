// The calculation command as the main window runs it, for tests: Calculate and Continue
// through DoCalcs with a recording reporter, a recording progress display and a clock
// the test sets, and the transient set-up answered with given (or stored) settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/problem.hpp"
#include "platform/reporter.hpp"
#include "platform/run_progress.hpp"
#include "run/calculation.hpp"
#include "support/steady_run.hpp"

namespace kova::test {

// A transient set-up as the user would type it.
inline TransientSetupInput TimeSettings(Real stop, Real step,
                                        TransMethodType method = TransMethodType::CrankN) {
    TransientSetupInput input;
    input.stop = stop;
    input.step = step;
    input.method = method;
    return input;
}

// Each tick query advances the time by `step` milliseconds.
class SteppingClock : public Clock {
public:
    std::uint64_t TickMilliseconds() const override {
        const std::uint64_t now = m_now;
        m_now += step;
        return now;
    }
    std::string DateTimeText() const override { return "09.12.2026 12:00"; }
    std::uint64_t step = 0;

private:
    mutable std::uint64_t m_now = 1000;
};

// The cooling lump of the transient tests: a 0.1 m square lumped frame with its lower left
// corner at (x0, 0), material 1 with k = 1, rho = 1000 and the given specific heat, h = 10
// on its four sides to 20, from 100, in a transient problem. With c = 2,
// tau = rho c A / (h P) = 5 s. Returns the lump's frame.
int MakeCoolingLump(Problem& problem, Real x0 = 0, Real specificHeat = 2);

struct CalculationRun {
    explicit CalculationRun(Problem& problem) : problem(problem) {
        problem.SetReporter(&reporter);
        state.solver = TestSolver(state.solver);
    }
    ~CalculationRun() { problem.SetReporter(nullptr); }
    CalculationRun(const CalculationRun&) = delete;
    CalculationRun& operator=(const CalculationRun&) = delete;

    // Calculate; a transient problem uses `setup`, or the settings it stores.
    CalculationOutcome Calculate(std::optional<TransientSetupInput> setup = std::nullopt);
    // Continue with the set-up given (the stop time the user types).
    CalculationOutcome Continue(const TransientSetupInput& setup);

    // Stored value of node n (or entry n) at stored level `level`.
    Real Value(int level, int n) const {
        return state.results.Level(level)[static_cast<std::size_t>(n)];
    }
    Real Time(int level) const { return Value(level, 0); }

    Problem& problem;
    RecordingReporter reporter;
    RecordingProgress progress;
    SteppingClock clock;
    CalculationState state;
    TransientSetupResult setupResult;
};

// Checks levels 0..`levels` of the lump frame `lump` against T - balance shrinking by
// (1 - 0.1)/(1 + 0.1) each level from 100: Crank-Nicolson on a lump with tau = 5 s and
// 1 s steps.
void ExpectLumpDecay(const CalculationRun& run, int lump, int levels, Real balance = 20);

}  // namespace kova::test
