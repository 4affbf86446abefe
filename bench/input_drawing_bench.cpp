// The input window's drawing at 5 000 and 20 000 nodes: computing the draw list, painting
// it into a 1920×1080 picture, the repaint of a pointer move or blink tick (the cached
// picture plus the overlay), a scroll step and a zoom in and out.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "painting/painter.hpp"
#include "results/input_drawing.hpp"
#include "results/view_geometry.hpp"
#include "support/mesh_builder.hpp"

namespace {

using namespace kova;

// A structured mesh of about `nodes` nodes filling most of a 1920×1080 window.
void MakeMesh(Problem& p, int nodes) {
    const int ny = nodes >= 20000 ? 99 : 49;
    const int nx = nodes / (ny + 1) - 1;
    test::MeshBuilder b(p, 100);
    test::MeshRectangle(b, 0, 0, 17.9L, 9.9L, nx, ny, 1);
    b.Finish();
    ScrollBy(p, 10, 1050);  // from y = -990..0 into the window
}

InputDrawingOptions Options() {
    InputDrawingOptions o;
    o.clientWidth = 1920;
    o.clientHeight = 1080;
    return o;
}

void BM_BuildDrawList(benchmark::State& state) {
    Problem p;
    MakeMesh(p, static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(BuildInputDrawing(p, Options()));
    state.counters["nodes"] = p.nodes.Count();
}
BENCHMARK(BM_BuildDrawList)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_BuildAndPaint(benchmark::State& state) {
    Problem p;
    MakeMesh(p, static_cast<int>(state.range(0)));
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        const DrawList list = BuildInputDrawing(p, Options());
        image.fill(Qt::white);
        QPainter painter(&image);
        ui::Paint(list, painter);
    }
}
BENCHMARK(BM_BuildAndPaint)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_RepaintFromCache(benchmark::State& state) {
    Problem p;
    MakeMesh(p, static_cast<int>(state.range(0)));
    QImage cached(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    cached.fill(Qt::white);
    {
        QPainter painter(&cached);
        ui::Paint(BuildInputDrawing(p, Options()), painter);
    }
    p.selection.state = SelectType::Frames;
    p.selection.items = {NumberItem(1)};
    QImage screen(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    int phase = 0;
    for (auto _ : state) {
        QPainter painter(&screen);
        painter.drawImage(0, 0, cached);
        ui::Paint(BuildBlinkOverlay(p, phase), painter);
        phase = 1 - phase;
    }
}
BENCHMARK(BM_RepaintFromCache)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_ScrollStep(benchmark::State& state) {
    Problem p;
    MakeMesh(p, static_cast<int>(state.range(0)));
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    int direction = 1;
    for (auto _ : state) {
        ScrollBy(p, 16 * direction, 0);
        direction = -direction;
        const DrawList list = BuildInputDrawing(p, Options());
        image.fill(Qt::white);
        QPainter painter(&image);
        ui::Paint(list, painter);
    }
}
BENCHMARK(BM_ScrollStep)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_ZoomInAndOut(benchmark::State& state) {
    Problem p;
    MakeMesh(p, static_cast<int>(state.range(0)));
    ZoomMemory memory;
    for (auto _ : state) {
        ZoomIn(p, memory, 100, 100, 480, 1920, 17);
        ZoomOut(p, memory);
    }
}
BENCHMARK(BM_ZoomInAndOut)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
