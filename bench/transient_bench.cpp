// 200 Crank-Nicolson levels on a strip of about 20 000 nodes: with constant properties
// (one factorisation, then a multiplication and a back-substitution per level) and with
// a temperature-dependent conductivity (re-assembly and factorisation at every level).
// The configuration check runs once outside the timing; each iteration times the driver,
// as a first Calculate on the mesh (the sparse analysis made afresh) or as a second one
// (the analysis kept from the run before).
#include <benchmark/benchmark.h>

#include <cmath>

#include "expressions/compiler.hpp"
#include "model/problem.hpp"
#include "run/calculation.hpp"
#include "support/mesh_builder.hpp"

namespace {

using namespace kova;

bool Near(Real a, Real b) {
    return std::fabs(a - b) < 1e-9L;
}

// 400 x 49 cells over 4 m x 0.49 m: 401 x 50 = 20 050 nodes, 39 200 elements.
void MakeStrip(Problem& problem, bool varying) {
    test::MeshBuilder b(problem);
    test::MeshRectangle(b, 0, 0, 4, 0.49L, 400, 49, 1);
    b.Finish();
    test::SetMaterial(problem, 1, 40, 7800, 460);
    if (varying) CompileExpression(problem, "40+0.01*T", problem.materials[1].conductivity);
    test::SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
    test::SetConvectionWhere(
        problem, [](Real x, Real) { return Near(x, 4); }, 25, 20);
    test::InsulateRest(problem);
    problem.settings.transient = true;
    problem.settings.transMethod = TransMethodType::CrankN;
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = 20;
}

void CrankNicolson200Levels(benchmark::State& bench, bool varying, bool keepAnalysis = false) {
    Problem problem;
    MakeStrip(problem, varying);
    CalculationState state;
    state.searchBandwidth = false;  // the figure shown is not part of the calculation
    CheckResult check = ConfigurationCheck(problem, state.checked);
    if (!check.ok || check.errorFound) {
        bench.SkipWithError("the configuration check failed");
        return;
    }
    TransientSetupInput setup;
    setup.stop = 200 * 60;
    setup.step = 60;
    const auto prepare = [&] {
        problem.settings.transientStart = 0;
        state.currentLevel = 0;
        state.continueRun = false;
        if (!keepAnalysis) state.sparseAnalysis = SparseAnalysis{};
        ApplyTransientSetup(problem, state, setup);
    };
    // A second Calculate keeps what the first one analysed.
    if (keepAnalysis) {
        prepare();
        Solve(problem, state, nullptr);
    }
    SolverError code = SolverError::Ok;
    for (auto _ : bench) {
        bench.PauseTiming();
        prepare();
        bench.ResumeTiming();
        code = Solve(problem, state, nullptr);
        benchmark::DoNotOptimize(state.results.Level(200)[1]);
    }
    if (code != SolverError::Ok) bench.SkipWithError("the calculation failed");
    bench.counters["nodes"] = static_cast<double>(problem.nodes.Count());
    bench.counters["levels"] = state.currentLevel;
    bench.counters["analyses"] = state.patternAnalyses;
}

void BM_CrankNicolsonConstantProperties(benchmark::State& bench) {
    CrankNicolson200Levels(bench, false);
}
void BM_CrankNicolsonConstantPropertiesRecalculated(benchmark::State& bench) {
    CrankNicolson200Levels(bench, false, true);
}
void BM_CrankNicolsonTemperatureDependentConductivity(benchmark::State& bench) {
    CrankNicolson200Levels(bench, true);
}

BENCHMARK(BM_CrankNicolsonConstantProperties)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CrankNicolsonConstantPropertiesRecalculated)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(BM_CrankNicolsonTemperatureDependentConductivity)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
