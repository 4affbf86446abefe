// Stages of a steady calculation on structured rectangle meshes: element building,
// equation numbering, assembly, factorisation and one back-substitution, and the whole
// chain from the check to stored results.
//
//   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-release steady_solver_bench
//   build-release/bin/steady_solver_bench --benchmark_min_time=0.2
//
// Arguments of each benchmark: nodes across, nodes along (the mesh has their product).
// The numbering shares its search between two threads when the machine has two cores,
// so its figures and those of the whole chain are read from the wall-clock column
// ("Time"). The chain is run repeatedly, as a problem is while it is refined: from the
// second run on the band storage of the run before is reused.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/problem.hpp"
#include "solver/assembly.hpp"
#include "solver/configuration_check.hpp"
#include "solver/equation_numbering.hpp"
#include "solver/run_setup.hpp"
#include "solver/steady_solution.hpp"

namespace kova {
namespace {

// A rectangle of nx x ny nodes one pixel apart, split into triangles, with a fixed
// value on the left edge, convection on the right and the rest insulated. Built directly
// through the model (segments in row order), as a meshed drawing would be.
std::unique_ptr<Problem> RectangleProblem(int nx, int ny) {
    auto p = std::make_unique<Problem>();
    Problem& problem = *p;
    problem.nodes.Reserve(nx * ny);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) problem.AddNode(10 + i, 10 + j);
    auto id = [nx](int i, int j) { return j * nx + i + 1; };
    problem.frameCount = 1;
    Frame& f = problem.frames[1];
    f.material = 1;
    Material& m = problem.materials[1];
    m.conductivity = BoundarySpec{};
    m.conductivity.kind = kSpecProperty;
    m.conductivity.value = 1;
    const int fixed = FindOrAddSpecValue(problem, kSpecValue, 100);
    const int zeroFlux = FindOrAddSpecValue(problem, kSpecFlux, 0);
    const int h = FindOrAddSpecValue(problem, kSpecTransfer, 5);
    const int ambient = FindOrAddSpecValue(problem, kSpecValue, 20);
    int number = 0;
    auto segment = [&](int a, int b, bool boundary) -> LineSegment& {
        LineSegment& s = *problem.NewLineSegment(++number);
        s.node1 = std::min(a, b);
        s.node2 = std::max(a, b);
        s.frameA = 1;
        s.frameB = boundary ? 0 : 1;
        return s;
    };
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            if (i + 1 < nx) {
                LineSegment& s = segment(id(i, j), id(i + 1, j), j == 0 || j == ny - 1);
                if (s.frameB == 0) s.fluxSpec = zeroFlux;
            }
            if (j + 1 < ny) {
                LineSegment& s = segment(id(i, j), id(i, j + 1), i == 0 || i == nx - 1);
                if (i == 0) {
                    s.valueSpec = fixed;
                    problem.nodes[id(i, j)].valueSpec = static_cast<std::int16_t>(fixed);
                    problem.nodes[id(i, j + 1)].valueSpec = static_cast<std::int16_t>(fixed);
                } else if (i == nx - 1) {
                    s.transferSpec = h;
                    s.ambientSpec = ambient;
                }
            }
            if (i + 1 < nx && j + 1 < ny) segment(id(i, j), id(i + 1, j + 1), false);
        }
    }
    for (int i = 0; i < nx; ++i) f.vertices.push_back(id(i, 0));
    for (int j = 1; j < ny; ++j) f.vertices.push_back(id(nx - 1, j));
    for (int i = nx - 2; i >= 0; --i) f.vertices.push_back(id(i, ny - 1));
    for (int j = ny - 2; j >= 0; --j) f.vertices.push_back(id(0, j));
    f.vertices.push_back(id(0, 0));
    problem.ClassifyNodes();
    problem.UpdateFrameMeasures(1);
    return p;
}

// A problem checked and set up, with its system allocated.
struct Prepared {
    std::unique_ptr<Problem> problem;
    CheckedConfiguration checked;
    ResultTable results;
    std::unique_ptr<SolverRun> run;

    Prepared(int nx, int ny) : problem(RectangleProblem(nx, ny)) {
        ConfigurationCheck(*problem, checked);
        results.Allocate(1, ResultTable::ValuesFor(*problem));
        run = std::make_unique<SolverRun>(*problem, checked, results);
        run->factor.kind = SolverKind::Band;
        RunSetup(*run);
        AllocateSystem(*run);
        ZeroSystem(*run);
        AssembleSystem(*run, 0);
        ok = run->solverError == SolverError::Ok && checked.elements.Count() > 0;
    }
    bool ok = false;
};

