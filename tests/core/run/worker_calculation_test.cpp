// The calculation as the desktop runs it: prepared and finished on this thread, solved
// on a worker thread that reports through a RunProgressQueue, with Abort raised from
// this thread. It must give what the one-thread command gives.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "run/run_progress_queue.hpp"
#include "support/calculation_run.hpp"
#include "support/mesh_builder.hpp"

namespace kova::test {
namespace {

// Runs Solve on a worker thread. Each call the worker queues waits until this thread
// has delivered it to `display` and run `afterDelivery`, so what this thread does in
// answer to a progress step lands before the worker's next step, as it would for a
// user who presses Abort while a level is shown.
SolverError SolveOnWorker(Problem& problem, CalculationState& state, RunProgress& display,
                          const std::function<void(RunProgressQueue&)>& afterDelivery) {
    std::mutex mutex;
    std::condition_variable changed;
    int queued = 0;
    int delivered = 0;
    bool done = false;
    RunProgressQueue* queuePointer = nullptr;
    RunProgressQueue queue([&] {
        std::unique_lock<std::mutex> lock(mutex);
        ++queued;
        changed.notify_all();
        changed.wait(lock, [&] { return delivered >= queued; });
    });
    queuePointer = &queue;
    SolverError code = SolverError::Ok;
    std::thread worker([&] {
        code = Solve(problem, state, queuePointer);
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        changed.notify_all();
    });
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return queued > delivered || done; });
        const int target = queued;
        const bool finished = done;
        lock.unlock();
        queue.DeliverTo(display);
        if (afterDelivery) afterDelivery(queue);
        lock.lock();
        delivered = target;
        changed.notify_all();
        if (finished) break;
    }
    worker.join();
    queue.DeliverTo(display);
    return code;
}

CalculationHooks HooksFor(CalculationRun& run, const TransientSetupInput& setup) {
    CalculationHooks hooks;
    hooks.progress = &run.progress;
    hooks.clock = &run.clock;
    hooks.transientSetup = [&run, setup] {
        run.setupResult = ApplyTransientSetup(run.problem, run.state, setup);
        return run.setupResult.ok();
    };
    return hooks;
}

TEST(WorkerCalculation, GivesTheLevelsLinesAndCaptionsOfTheOneThreadCommand) {
    for (bool transient : {false, true}) {
        SCOPED_TRACE(transient ? "transient" : "steady");
        Problem reference;
        MakeConvectiveStrip(reference, transient, 0);
        CalculationRun one(reference);
        ASSERT_EQ(one.Calculate(TimeSettings(10, 1)).code, SolverError::Ok);

        Problem problem;
        MakeConvectiveStrip(problem, transient, 0);
        CalculationRun run(problem);
        const CalculationHooks hooks = HooksFor(run, TimeSettings(10, 1));
        const PreparedCalculation prepared = PrepareCalculation(problem, run.state, hooks);
        ASSERT_TRUE(prepared.ready);
        const SolverError code = SolveOnWorker(problem, run.state, run.progress, {});
        const CalculationOutcome outcome =
            FinishCalculation(problem, run.state, hooks, prepared, code);

        EXPECT_EQ(outcome.code, SolverError::Ok);
        EXPECT_EQ(outcome.caption, one.progress.captions.back());
        EXPECT_EQ(run.progress.captions, one.progress.captions);
        for (int line = 0; line < 3; ++line)
            EXPECT_EQ(run.progress.lines[line], one.progress.lines[line]) << line;
        EXPECT_EQ(run.progress.gaugeShown, transient);
        if (transient) {
            EXPECT_EQ(run.progress.gauge.back(), 100);
        }
        EXPECT_EQ(run.progress.button, "Continue");
        EXPECT_EQ(run.state.currentLevel, one.state.currentLevel);
        ASSERT_EQ(run.state.results.LevelCount(), one.state.results.LevelCount());
        for (int level = 0; level < run.state.results.LevelCount(); ++level)
            EXPECT_EQ(run.state.results.Level(level), one.state.results.Level(level)) << level;
        EXPECT_TRUE(problem.resultsCurrent);
        EXPECT_TRUE(run.reporter.Errors().empty());
    }
}

