// The input window's drawing at 5 000 and 20 000 nodes: computing the draw list, painting
// it into a 1920×1080 picture, the repaint of a pointer move or blink tick (the cached
// picture plus the overlay), a scroll step (strip and whole), a zoom in and out, and a
// zoom with its repaint.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

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

// What one step of an arrow key, the wheel or the scroll bar costs the window: the
// drawing moves, its list is rebuilt, the cached picture's pixels move and only the strip
// that comes into view is painted.
void BM_ScrollStep(benchmark::State& state) {
    Problem p;
    MakeMesh(p, static_cast<int>(state.range(0)));
    QPixmap picture(1920, 1080);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        ui::Paint(BuildInputDrawing(p, Options()), painter);
    }
    int direction = 1;
    for (auto _ : state) {
        const int dx = 16 * direction;
        direction = -direction;
        ScrollBy(p, dx, 0);
        const DrawList list = BuildInputDrawing(p, Options());
        ui::ScrollPicture(picture, list, dx, 0, QPoint(0, 0));
    }
}
BENCHMARK(BM_ScrollStep)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The same step painted whole, as before the picture's pixels were moved.
void BM_ScrollStepFullRepaint(benchmark::State& state) {
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
BENCHMARK(BM_ScrollStepFullRepaint)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

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

// What the second click of the zoom gesture costs the window: zooming the stored drawing
// into a quarter of the window's width, then its draw list and its whole picture (most of
// the mesh is then out of sight and left out of the list).
void BM_ZoomInAndPaint(benchmark::State& state) {
    Problem p;
    MakeMesh(p, static_cast<int>(state.range(0)));
    ZoomMemory memory;
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        ZoomIn(p, memory, 100, 100, 480, 1920, 17);
        const DrawList list = BuildInputDrawing(p, Options());
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            ui::Paint(list, painter);
        }
        state.PauseTiming();
        ZoomOut(p, memory);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ZoomInAndPaint)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
