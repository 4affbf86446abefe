// The input window's gestures on the real main window, offscreen, 1920x1080, with a mesh
// of 20 000 nodes: a pointer move in every interaction state with the repaint it causes
// (each should stay under 5 ms), and a click with its information text, a node drag's
// release, Delete and Undo, each with its menus and repaint (each under 0.1 s). Events
// go through the canvas as the window system delivers them; menu commands through their
// actions.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "editing/text_commands.hpp"
#include "geometry/primitives.hpp"
#include "model/selection.hpp"
#include "results/view_geometry.hpp"
#include "shell/document.hpp"
#include "shell/main_window.hpp"
#include "support/mesh_builder.hpp"
#include "views/input_states.hpp"
#include "views/input_window.hpp"

namespace {

using namespace kova;

// The main window with its mesh, made once for every benchmark.
class Bench {
public:
    static Bench& Get() {
        if (!Instance()) Instance().reset(new Bench);
        return *Instance();
    }
    // Closes the window while the application still runs.
    static void Release() { Instance().reset(); }
    ~Bench() { problem().settings.problemSaved = true; }

    Problem& problem() { return m_window->document().problem(); }
    QWidget* canvas() { return m_window->inputWindow()->canvas(); }
    ui::TKOVAMDI& window() { return *m_window; }
    bool Active() { return m_window->inputWindow()->InteractionActive(); }

    void Send(QEvent::Type type, QPointF p, Qt::MouseButtons buttons = Qt::LeftButton) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, p, canvas()->mapToGlobal(p), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &event);
    }
    void Click(QPointF p) {
        Send(QEvent::MouseButtonPress, p);
        Send(QEvent::MouseButtonRelease, p, Qt::NoButton);
    }
    // The canvas paints into an image as it would onto the screen.
    void Repaint() { canvas()->render(&m_screen); }
    bool Trigger(ui::Cmd cmd) {
        m_window->UpdateMenu();
        QAction* a = m_window->action(cmd);
        if (!a->isEnabled()) return false;
        a->trigger();
        return true;
    }
    // Back to the mesh as built: the gesture cancelled, every command undone.
    void Reset() {
        m_window->inputWindow()->CancelInteraction();
        while (!problem().undoList.empty()) Trigger(ui::Cmd::Undo);
        ClearSelection(problem());
        m_window->UpdateMenu();
        Repaint();
    }
    // A node of the mesh near a window point.
    QPointF NodeNear(Real x, Real y) {
        for (Real r = 2; r < 100; r *= 2) {
            Real nx = x, ny = y;
            if (FindNodeNear(problem(), nx, ny, r) != 0)
                return {static_cast<double>(nx), static_cast<double>(ny)};
        }
        return {static_cast<double>(x), static_cast<double>(y)};
    }
    // The middle of an element line near a window point.
    QPointF OnElementLine(Real x, Real y) {
        const QPointF at = NodeNear(x, y);
        Real nx = at.x(), ny = at.y();
        const int k = FindNodeNear(problem(), nx, ny, 1);
        for (const LineSegment& s : problem().lines)
            if (s.frameA == s.frameB && (s.node1 == k || s.node2 == k)) {
                const Node& a = problem().nodes[s.node1];
                const Node& b = problem().nodes[s.node2];
                return {static_cast<double>((a.x + b.x) / 2), static_cast<double>((a.y + b.y) / 2)};
            }
        return at;
    }
    // A point right of the mesh, where nothing is drawn.
    QPointF Empty(double y) const { return {m_emptyX, y}; }

private:
    Bench() {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
        m_window = std::make_unique<ui::TKOVAMDI>();
        m_window->document().answerHook = [](const QString&, const QString&) {
            return Answer::Yes;
        };
        m_window->document().errorHook = [](const QString&) {};
        m_window->resize(1920, 1080);
        m_window->show();
        QApplication::processEvents();
        m_window->Start();
        QApplication::processEvents();
        // 200 x 100 cells on 17.9 m x 9.9 m at 100 pixels a metre, from x = 10 to 1800
        // and y = 60 to 1050: most of the window, with a strip free on the right.
        Problem& p = problem();
        test::MeshBuilder b(p, 100);
        test::MeshRectangle(b, 0, 0, 17.9L, 9.9L, 199, 99, 1);
        b.Finish();
        ScrollBy(p, 10, 1050);
        ClearSelection(p);
        p.undoList.clear();
        m_window->inputWindow()->InvalidateDrawing();
        m_window->UpdateMenu();
        m_screen = QImage(canvas()->size(), QImage::Format_ARGB32_Premultiplied);
        m_emptyX = (1800 + canvas()->width()) / 2.0;
        Repaint();
    }
    static std::unique_ptr<Bench>& Instance() {
        static std::unique_ptr<Bench> bench;
        return bench;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ui::TKOVAMDI> m_window;
    QImage m_screen;
    double m_emptyX = 1850;
};

