// The OK of the node dialog with every node of a 20 000-node mesh selected, and the OK of
// the boundary dialog with every boundary segment selected: the marking of segments
// between valued nodes, the undo snapshot and the end nodes' initial values.
#include <benchmark/benchmark.h>

#include "editing/boundary_dialog_logic.hpp"
#include "editing/value_dialog_logic.hpp"
#include "support/mesh_builder.hpp"

namespace {

using namespace kova;

void MakeMesh(Problem& p) {
    test::MeshBuilder b(p, 100);
    test::MeshRectangle(b, 0, 0, 19.9L, 9.9L, 199, 99, 1);  // 200 × 100 nodes
    b.Finish();
}

void BM_NodeDialogOkAllNodes(benchmark::State& state) {
    Problem p;
    MakeMesh(p);
    p.selection.state = SelectType::Points;
    for (int n = 1; n <= p.nodes.Count(); ++n) p.selection.items.push_back({n, nullptr});
    NodeDialogState s = OpenNodeDialog(p);
    s.temp.ticked = true;
    s.temp.field.text = "20+TIME";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ApplyNodeDialog(p, s));
        p.undoList.clear();
    }
    state.counters["nodes"] = p.nodes.Count();
    state.counters["segments"] = p.lines.Count();
}
BENCHMARK(BM_NodeDialogOkAllNodes)->Unit(benchmark::kMillisecond);

void BM_BoundaryDialogOkAllBoundaries(benchmark::State& state) {
    Problem p;
    MakeMesh(p);
    p.selection.state = SelectType::Bounds;
    for (LineSegment& seg : p.lines)
        if (seg.frameA == 0 || seg.frameB == 0) p.selection.items.push_back({0, &seg});
    BoundaryDialogState s = OpenBoundaryDialog(p);
    s.temp.ticked = true;
    s.temp.field.text = "100";
    s.coef.ticked = true;
    s.coef.field.text = "25";
    s.ambient.text = "20";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ApplyBoundaryDialog(p, s));
        p.undoList.clear();
    }
    state.counters["nodes"] = p.nodes.Count();
    state.counters["boundary segments"] = static_cast<double>(p.selection.items.size());
}
BENCHMARK(BM_BoundaryDialogOkAllBoundaries)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
