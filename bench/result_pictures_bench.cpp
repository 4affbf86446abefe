// The result windows' pictures at 80 000 elements in a 1600×1000 window: contour bands,
// isopotential lines and continuous shading (bands and shading also four times zoomed),
// the flux arrows and their automatic range for one level, one read-out, painting the
// band and shaded pictures into a QImage, and repainting a cached picture.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "painting/painter.hpp"
#include "results/contours.hpp"
#include "results/flux_arrows.hpp"
#include "results/readout.hpp"
#include "results/view_geometry.hpp"
#include "support/mesh_builder.hpp"

namespace {

using namespace kova;

// 200 × 200 cells of two triangles over 16 m × 10 m at 100 pixels per metre, or magnified
// `zoom` times about the middle of the 1600 × 1000 window.
struct Scene {
    Problem problem;
    ElementTable elements;
    ResultTable results;
    explicit Scene(int zoom = 1) {
        test::MeshBuilder b(problem, 100 * zoom);
        test::MeshRectangle(b, 0, 0, 16, 10, 200, 200, 1);
        b.Finish();
        test::SetMaterial(problem, 1, 2);
        ScrollBy(problem, 0, 1000 * zoom);  // from y = -1000..0 into the window
        CheckMarks marks;
        BuildElements(problem, elements, marks);
        results.Allocate(1, ResultTable::ValuesFor(problem));
        auto& v = results.Level(0);
        for (int n = 1; n <= problem.nodes.Count(); ++n) {
            const Real x = problem.nodes[n].x / (1600 * zoom),
                       y = problem.nodes[n].y / (1000 * zoom);
            v[static_cast<std::size_t>(n)] = 100 * std::sin(3 * x) * std::cos(2 * y) + 50 * x * y;
        }
        ScrollBy(problem, -800 * (zoom - 1), -500 * (zoom - 1));
    }
    ResultView View() { return ResultView{problem, elements, results, 0, 0}; }
    ContourSettings Settings(ContourKind kind) {
        const auto [low, high] = ComputeScaleRange(View(), 0, 0);
        ContourSettings c;
        c.scaleMin = low;
        c.scaleMax = high;
        c.kind = kind;
        return c;
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

// Four times magnified: a sixteenth of the elements shows, each 16 times the area.
Scene& ZoomedScene() {
    static Scene scene(4);
    return scene;
}

void Contours(benchmark::State& state, ContourKind kind) {
    Scene& s = TheScene();
    const ContourSettings c = s.Settings(kind);
    for (auto _ : state) benchmark::DoNotOptimize(DrawContours(s.View(), c));
    state.counters["elements"] = s.elements.Count();
}
void BM_ContourBands(benchmark::State& state) {
    Contours(state, ContourKind::Bands);
}
void BM_ContourLines(benchmark::State& state) {
    Contours(state, ContourKind::Lines);
}
void BM_ContourShading(benchmark::State& state) {
    Contours(state, ContourKind::Continuous);
}
BENCHMARK(BM_ContourBands)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContourLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContourShading)->Unit(benchmark::kMillisecond);

// A zoomed window's picture, clipped to the window as a paint does.
void ZoomedContours(benchmark::State& state, ContourKind kind) {
    Scene& s = ZoomedScene();
    const ContourSettings c = s.Settings(kind);
    ContourDrawOptions o;
    o.clip = {0, 0, 1600, 1000};
    for (auto _ : state) benchmark::DoNotOptimize(DrawContours(s.View(), c, o));
}
void BM_ContourBandsZoomed(benchmark::State& state) {
    ZoomedContours(state, ContourKind::Bands);
}
void BM_ContourShadingZoomed(benchmark::State& state) {
    ZoomedContours(state, ContourKind::Continuous);
}
BENCHMARK(BM_ContourBandsZoomed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContourShadingZoomed)->Unit(benchmark::kMillisecond);

void BM_FluxArrows(benchmark::State& state) {
    Scene& s = TheScene();
    ContourSettings c = s.Settings(ContourKind::Bands);
    GradientSettings g;
    std::tie(g.fluxScaleMin, g.fluxScaleMax) = GetFluxMinMax(s.View(), 0, 0, true);
    for (auto _ : state) benchmark::DoNotOptimize(DrawFluxArrows(s.View(), g, c, {}));
}
BENCHMARK(BM_FluxArrows)->Unit(benchmark::kMillisecond);

void BM_GetFluxMinMaxOneLevel(benchmark::State& state) {
    Scene& s = TheScene();
    for (auto _ : state) benchmark::DoNotOptimize(GetFluxMinMax(s.View(), 0, 0, false));
}
BENCHMARK(BM_GetFluxMinMaxOneLevel)->Unit(benchmark::kMillisecond);

void BM_Readout(benchmark::State& state) {
    Scene& s = TheScene();
    for (auto _ : state) benchmark::DoNotOptimize(ReadoutText(s.View(), {}, 1237.5L, 611.25L));
}
BENCHMARK(BM_Readout)->Unit(benchmark::kMillisecond);

void Paint(benchmark::State& state, ContourKind kind) {
    Scene& s = TheScene();
    const ContourPicture picture = DrawContours(s.View(), s.Settings(kind));
    QImage image(1600, 1000, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        ui::Paint(picture.picture, painter);
    }
    state.counters["items"] = static_cast<double>(picture.picture.items.size());
}
void BM_PaintBands(benchmark::State& state) {
    Paint(state, ContourKind::Bands);
}
void BM_PaintShading(benchmark::State& state) {
    Paint(state, ContourKind::Continuous);
}
BENCHMARK(BM_PaintBands)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintShading)->Unit(benchmark::kMillisecond);

// What exposing, returning to or shrinking a result window costs: the cached band picture
// drawn onto the window's surface.
void BM_RepaintCachedPicture(benchmark::State& state) {
    Scene& s = TheScene();
    const ContourPicture picture = DrawContours(s.View(), s.Settings(ContourKind::Bands));
    QImage cached(1600, 1000, QImage::Format_RGB32);
    cached.fill(Qt::white);
    {
        QPainter painter(&cached);
        ui::Paint(picture.picture, painter);
    }
    QImage surface(1600, 1000, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&surface);
        painter.drawImage(0, 0, cached);
    }
}
BENCHMARK(BM_RepaintCachedPicture)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