// Pointer moves by a few pixels about `at`, each with its repaint.
void Moves(benchmark::State& state, Bench& b, QPointF at, Qt::MouseButtons buttons) {
    int step = 0;
    for (auto _ : state) {
        step = (step + 1) % 8;
        b.Send(QEvent::MouseMove, at + QPointF(step, step), buttons);
        b.Repaint();
    }
    state.counters["nodes"] = b.problem().nodes.Count();
}

// The moves of a gesture just begun, then back to the mesh as built; `started` is what
// the skip says when no gesture is active.
void GestureMoves(benchmark::State& state, Bench& b, const char* started, QPointF at,
                  Qt::MouseButtons buttons) {
    if (!b.Active()) state.SkipWithError(started);
    Moves(state, b, at, buttons);
    b.Reset();
}

// Clicks at `at` from no selection, each with its repaint; the clearing is not timed.
void Clicks(benchmark::State& state, Bench& b, QPointF at) {
    for (auto _ : state) {
        state.PauseTiming();
        ClearSelection(b.problem());
        state.ResumeTiming();
        b.Click(at);
        b.Repaint();
    }
}

// The element line that Delete and Undo work on, on the mesh as built, and the count of
// lines with it.
struct LineTarget {
    Bench& b;
    QPointF at;
    int lines;
};
LineTarget TargetLine() {
    Bench& b = Bench::Get();
    b.Reset();
    return {b, b.OnElementLine(800, 500), b.problem().lines.Count()};
}
// The line clicked alone, with the timing paused.
void SelectAlone(benchmark::State& state, Bench& b, QPointF at) {
    state.PauseTiming();
    ClearSelection(b.problem());
    b.Click(at);
}

void BM_PointerMoveIdle(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Reset();
    Moves(state, b, {700, 500}, Qt::NoButton);
}
BENCHMARK(BM_PointerMoveIdle)->Unit(benchmark::kMillisecond);

// The rubber band from a first corner beside the mesh, its end snapping onto nodes.
void BM_PointerMoveOutline(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Reset();
    b.Trigger(ui::Cmd::OutlineFree);
    b.Click(b.Empty(300));
    GestureMoves(state, b, "no outline started", b.NodeNear(1700, 600), Qt::NoButton);
}
BENCHMARK(BM_PointerMoveOutline)->Unit(benchmark::kMillisecond);

// An element line from a node of the mesh following the pointer.
void BM_PointerMoveElementLine(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Reset();
    b.Trigger(ui::Cmd::ElementLines);
    b.Click(b.NodeNear(900, 500));
    GestureMoves(state, b, "no element line started", {1000, 620}, Qt::NoButton);
}
BENCHMARK(BM_PointerMoveElementLine)->Unit(benchmark::kMillisecond);

// The dotted rectangle from beside the mesh across most of it.
void BM_PointerMoveRubberRectangle(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Reset();
    b.Send(QEvent::MouseButtonPress, b.Empty(100), Qt::LeftButton);
    GestureMoves(state, b, "no rectangle started", {300, 900}, Qt::LeftButton);
}
BENCHMARK(BM_PointerMoveRubberRectangle)->Unit(benchmark::kMillisecond);

// A new text dragged by the pointer.
void BM_PointerMoveTextDrag(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Reset();
    b.Trigger(ui::Cmd::NewText);
    if (ui::TNewTextDlg* dialog = b.window().editor()->textDialog()) dialog->accept();
    if (b.problem().texts.empty()) {
        state.SkipWithError("no text");
        return;
    }
    ClearSelection(b.problem());
    const IntRect r = b.problem().texts.front().theRect;
    const QPointF on(r.left + 5, r.top - 10);
    b.Send(QEvent::MouseButtonPress, on, Qt::LeftButton);
    GestureMoves(state, b, "no text drag started", on + QPointF(40, 40), Qt::LeftButton);
}
BENCHMARK(BM_PointerMoveTextDrag)->Unit(benchmark::kMillisecond);

