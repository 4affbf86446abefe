// Stages of the sparse Cholesky solver on structured plates (the stencil of a rectangle
// split into triangles, as meshed drawings give), with the band factorisation of the
// same plates beside them for comparison.
//
//   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVA_BUILD_UI=OFF
//   ninja -C build-release sparse_solver_bench
//   build-release/bin/sparse_solver_bench --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true  (one line)
//
// Argument of each benchmark: nodes along each side (the plate has its square).
// Counters: unknowns, entries of L, supernodes, and the factorisation's floating-point
// operations per second.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

#include "editing/drawing_commands.hpp"
#include "editing/mesh_commands.hpp"
#include "geometry/outline_drawing.hpp"
#include "mesh/auto_mesh.hpp"
#include "mesh/reduce_mesh.hpp"
#include "model/problem.hpp"
#include "solver/band_matrix.hpp"
#include "solver/element_table.hpp"
#include "solver/sparse_cholesky.hpp"
#include "solver/sparse_ordering.hpp"
#include "solver/sparse_pattern.hpp"
#include "solver/sparse_symbolic.hpp"

namespace kova {
namespace {

// Values like an assembled field problem on a pattern: couplings -w (w in [0.5, 2)),
// diagonals their rows' sums, plus 1 on the unknowns `fixed` picks.
template <typename Fixed>
void FieldValues(SparseMatrix& matrix, Fixed fixed) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> weight(0.5, 2.0);
    const SparsePattern& p = matrix.Pattern();
    std::vector<Real>& v = matrix.Values();
    for (int c = 0; c < p.n; ++c) {
        const auto first = p.columnStart[static_cast<std::size_t>(c)];
        for (auto q = first + 1; q < p.columnStart[static_cast<std::size_t>(c) + 1]; ++q) {
            const Real w = weight(rng);
            v[static_cast<std::size_t>(q)] = -w;
            v[static_cast<std::size_t>(first)] += w;
            v[static_cast<std::size_t>(p.columnStart[static_cast<std::size_t>(
                p.rowIndex[static_cast<std::size_t>(q)])])] += w;
        }
        if (fixed(c)) v[static_cast<std::size_t>(first)] += 1;
    }
}

// A plate of side x side nodes numbered by rows: couplings -w (w in [0.5, 2)) along the
// cells' sides and diagonals, diagonals their rows' sums, plus 1 on the first column
// (a fixed edge), so the matrix is positive definite like an assembled field problem.
struct Plate {
    int side = 0;
    SparseMatrix matrix;
    std::vector<Real> rhs;

