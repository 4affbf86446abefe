// A pointer move during a node drag on an offscreen input window at 20 000 nodes: the
// event, and the repaint of the cached picture with the dragged node's lines over it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include "editing/mesh_commands.hpp"
#include "geometry/primitives.hpp"
#include "model/selection.hpp"
#include "results/view_geometry.hpp"
#include "shell/document.hpp"
#include "support/mesh_builder.hpp"
#include "views/input_states.hpp"
#include "views/input_window.hpp"

namespace {

using namespace kova;

void Send(QWidget* target, QEvent::Type type, QPointF p, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, p, target->mapToGlobal(p), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void BM_NodeDragPointerMove(benchmark::State& state) {
    ui::Document document;
    Problem& p = document.problem();
    test::MeshBuilder b(p, 100);
    test::MeshRectangle(b, 0, 0, 17.9L, 9.9L, 199, 99, 1);
    b.Finish();
    ScrollBy(p, 10, 1050);  // from y = -990..0 into the window
    ClearSelection(p);
    ui::TInputForm window(document);
    window.resize(1920, 1080);
    window.show();
    ui::InputEditor editor(window, {}, {});
    editor.DrawCommand(ui::Cmd::RepositionNodes);
    QApplication::processEvents();
    // The canvas paints into an image as it would onto the screen; the first paint
    // builds the cached picture, before timing.
    QImage screen(window.canvas()->size(), QImage::Format_ARGB32_Premultiplied);
    window.canvas()->render(&screen);
    Real x = 960, y = 540;
    FindNodeNear(p, x, y, 20);
    const QPointF at(static_cast<double>(x), static_cast<double>(y));
    Send(window.canvas(), QEvent::MouseButtonPress, at, Qt::LeftButton);
    if (!window.InteractionActive()) state.SkipWithError("no drag started");
    int step = 0;
    for (auto _ : state) {
        step = (step + 1) % 8;
        Send(window.canvas(), QEvent::MouseMove, at + QPointF(step, step), Qt::LeftButton);
        window.canvas()->render(&screen);
    }
    window.CancelInteraction();
    state.counters["nodes"] = p.nodes.Count();
    state.counters["width"] = screen.width();
    p.settings.problemSaved = true;
}
BENCHMARK(BM_NodeDragPointerMove)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
