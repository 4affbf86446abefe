// Auto Mesh and Reduce Mesh on a drawn frame: how the time grows with the mesh.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "editing/drawing_commands.hpp"
#include "editing/mesh_commands.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/outline_drawing.hpp"
#include "mesh/auto_mesh.hpp"
#include "mesh/reduce_mesh.hpp"

namespace {

// An L-shaped frame clicked corner by corner, meshed, then reduced `reductions` times.
void Build(kova::Problem& problem, int reductions) {
    const std::vector<kova::ClickPoint> corners{{100, 100}, {500, 100}, {500, 250}, {250, 250},
                                                {250, 450}, {100, 450}, {100, 100}};
    kova::DrawFreeFormOutline(problem, corners);
    kova::AutoMesh(problem);
    for (int i = 0; i < reductions; ++i) kova::ReduceMesh(problem);
}

// One Reduce Mesh on a mesh already reduced range(0) times.
void BM_ReduceMesh(benchmark::State& state) {
    const int before = static_cast<int>(state.range(0));
    long long nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        kova::Problem problem;
        Build(problem, before);
        state.ResumeTiming();
        kova::ReduceMesh(problem);
        nodes = problem.nodes.Count();
    }
    state.counters["nodes after"] = static_cast<double>(nodes);
}
BENCHMARK(BM_ReduceMesh)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// Auto Mesh of a star-shaped outline with many corners (ear clipping).
void BM_AutoMeshStar(benchmark::State& state) {
    const int corners = static_cast<int>(state.range(0));
    std::vector<kova::ClickPoint> clicks;
    for (int i = 0; i < corners; ++i) {
        const double angle = 6.283185307179586 * i / corners;
        const double radius = i % 2 == 0 ? 200 : 120;
        clicks.push_back({300 + radius * std::cos(angle), 300 + radius * std::sin(angle)});
    }
    clicks.push_back(clicks.front());
    for (auto _ : state) {
        state.PauseTiming();
        kova::Problem problem;
        kova::DrawFreeFormOutline(problem, clicks);
        state.ResumeTiming();
        benchmark::DoNotOptimize(kova::AutoMesh(problem));
    }
}
BENCHMARK(BM_AutoMeshStar)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