    explicit Plate(int s) : side(s) {
        const int n = s * s;
        SparsePatternBuilder builder(n);
        auto id = [s](int i, int j) { return j * s + i; };
        for (int j = 0; j < s; ++j)
            for (int i = 0; i < s; ++i) {
                if (i + 1 < s) builder.AddCoupling(id(i, j), id(i + 1, j));
                if (j + 1 < s) builder.AddCoupling(id(i, j), id(i, j + 1));
                if (i + 1 < s && j + 1 < s) builder.AddCoupling(id(i, j), id(i + 1, j + 1));
            }
        SparsePattern pattern;
        builder.Finish(pattern);
        matrix.Reset(std::move(pattern));
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> weight(0.5, 2.0);
        const SparsePattern& p = matrix.Pattern();
        std::vector<Real>& v = matrix.Values();
        for (int c = 0; c < n; ++c) {
            const auto first = p.columnStart[static_cast<std::size_t>(c)];
            for (auto q = first + 1; q < p.columnStart[static_cast<std::size_t>(c) + 1]; ++q) {
                const Real w = weight(rng);
                v[static_cast<std::size_t>(q)] = -w;
                v[static_cast<std::size_t>(first)] += w;
                v[static_cast<std::size_t>(p.columnStart[static_cast<std::size_t>(
                    p.rowIndex[static_cast<std::size_t>(q)])])] += w;
            }
            if (c % s == 0) v[static_cast<std::size_t>(first)] += 1;
        }
        rhs.assign(static_cast<std::size_t>(n), 1.0L);
    }
    int Unknowns() const { return side * side; }
};

const Plate& PlateOf(int side) {
    static std::map<int, std::unique_ptr<Plate>> plates;
    auto& p = plates[side];
    if (!p) p = std::make_unique<Plate>(side);
    return *p;
}

void Counters(benchmark::State& state, const Plate& plate, const SparseSymbolic& symbolic) {
    state.counters["unknowns"] = plate.Unknowns();
    state.counters["L_entries"] = static_cast<double>(symbolic.factorNonZeros);
    state.counters["L_values"] = static_cast<double>(symbolic.FactorValues());
    state.counters["supernodes"] = symbolic.supernodeCount;
}

void BM_SparseOrdering(benchmark::State& state) {
    const Plate& plate = PlateOf(static_cast<int>(state.range(0)));
    std::vector<std::int32_t> order;
    for (auto _ : state) {
        FillReducingOrder(plate.matrix.Pattern(), order);
        benchmark::DoNotOptimize(order.data());
    }
    state.counters["unknowns"] = plate.Unknowns();
}

void BM_SparseSymbolic(benchmark::State& state) {
    const Plate& plate = PlateOf(static_cast<int>(state.range(0)));
    std::vector<std::int32_t> order;
    FillReducingOrder(plate.matrix.Pattern(), order);
    SparseSymbolic symbolic;
    for (auto _ : state) {
        AnalyseSparse(plate.matrix.Pattern(), order, symbolic);
        benchmark::DoNotOptimize(symbolic.rows.data());
    }
    Counters(state, plate, symbolic);
}

void BM_SparseFactor(benchmark::State& state) {
    const Plate& plate = PlateOf(static_cast<int>(state.range(0)));
    SparseSymbolic symbolic;
    AnalyseSparse(plate.matrix.Pattern(), symbolic);
    SparseFactor factor;
    for (auto _ : state) {
        SolverError code = SolverError::Ok;
        factor.Factor(plate.matrix, symbolic, code);
        if (code != SolverError::Ok) state.SkipWithError("the factorisation failed");
    }
    Counters(state, plate, symbolic);
    state.counters["flops"] =
        benchmark::Counter(symbolic.flops, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["factor_MB"] = static_cast<double>(factor.Bytes()) / 1e6;
}

void BM_SparseSolve(benchmark::State& state) {
    const Plate& plate = PlateOf(static_cast<int>(state.range(0)));
    SparseSymbolic symbolic;
    AnalyseSparse(plate.matrix.Pattern(), symbolic);
    SparseFactor factor;
    SolverError code = SolverError::Ok;
    factor.Factor(plate.matrix, symbolic, code);
    std::vector<Real> x(plate.rhs.size());
    for (auto _ : state) {
        factor.Solve(plate.rhs.data(), x.data());
        benchmark::DoNotOptimize(x.data());
    }
    Counters(state, plate, symbolic);
}

// The whole sparse path from the pattern: ordering, analysis, factorisation and solve.
void BM_SparseAll(benchmark::State& state) {
    const Plate& plate = PlateOf(static_cast<int>(state.range(0)));
    SparseSymbolic symbolic;
    SparseFactor factor;
    std::vector<Real> x(plate.rhs.size());
    for (auto _ : state) {
        AnalyseSparse(plate.matrix.Pattern(), symbolic);
        SolverError code = SolverError::Ok;
        factor.Factor(plate.matrix, symbolic, code);
        factor.Solve(plate.rhs.data(), x.data());
        benchmark::DoNotOptimize(x.data());
    }
    Counters(state, plate, symbolic);
}

// The band factorisation of the same plate in its row numbering (bandwidth side + 2).
void BM_BandFactor(benchmark::State& state) {
    const Plate& plate = PlateOf(static_cast<int>(state.range(0)));
    const SparsePattern& p = plate.matrix.Pattern();
    BandMatrix source;
    source.Allocate(p.n, plate.side + 2);
    for (int c = 0; c < p.n; ++c)
        for (auto q = p.columnStart[static_cast<std::size_t>(c)];
             q < p.columnStart[static_cast<std::size_t>(c) + 1]; ++q)
            source(c + 1, p.rowIndex[static_cast<std::size_t>(q)] + 1) =
                plate.matrix.Values()[static_cast<std::size_t>(q)];
    BandMatrix work;
    work.Allocate(p.n, plate.side + 2);
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(source.Row(1), source.Row(1) + static_cast<std::size_t>(p.n) * (plate.side + 2),
                  work.Row(1));
        state.ResumeTiming();
        SolverError code = SolverError::Ok;
        FactorBanded(work, code);
        if (code != SolverError::Ok) state.SkipWithError("the factorisation failed");
    }
    state.counters["unknowns"] = plate.Unknowns();
}

// An unstructured mesh: an irregular twelve-cornered outline meshed by AutoMesh and
// refined by Reduce Mesh as far as the node limit allows (about 8k nodes), its pattern
// made from the elements' node triples.
struct Unstructured {
    SparseMatrix matrix;
    std::vector<Real> rhs;
    Unstructured() {
        Problem problem;
        problem.settings.pixelLength = 0.01L;
        std::vector<ClickPoint> corners;
        const Real radius[] = {200, 150, 210, 120, 190, 170, 220, 140, 180, 160, 205, 130};
        for (int j = 0; j < 12; ++j) {
            const Real a = j * 2 * 3.14159265358979L / 12;
            corners.push_back({std::round(400 + radius[j] * std::cos(a)),
                               std::round(300 + radius[j] * std::sin(a))});
        }
        corners.push_back(corners.front());
        DrawFreeFormOutline(problem, corners);
        AutoMesh(problem);
        while (problem.nodes.Count() * 4 < kNodeLimit &&
               ReduceMesh(problem) == ReduceOutcome::Reduced) {
        }
        ElementTable elements;
        CheckMarks marks;
        BuildElements(problem, elements, marks);
        SparsePatternBuilder builder(problem.nodes.Count());
        for (const Element& e : elements) {
            const std::int32_t nodes[3] = {e.nodes[0] - 1, e.nodes[1] - 1, e.nodes[2] - 1};
            builder.AddClique(nodes, 3);
        }
        SparsePattern pattern;
        builder.Finish(pattern);
        matrix.Reset(std::move(pattern));
        FieldValues(matrix, [](int c) { return c < 20; });
        rhs.assign(static_cast<std::size_t>(matrix.Size()), 1.0L);
        elementCount = elements.Count();
    }
    int elementCount = 0;
};

void BM_UnstructuredSparseAll(benchmark::State& state) {
    static const Unstructured mesh;
    SparseSymbolic symbolic;
    SparseFactor factor;
    std::vector<Real> x(mesh.rhs.size());
    for (auto _ : state) {
        AnalyseSparse(mesh.matrix.Pattern(), symbolic);
        SolverError code = SolverError::Ok;
        factor.Factor(mesh.matrix, symbolic, code);
        if (code != SolverError::Ok) state.SkipWithError("the factorisation failed");
        factor.Solve(mesh.rhs.data(), x.data());
        benchmark::DoNotOptimize(x.data());
    }
    state.counters["unknowns"] = mesh.matrix.Size();
    state.counters["elements"] = mesh.elementCount;
    state.counters["A_entries"] = static_cast<double>(mesh.matrix.Pattern().EntryCount());
    state.counters["L_entries"] = static_cast<double>(symbolic.factorNonZeros);
    state.counters["L_values"] = static_cast<double>(symbolic.FactorValues());
    state.counters["supernodes"] = symbolic.supernodeCount;
}

// 5k, 20k, 80k and 160k unknowns.
void Sizes(benchmark::internal::Benchmark* b) {
    for (const int side : {71, 142, 283, 400}) b->Arg(side);
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_SparseOrdering)->Apply(Sizes);
BENCHMARK(BM_SparseSymbolic)->Apply(Sizes);
BENCHMARK(BM_SparseFactor)->Apply(Sizes);
BENCHMARK(BM_SparseSolve)->Apply(Sizes);
BENCHMARK(BM_SparseAll)->Apply(Sizes);
BENCHMARK(BM_UnstructuredSparseAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BandFactor)->Arg(71)->Arg(142)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kova

BENCHMARK_MAIN();
