// Cost of rebuilding every frame of a full drawing: 60 frames, 30 circular outlines each
// holding a smaller one, with a given number of vertices per outline.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"
#include "model/problem.hpp"

namespace {

void AddCircle(kova::Problem& problem, kova::Real cx, kova::Real cy, kova::Real r, int n,
               int enclosing) {
    const int c = problem.frameCount + 1;
    std::vector<std::int32_t> list;
    for (int j = 0; j < n; ++j) {
        const kova::Real a = 2 * std::numbers::pi_v<kova::Real> * j / n;
        list.push_back(problem.AddNode(cx + r * std::cos(a), cy + r * std::sin(a)));
    }
    list.push_back(list.front());
    for (std::size_t j = 1; j < list.size(); ++j) {
        kova::LineSegment* s = kova::FindOrCreateSegment(problem, list[j - 1], list[j], false);
        s->frameA = c;
        s->frameB = enclosing;
    }
    problem.frames[c].outlineStart = list.front();
    problem.frames[c].vertices = list;
    problem.frameCount = c;
}

void BM_RebuildAllFrames(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    kova::Problem problem;
    for (int cell = 0; cell < 30; ++cell) {
        const kova::Real cx = 200 + 400 * (cell % 6), cy = 200 + 400 * (cell / 6);
        AddCircle(problem, cx, cy, 180, n, 0);
        AddCircle(problem, cx, cy, 90, n, problem.frameCount);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(kova::RebuildAllFrames(problem));
    }
    state.SetLabel(std::to_string(problem.lines.Count()) + " segments");
}
BENCHMARK(BM_RebuildAllFrames)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

void BM_RebuildOneFrame(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    kova::Problem problem;
    for (int cell = 0; cell < 30; ++cell) {
        const kova::Real cx = 200 + 400 * (cell % 6), cy = 200 + 400 * (cell / 6);
        AddCircle(problem, cx, cy, 180, n, 0);
        AddCircle(problem, cx, cy, 90, n, problem.frameCount);
    }
    kova::RebuildAllFrames(problem);
    for (auto _ : state) kova::RebuildFrameGeometry(problem, problem.frameCount, true);
}
BENCHMARK(BM_RebuildOneFrame)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