// A pasted picture moved by its body, or stretched by its corner square.
void TemplateDrag(benchmark::State& state, bool corner) {
    Bench& b = Bench::Get();
    b.Reset();
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::cyan);
    QApplication::clipboard()->setImage(picture);
    b.Trigger(ui::Cmd::PasteFromClipboard);
    const IntRect r = b.problem().templatePicture.rect;
    const QPointF at = corner ? QPointF(r.right - 2, r.bottom - 2)
                              : QPointF((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    b.Send(QEvent::MouseButtonPress, at, Qt::LeftButton);
    GestureMoves(state, b, "no template drag started", at + QPointF(30, 30), Qt::LeftButton);
}
void BM_PointerMoveTemplateMove(benchmark::State& state) {
    TemplateDrag(state, false);
}
BENCHMARK(BM_PointerMoveTemplateMove)->Unit(benchmark::kMillisecond);
void BM_PointerMoveTemplateResize(benchmark::State& state) {
    TemplateDrag(state, true);
}
BENCHMARK(BM_PointerMoveTemplateResize)->Unit(benchmark::kMillisecond);

// A node dragged in Reposition mode, its six segments following.
void BM_PointerMoveRepositionDrag(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Reset();
    b.Trigger(ui::Cmd::RepositionNodes);
    const QPointF at = b.NodeNear(960, 540);
    b.Send(QEvent::MouseButtonPress, at, Qt::LeftButton);
    GestureMoves(state, b, "no node drag started", at, Qt::LeftButton);
}
BENCHMARK(BM_PointerMoveRepositionDrag)->Unit(benchmark::kMillisecond);

// A click on a node with its information text, menus and repaint.
void BM_ClickOnNode(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Reset();
    Clicks(state, b, b.NodeNear(400, 500));
    if (b.problem().selection.state != SelectType::Points) state.SkipWithError("no node selected");
    b.Reset();
}
BENCHMARK(BM_ClickOnNode)->Unit(benchmark::kMillisecond);

// A click inside the frame (nodes and element lines hidden): the frame's area and
// material in the information text.
void BM_ClickInsideFrame(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Reset();
    b.problem().settings.displayNodes = false;
    b.problem().settings.displayElementLines = false;
    b.window().inputWindow()->InvalidateDrawing();
    b.Repaint();
    Clicks(state, b, {300.5, 150.25});
    if (b.problem().selection.state != SelectType::Frames) state.SkipWithError("no frame selected");
    b.problem().settings.displayNodes = true;
    b.problem().settings.displayElementLines = true;
    b.window().inputWindow()->InvalidateDrawing();
    b.Reset();
}
BENCHMARK(BM_ClickInsideFrame)->Unit(benchmark::kMillisecond);

// The release of a node drag in Reposition mode: the move checked and made, the
// drawing rebuilt and repainted. The node goes there and back by turns.
void BM_DragRelease(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Reset();
    b.Trigger(ui::Cmd::RepositionNodes);
    const QPointF home = b.NodeNear(700, 500);
    Real hx = home.x(), hy = home.y();
    const int node = FindNodeNear(b.problem(), hx, hy, 0.5L);
    QPointF at = home;
    for (auto _ : state) {
        state.PauseTiming();
        b.Send(QEvent::MouseButtonPress, at, Qt::LeftButton);
        const QPointF to = at == home ? home + QPointF(1, 0) : home;
        b.Send(QEvent::MouseMove, to, Qt::LeftButton);
        if (!b.Active()) state.SkipWithError("no node drag started");
        state.ResumeTiming();
        b.Send(QEvent::MouseButtonRelease, to, Qt::NoButton);
        b.Repaint();
        at = to;
    }
    const Node& n = b.problem().nodes[node];
    if (std::fabs(static_cast<double>(n.x) - at.x()) > 0.5 ||
        std::fabs(static_cast<double>(n.y) - at.y()) > 0.5)
        state.SkipWithError("the node did not follow the drags");
    b.Reset();
}
BENCHMARK(BM_DragRelease)->Unit(benchmark::kMillisecond);

// Delete of an element line clicked on, with menus and repaint; the Undo that takes it
// back is not timed.
void BM_Delete(benchmark::State& state) {
    const auto [b, at, lines] = TargetLine();
    for (auto _ : state) {
        SelectAlone(state, b, at);
        state.ResumeTiming();
        if (!b.Trigger(ui::Cmd::Delete)) state.SkipWithError("Delete is off");
        b.Repaint();
        state.PauseTiming();
        if (b.problem().lines.Count() != lines - 1) state.SkipWithError("nothing deleted");
        b.Reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Delete)->Unit(benchmark::kMillisecond);

// One Undo after a Delete, with menus and repaint.
void BM_Undo(benchmark::State& state) {
    const auto [b, at, lines] = TargetLine();
    for (auto _ : state) {
        SelectAlone(state, b, at);
        b.Trigger(ui::Cmd::Delete);
        while (b.problem().undoList.size() > 1) b.problem().undoList.pop_front();
        b.Repaint();
        state.ResumeTiming();
        b.Trigger(ui::Cmd::Undo);
        b.Repaint();
    }
    if (b.problem().lines.Count() != lines) state.SkipWithError("the line did not come back");
}
BENCHMARK(BM_Undo)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Bench::Release();
    benchmark::Shutdown();
    return 0;
}