void SetSize(benchmark::State& state, const Prepared& p) {
    if (!p.ok) state.SkipWithError("the problem could not be set up");
    state.counters["nodes"] = p.problem->nodes.Count();
    state.counters["bandwidth"] = p.run->bandwidth;
}

void BM_BuildElements(benchmark::State& state) {
    auto problem =
        RectangleProblem(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ElementTable elements;
    for (auto _ : state) {
        for (LineSegment& s : problem->lines) s.elementCount = 0;
        CheckMarks marks;
        BuildElements(*problem, elements, marks);
        benchmark::DoNotOptimize(elements.Count());
    }
    state.counters["elements"] = elements.Count();
}

void BM_Numbering(benchmark::State& state) {
    Prepared p(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        Numbering n = NumberEquations(p.run->connections, p.run->unknownCount);
        benchmark::DoNotOptimize(n.bandwidth);
    }
    SetSize(state, p);
}

void BM_Assembly(benchmark::State& state) {
    Prepared p(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        ZeroSystem(*p.run);
        AssembleSystem(*p.run, 0);
        benchmark::DoNotOptimize(p.run->A.Values());
    }
    SetSize(state, p);
}

void BM_Factorisation(benchmark::State& state) {
    Prepared p(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ZeroSystem(*p.run);
    AssembleSystem(*p.run, 0);
    BandMatrix work;
    const BandMatrix& assembled = p.run->A.Band();
    work.Allocate(assembled.Size(), assembled.Bandwidth());
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 1; i <= work.Size(); ++i)
            std::copy(assembled.Row(i), assembled.Row(i) + work.Bandwidth(), work.Row(i));
        state.ResumeTiming();
        SolverError error = SolverError::Ok;
        FactorBanded(work, error);
        benchmark::DoNotOptimize(error);
    }
    SetSize(state, p);
}

void BM_BackSubstitution(benchmark::State& state) {
    Prepared p(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ZeroSystem(*p.run);
    AssembleSystem(*p.run, 0);
    SolverError error = SolverError::Ok;
    FactorBanded(p.run->A.Band(), error);
    BandVector x;
    for (auto _ : state) {
        SolveBanded(p.run->A.Band(), p.run->solveVector, x, error);
        benchmark::DoNotOptimize(x.data());
    }
    SetSize(state, p);
}

// Check, set-up with numbering, allocation, assembly, factorisation and the steady
// solution with stored results.
void BM_SteadyEndToEnd(benchmark::State& state) {
    auto problem =
        RectangleProblem(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    int bandwidth = 0;
    for (auto _ : state) {
        CheckedConfiguration checked;
        ConfigurationCheck(*problem, checked);
        ResultTable results;
        results.Allocate(1, ResultTable::ValuesFor(*problem));
        SolverRun run(*problem, checked, results);
        run.factor.kind = SolverKind::Band;
        RunSetup(run);
        AllocateSystem(run);
        ZeroSystem(run);
        AssembleSystem(run, 0);
        FactorBanded(run.A.Band(), run.solverError);
        SteadySolve(run);
        if (run.solverError != SolverError::Ok) state.SkipWithError("the calculation failed");
        bandwidth = run.bandwidth;
    }
    state.counters["nodes"] = problem->nodes.Count();
    state.counters["bandwidth"] = bandwidth;
}

// About 5 000, 20 000 and 80 000 nodes in rectangles twice as long as wide, and the
// square of about 20 000 nodes (the widest band for that size).
void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({50, 100})->Args({100, 200})->Args({200, 400})->Args({141, 141});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BuildElements)->Apply(Sizes);
BENCHMARK(BM_Numbering)->Apply(Sizes)->UseRealTime();
BENCHMARK(BM_Assembly)->Apply(Sizes);
BENCHMARK(BM_Factorisation)->Apply(Sizes);
BENCHMARK(BM_BackSubstitution)->Apply(Sizes);
BENCHMARK(BM_SteadyEndToEnd)->Apply(Sizes)->UseRealTime();

}  // namespace
}  // namespace kova

BENCHMARK_MAIN();