TEST(WorkerCalculation, AbortFromTheWindowThreadThenContinueMatchesAnUninterruptedRun) {
    Problem reference;
    MakeConvectiveStrip(reference, true, 0);
    CalculationRun whole(reference);
    ASSERT_EQ(whole.Calculate(TimeSettings(10, 1)).code, SolverError::Ok);

    Problem problem;
    MakeConvectiveStrip(problem, true, 0);
    CalculationRun run(problem);
    const CalculationHooks hooks = HooksFor(run, TimeSettings(10, 1));
    const PreparedCalculation prepared = PrepareCalculation(problem, run.state, hooks);
    ASSERT_TRUE(prepared.ready);
    // Abort is pressed while the gauge shows level 4 of 10.
    bool pressed = false;
    const SolverError code =
        SolveOnWorker(problem, run.state, run.progress, [&](RunProgressQueue& queue) {
            if (!pressed && !run.progress.gauge.empty() && run.progress.gauge.back() == 40) {
                queue.RequestCancel();
                pressed = true;
            }
        });
    const CalculationOutcome cancelled =
        FinishCalculation(problem, run.state, hooks, prepared, code);
    EXPECT_EQ(cancelled.code, SolverError::Cancelled);
    EXPECT_EQ(cancelled.caption, "Calculations cancelled after 0 sec");
    EXPECT_EQ(run.state.currentLevel, 3);  // level 4 was in progress and is discarded
    EXPECT_EQ(problem.settings.transientStop, 3);
    EXPECT_TRUE(problem.resultsCurrent);
    for (int level = 0; level <= 3; ++level)
        EXPECT_EQ(run.state.results.Level(level), whole.state.results.Level(level)) << level;

    const CalculationOutcome continued = run.Continue(TimeSettings(10, 1));
    ASSERT_EQ(continued.code, SolverError::Ok);
    ASSERT_EQ(run.state.results.LevelCount(), 11);
    for (int level = 0; level <= 10; ++level)
        for (int n = 1; n <= problem.nodes.Count(); ++n)
            EXPECT_NEAR(static_cast<double>(run.Value(level, n)),
                        static_cast<double>(whole.Value(level, n)), 1e-12)
                << level << " " << n;
}

TEST(RunProgressQueue, DeliversInOrderAndCoalescesUnseenGaugeSteps) {
    RunProgressQueue queue;
    queue.SetCaption("Calculations in progress...");
    queue.SetLine(1, " No. Unknown Temperatures = 3");
    queue.ShowGauge(true);
    queue.SetGauge(10);
    queue.SetGauge(20);
    queue.SetGauge(30);
    queue.SetLine(3, "x");
    queue.SetGauge(40);
    queue.SetButtonCaption("Continue");
    queue.Close();
    RecordingProgress display;
    EXPECT_EQ(queue.DeliverTo(display), 8);
    EXPECT_EQ(display.captions, std::vector<std::string>{"Calculations in progress..."});
    EXPECT_EQ(display.lines[0], std::vector<std::string>{" No. Unknown Temperatures = 3"});
    EXPECT_EQ(display.lines[2], std::vector<std::string>{"x"});
    EXPECT_EQ(display.gauge, (std::vector<int>{30, 40}));
    EXPECT_TRUE(display.gaugeShown);
    EXPECT_EQ(display.button, "Continue");
    EXPECT_TRUE(display.closed);
    EXPECT_EQ(queue.DeliverTo(display), 0);  // nothing is delivered twice

    // A cancel request is taken once.
    EXPECT_FALSE(queue.CancelRequested());
    queue.RequestCancel();
    EXPECT_TRUE(queue.CancelRequested());
    EXPECT_FALSE(queue.CancelRequested());
}

}  // namespace
}  // namespace kova::test
