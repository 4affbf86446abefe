// The input window's editing at about 20 000 nodes: a click with its information text,
// a node drag's release, Delete and Undo. Each should stay well under 0.1 s. Reduce
// Mesh that ends at about 20 000 nodes may run on the window's thread while it stays
// under 0.2 s.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "editing/drawing_commands.hpp"
#include "editing/mesh_commands.hpp"
#include "editing/removal_commands.hpp"
#include "editing/restore.hpp"
#include "editing/selection_clicks.hpp"
#include "geometry/primitives.hpp"
#include "mesh/reduce_mesh.hpp"
#include "model/selection.hpp"
#include "results/view_geometry.hpp"
#include "support/mesh_builder.hpp"

namespace {

// A structured mesh of 20 000 nodes filling most of a 1920x1080 window; built once.
kova::Problem& Meshed() {
    static std::unique_ptr<kova::Problem> problem = [] {
        auto p = std::make_unique<kova::Problem>();
        kova::test::MeshBuilder b(*p, 100);
        kova::test::MeshRectangle(b, 0, 0, 17.9L, 9.9L, 199, 99, 1);
        b.Finish();
        kova::ScrollBy(*p, 10, 1050);  // from y = -990..0 into the window
        kova::ClearSelection(*p);
        return p;
    }();
    return *problem;
}

// An interior node near a point.
int NodeNear(kova::Problem& p, kova::Real x, kova::Real y) {
    for (kova::Real r = 2; r < 100; r *= 2)
        if (const int k = kova::FindNodeNear(p, x, y, r)) return k;
    return 1;
}

void BM_ClickOnNodeWithInformation(benchmark::State& state) {
    kova::Problem& p = Meshed();
    kova::ClickState clicks;
    const int k = NodeNear(p, 200, 300);
    const kova::Real x = p.nodes[k].x, y = p.nodes[k].y;
    for (auto _ : state) {
        kova::ClearSelection(p);
        benchmark::DoNotOptimize(kova::ClickAt(p, clicks, {x, y}));
    }
    state.counters["nodes"] = static_cast<double>(p.nodes.Count());
}
BENCHMARK(BM_ClickOnNodeWithInformation)->Unit(benchmark::kMillisecond);

void BM_ClickInsideFrame(benchmark::State& state) {
    kova::Problem& p = Meshed();
    kova::ClickState clicks;
    p.settings.displayNodes = false;
    p.settings.displayElementLines = false;
    for (auto _ : state) {
        kova::ClearSelection(p);
        benchmark::DoNotOptimize(kova::ClickAt(p, clicks, {300.5L, 150.25L}));
    }
    p.settings.displayNodes = true;
    p.settings.displayElementLines = true;
}
BENCHMARK(BM_ClickInsideFrame)->Unit(benchmark::kMillisecond);

// The release of a drag: the node moved by a pixel and checked, then moved back.
void BM_DragRelease(benchmark::State& state) {
    kova::Problem& p = Meshed();
    const int k = NodeNear(p, 700, 300);
    const kova::Real x = p.nodes[k].x, y = p.nodes[k].y;
    bool out = false;
    for (auto _ : state) {
        kova::MoveNode(p, k, out ? x : x + 0.5L, y);
        out = !out;
    }
    kova::MoveNode(p, k, x, y);
}
BENCHMARK(BM_DragRelease)->Unit(benchmark::kMillisecond);

// An element line at the node nearest (800, 500), and a point on it.
kova::ClickPoint PointOnElementLine(kova::Problem& p) {
    const int k = NodeNear(p, 800, 500);
    for (kova::LineSegment& s : p.lines)
        if (s.frameA == s.frameB && (s.node1 == k || s.node2 == k))
            return {(p.nodes[s.node1].x + p.nodes[s.node2].x) / 2,
                    (p.nodes[s.node1].y + p.nodes[s.node2].y) / 2};
    return {800, 500};
}

// Delete of one element line clicked on (the click, the snapshots, the deletion); the
// Undo that takes it back is not timed.
void BM_Delete(benchmark::State& state) {
    kova::Problem& p = Meshed();
    const kova::ClickPoint at = PointOnElementLine(p);
    kova::ClickState clicks;
    for (auto _ : state) {
        kova::ClearSelection(p);
        kova::ClickAt(p, clicks, {at.x, at.y});
        kova::DeleteSelection(p);
        state.PauseTiming();
        kova::ClearSelection(p);
        while (!p.undoList.empty()) kova::RestoreSnapshotWithGeometry(p, true);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Delete)->Unit(benchmark::kMillisecond);

// One Undo step after a Delete.
void BM_Undo(benchmark::State& state) {
    kova::Problem& p = Meshed();
    const kova::ClickPoint at = PointOnElementLine(p);
    kova::ClickState clicks;
    for (auto _ : state) {
        state.PauseTiming();
        kova::ClearSelection(p);
        kova::ClickAt(p, clicks, {at.x, at.y});
        kova::DeleteSelection(p);
        while (p.undoList.size() > 1) p.undoList.pop_front();
        state.ResumeTiming();
        kova::ClearSelection(p);
        kova::RestoreSnapshotWithGeometry(p, true);
    }
}
BENCHMARK(BM_Undo)->Unit(benchmark::kMillisecond);

// Reduce Mesh of every element of a 5 000-node mesh, which ends with 19 701 nodes: the
// snapshot, the refinement and the rebuild of every frame.
void BM_ReduceMeshTo20000Nodes(benchmark::State& state) {
    int nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<kova::Problem>();
        kova::test::MeshBuilder b(*p, 100);
        kova::test::MeshRectangle(b, 0, 0, 17.9L, 9.9L, 99, 49, 1);
        b.Finish();
        kova::ScrollBy(*p, 10, 1050);
        kova::ClearSelection(*p);
        state.ResumeTiming();
        benchmark::DoNotOptimize(kova::ReducemeshMClick(*p));
        state.PauseTiming();
        nodes = p->nodes.Count();
        p.reset();
        state.ResumeTiming();
    }
    state.counters["nodes"] = nodes;
}
BENCHMARK(BM_ReduceMeshTo20000Nodes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
