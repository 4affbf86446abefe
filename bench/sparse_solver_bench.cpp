// Stages of the sparse Cholesky solver (ordering, analysis, factorisation, solve, and the
// check a later run makes before it re-uses an analysis) on
// structured plates (the stencil of a rectangle split into triangles, as meshed drawings
// give) and on unstructured meshes, with the band factorisation of the same plates
// beside them for comparison.
//
//   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVA_BUILD_UI=OFF
//   ninja -C build-release sparse_solver_bench
//   build-release/bin/sparse_solver_bench --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true  (one line)
//
// Argument of each plate benchmark: nodes along each side (the plate has its square);
// of each unstructured one: the target in thousands of nodes (see MeshSizes).
// Counters: unknowns, entries of L, values the factor stores, supernodes, and the
// factorisation's floating-point operations per second.
#include <benchmark/benchmark.h>

#include <array>
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
#include "solver/system_factor.hpp"

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

// What a later run on the same mesh pays instead of the ordering and the analysis: the
// check that the analysis it keeps was made for its pattern (compared entry for entry).
void BM_SparseKeptAnalysisCheck(benchmark::State& state) {
    const Plate& plate = PlateOf(static_cast<int>(state.range(0)));
    SparseAnalysis kept;
    kept.pattern = plate.matrix.Pattern();
    AnalyseSparse(kept.pattern, kept.symbolic);
    const SparsePattern& current = plate.matrix.Pattern();
    for (auto _ : state) {
        const bool fits = kept.Fits(current);
        if (!fits) state.SkipWithError("the kept analysis does not fit");
        benchmark::DoNotOptimize(fits);
    }
    Counters(state, plate, kept.symbolic);
    // What the state holds between runs: the pattern's copy and the analysis.
    const auto bytes = [](const auto& v) { return v.size() * sizeof(v[0]); };
    const SparseSymbolic& y = kept.symbolic;
    const std::size_t held = bytes(kept.pattern.columnStart) + bytes(kept.pattern.rowIndex) +
                             bytes(y.order) + bytes(y.position) + bytes(y.firstColumn) +
                             bytes(y.rowStart) + bytes(y.rows) + bytes(y.parent) +
                             bytes(y.columnStart) + bytes(y.belowCount) + bytes(y.belowRows) +
                             bytes(y.entryStart) + bytes(y.entryRow) + bytes(y.entrySource);
    state.counters["kept_MB"] = static_cast<double>(held) / 1e6;
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

// An unstructured mesh of about `target` nodes: an irregular twelve-cornered outline
// meshed by AutoMesh and refined by Reduce Mesh while that stays within the node limit
// and below the target, then (beyond the limit, as files from other programs may be)
// split further, each triangle into four at its sides' midpoints. Its pattern is made
// from the elements' node triples.
struct Unstructured {
    SparseMatrix matrix;
    std::vector<Real> rhs;
    int elementCount = 0;

    explicit Unstructured(int target) {
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
        // Reduce Mesh and each split multiply the nodes by about four; the drawn mesh
        // stays within half the node limit.
        int splits = 0;
        while (target > (kNodeLimit / 2) << (2 * splits)) ++splits;
        const double base = static_cast<double>(target) / (1 << (2 * splits));
        while (problem.nodes.Count() * 4 <= 1.3 * base && problem.nodes.Count() * 4 < kNodeLimit &&
               ReduceMesh(problem) == ReduceOutcome::Reduced) {
        }
        ElementTable elements;
        CheckMarks marks;
        BuildElements(problem, elements, marks);
        std::vector<std::array<std::int32_t, 3>> triangles;
        for (const Element& e : elements)
            triangles.push_back({e.nodes[0] - 1, e.nodes[1] - 1, e.nodes[2] - 1});
        int nodes = problem.nodes.Count();
        for (int split = 0; split < splits; ++split) {
            std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> midpoint;
            auto middle = [&](std::int32_t a, std::int32_t b) {
                const auto key = std::minmax(a, b);
                const auto [at, added] = midpoint.emplace(key, nodes);
                if (added) ++nodes;
                return at->second;
            };
            std::vector<std::array<std::int32_t, 3>> finer;
            finer.reserve(triangles.size() * 4);
            for (const auto& [a, b, c] : triangles) {
                const std::int32_t ab = middle(a, b), bc = middle(b, c), ca = middle(c, a);
                finer.push_back({a, ab, ca});
                finer.push_back({ab, b, bc});
                finer.push_back({ca, bc, c});
                finer.push_back({ab, bc, ca});
            }
            triangles.swap(finer);
        }
        SparsePatternBuilder builder(nodes);
        for (const auto& t : triangles) builder.AddClique(t.data(), 3);
        SparsePattern pattern;
        builder.Finish(pattern);
        matrix.Reset(std::move(pattern));
        FieldValues(matrix, [](int c) { return c < 20; });
        rhs.assign(static_cast<std::size_t>(matrix.Size()), 1.0L);
        elementCount = static_cast<int>(triangles.size());
    }
};

const Unstructured& MeshOf(int thousands) {
    static std::map<int, std::unique_ptr<Unstructured>> meshes;
    auto& m = meshes[thousands];
    if (!m) m = std::make_unique<Unstructured>(thousands * 1000);
    return *m;
}

void MeshCounters(benchmark::State& state, const Unstructured& mesh,
                  const SparseSymbolic* symbolic) {
    state.counters["unknowns"] = mesh.matrix.Size();
    state.counters["elements"] = mesh.elementCount;
    state.counters["A_entries"] = static_cast<double>(mesh.matrix.Pattern().EntryCount());
    if (symbolic == nullptr) return;
    state.counters["L_entries"] = static_cast<double>(symbolic->factorNonZeros);
    state.counters["L_values"] = static_cast<double>(symbolic->FactorValues());
    state.counters["supernodes"] = symbolic->supernodeCount;
}

void BM_UnstructuredOrdering(benchmark::State& state) {
    const Unstructured& mesh = MeshOf(static_cast<int>(state.range(0)));
    std::vector<std::int32_t> order;
    for (auto _ : state) {
        FillReducingOrder(mesh.matrix.Pattern(), order);
        benchmark::DoNotOptimize(order.data());
    }
    MeshCounters(state, mesh, nullptr);
}

void BM_UnstructuredSymbolic(benchmark::State& state) {
    const Unstructured& mesh = MeshOf(static_cast<int>(state.range(0)));
    std::vector<std::int32_t> order;
    FillReducingOrder(mesh.matrix.Pattern(), order);
    SparseSymbolic symbolic;
    for (auto _ : state) {
        AnalyseSparse(mesh.matrix.Pattern(), order, symbolic);
        benchmark::DoNotOptimize(symbolic.rows.data());
    }
    MeshCounters(state, mesh, &symbolic);
}

void BM_UnstructuredFactor(benchmark::State& state) {
    const Unstructured& mesh = MeshOf(static_cast<int>(state.range(0)));
    SparseSymbolic symbolic;
    AnalyseSparse(mesh.matrix.Pattern(), symbolic);
    SparseFactor factor;
    for (auto _ : state) {
        SolverError code = SolverError::Ok;
        factor.Factor(mesh.matrix, symbolic, code);
        if (code != SolverError::Ok) state.SkipWithError("the factorisation failed");
    }
    MeshCounters(state, mesh, &symbolic);
    state.counters["factor_MB"] = static_cast<double>(factor.Bytes()) / 1e6;
}

void BM_UnstructuredSolve(benchmark::State& state) {
    const Unstructured& mesh = MeshOf(static_cast<int>(state.range(0)));
    SparseSymbolic symbolic;
    AnalyseSparse(mesh.matrix.Pattern(), symbolic);
    SparseFactor factor;
    SolverError code = SolverError::Ok;
    factor.Factor(mesh.matrix, symbolic, code);
    std::vector<Real> x(mesh.rhs.size());
    for (auto _ : state) {
        factor.Solve(mesh.rhs.data(), x.data());
        benchmark::DoNotOptimize(x.data());
    }
    MeshCounters(state, mesh, &symbolic);
}

// 5k, 20k, 80k and 160k unknowns.
void Sizes(benchmark::internal::Benchmark* b) {
    for (const int side : {71, 142, 283, 400}) b->Arg(side);
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_SparseOrdering)->Apply(Sizes);
BENCHMARK(BM_SparseSymbolic)->Apply(Sizes);
BENCHMARK(BM_SparseKeptAnalysisCheck)->Apply(Sizes);
BENCHMARK(BM_SparseFactor)->Apply(Sizes);
BENCHMARK(BM_SparseSolve)->Apply(Sizes);
BENCHMARK(BM_SparseAll)->Apply(Sizes);
// Unstructured meshes for 5k, 20k and 80k nodes: each refinement multiplies the nodes
// by about four, so the drawing reaches 7.9k, 31k and 125k (a 160k target would give
// the 125k mesh again).
void MeshSizes(benchmark::internal::Benchmark* b) {
    for (const int thousands : {5, 20, 80}) b->Arg(thousands);
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_UnstructuredOrdering)->Apply(MeshSizes);
BENCHMARK(BM_UnstructuredSymbolic)->Apply(MeshSizes);
BENCHMARK(BM_UnstructuredFactor)->Apply(MeshSizes);
BENCHMARK(BM_UnstructuredSolve)->Apply(MeshSizes);
BENCHMARK(BM_BandFactor)->Arg(71)->Arg(142)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kova

BENCHMARK_MAIN();
