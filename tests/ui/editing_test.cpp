// Drawing and editing in the input window by mouse, offscreen: the gestures go through
// the real canvas and menu actions, and a core twin fed the same clicks must end with
// the same problem file image. Questions are answered and error boxes recorded by the
// document's hooks, so no test waits on a box.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

#include "dialogs/line_edit_field.hpp"
#include "dialogs/text_dialog.hpp"
#include "editing/circle_dialog.hpp"
#include "editing/drawing_commands.hpp"
#include "editing/mesh_commands.hpp"
#include "editing/removal_commands.hpp"
#include "editing/restore.hpp"
#include "files/problem_file.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/primitives.hpp"
#include "mesh/auto_mesh.hpp"
#include "model/messages.hpp"
#include "model/selection.hpp"
#include "painting/painter.hpp"
#include "shell/document.hpp"
#include "shell/main_window.hpp"
#include "sketch.hpp"
#include "support/model_invariants.hpp"
#include "support/steady_run.hpp"
#include "ui/test_application.hpp"
#include "views/input_states.hpp"
#include "views/input_window.hpp"

namespace kova::ui {
namespace {

struct Editing : MainWindowTest {
    QWidget* canvas() { return window->inputWindow()->canvas(); }
    void ClickAt(QPoint p, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseMove(canvas(), p);
        QTest::mouseClick(canvas(), Qt::LeftButton, mods, p);
    }
    void ClickAll(const std::vector<QPoint>& points) {
        for (const QPoint& p : points) ClickAt(p);
    }

    static std::vector<ClickPoint> Clicks(const std::vector<QPoint>& points) {
        std::vector<ClickPoint> clicks;
        for (const QPoint& p : points) clicks.push_back({Real(p.x()), Real(p.y())});
        return clicks;
    }
};

const std::vector<QPoint> kOuter{{100, 100}, {500, 100}, {500, 400}, {100, 400}, {101, 101}};
const std::vector<QPoint> kHole{{250, 200}, {350, 200}, {350, 300}, {250, 300}, {250, 200}};
const std::vector<QPoint> kLine{{100, 100}, {250, 200}};

TEST_F(Editing, AProblemDrawnByMouseEqualsItsCoreTwinAndEachUndoTakesBackOneGesture) {
    Problem twin;
    DecodeUndoSnapshot(twin, EncodeUndoSnapshot(problem()));
    twin.settings = problem().settings;
    twin.view = problem().view;
    std::vector<std::vector<std::uint8_t>> before;

    before.push_back(EncodeUndoSnapshot(problem()));
    Trigger(Cmd::OutlineFree);
    EXPECT_EQ(Info(), QString::fromStdString(GetMessage(MessageId::ClickOnMaterialStart)));
    ClickAll(kOuter);
    EXPECT_FALSE(window->inputWindow()->InteractionActive());
    EXPECT_EQ(Info(), "");  // the corner prompt went with the command
    ASSERT_EQ(problem().frameCount, 1);

    before.push_back(EncodeUndoSnapshot(problem()));
    Trigger(Cmd::OutlineFree);
    ClickAll(kHole);
    ASSERT_EQ(problem().frameCount, 2);
    before.push_back(EncodeUndoSnapshot(problem()));
    Trigger(Cmd::Subtract);
    EXPECT_EQ(problem().frames[2].subtracted, 1);

    before.push_back(EncodeUndoSnapshot(problem()));
    Trigger(Cmd::ElementLines);
    EXPECT_EQ(Info(), QString::fromStdString(GetMessage(MessageId::ClickOnNodeOrLine)));
    ClickAll(kLine);
    // Shift alone keeps the command going; Esc ends it with the line kept.
    QTest::keyClick(canvas(), Qt::Key_Shift);
    EXPECT_TRUE(window->inputWindow()->InteractionActive());
    QTest::keyClick(canvas(), Qt::Key_Escape);
    EXPECT_FALSE(window->inputWindow()->InteractionActive());

    before.push_back(EncodeUndoSnapshot(problem()));
    const int lines = problem().lines.Count();
    answers.push_back(Answer::Yes);
    Trigger(Cmd::AutoMesh);
    EXPECT_GT(problem().lines.Count(), lines);

    // The twin: the same clicks through the core commands.
    DrawFreeFormOutline(twin, Clicks(kOuter));
    DrawFreeFormOutline(twin, Clicks(kHole));
    SubtractFrame(twin);
    ElementLines(twin, Clicks(kLine));
    AutoMesh(twin);
    const auto mine = EncodeProblemFile(problem()), theirs = EncodeProblemFile(twin);
    ASSERT_EQ(mine.size(), theirs.size());
    const auto diff = std::mismatch(mine.begin(), mine.end(), theirs.begin());
    EXPECT_TRUE(diff.first == mine.end())
        << "first difference at byte " << (diff.first - mine.begin());
    const auto violations = kova::testing::CheckModelInvariants(problem());
    EXPECT_TRUE(violations.empty()) << kova::testing::JoinViolations(violations);

    // A click inside the frame selects it and describes it.
    ClickAt({450, 350});
    EXPECT_EQ(problem().selection.state, SelectType::Frames);
    EXPECT_TRUE(Info().startsWith("  Area[1]=")) << Info().toStdString();

    for (auto it = before.rbegin(); it != before.rend(); ++it) {
        Trigger(Cmd::Undo);
        EXPECT_EQ(EncodeUndoSnapshot(problem()), *it);
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

// A diameter or centre typed as text, for the core twin of the circle dialog.
struct TypedField : NumberField {
    explicit TypedField(std::string text) : text(std::move(text)) {}
    std::string Text() const override { return text; }
    void SelectAllAndFocus() override {}
    std::string text;
};

// The two-conductor example's box halves and conductors at the pixels kova-examples
// clicks (1000 px per metre, origin at (60, 560)), a third box to the right holding a
// dielectric rod drawn by the circle dialog, and an element line from the left box's
// corner to its conductor.
const std::vector<QPoint> kLeftHalf{{60, 560}, {160, 560}, {160, 460}, {60, 460}, {60, 560}};
const std::vector<QPoint> kRightHalf{{160, 560}, {260, 560}, {260, 460}, {160, 460}, {160, 560}};
const std::vector<QPoint> kLeftConductor{
    {100, 520}, {120, 520}, {120, 500}, {100, 500}, {100, 520}};
const std::vector<QPoint> kRightConductor{
    {200, 520}, {220, 520}, {220, 500}, {200, 500}, {200, 520}};
const std::vector<QPoint> kRodBox{{260, 560}, {360, 560}, {360, 460}, {260, 460}, {260, 560}};
const std::vector<QPoint> kConductorLine{{60, 460}, {100, 500}};

TEST_F(Editing, TheTwoConductorExampleRedrawnByMouseSolvesLikeItsCoreTwin) {
    window->resize(1000, 800);
    ASSERT_GT(canvas()->height(), 580);
    ASSERT_GT(canvas()->width(), 400);
    examples::Sketch mine(problem(), ProbTypeA::ElecFieldNC, false, 1000);
    window->inputWindow()->InvalidateDrawing();
    Problem twinProblem;
    DecodeUndoSnapshot(twinProblem, EncodeUndoSnapshot(problem()));
    twinProblem.settings = problem().settings;
    twinProblem.view = problem().view;
    examples::Sketch twin(twinProblem, ProbTypeA::ElecFieldNC, false, 1000);
    // Each gesture is made, taken back by Undo to the image from before it, and made
    // again to the same image.
    int gestures = 0;
    const auto gesture = [&](const std::function<void()>& make) {
        const auto before = EncodeUndoSnapshot(problem());
        make();
        const auto after = EncodeUndoSnapshot(problem());
        ASSERT_NE(after, before) << "gesture " << gestures;
        Trigger(Cmd::Undo);
        ASSERT_EQ(EncodeUndoSnapshot(problem()), before) << "gesture " << gestures;
        make();
        ASSERT_EQ(EncodeUndoSnapshot(problem()), after) << "gesture " << gestures;
        ++gestures;
    };
    const auto outline = [&](const std::vector<QPoint>& corners) {
        gesture([&] {
            Trigger(Cmd::OutlineFree);
            ClickAll(corners);
        });
        DrawFreeFormOutline(twinProblem, Clicks(corners));
    };
    // A click beside the drawing clears the selection, a click inside the conductor
    // selects it, and Subtract makes it a hole.
    const auto subtract = [&](QPoint inside, Real x) {
        gesture([&] {
            ClickAt({700, 300});
            ClickAt(inside);
            ASSERT_EQ(problem().selection.state, SelectType::Frames);
            Trigger(Cmd::Subtract);
        });
        twin.Subtract(twin.FrameAt(x, 0.05L));
    };
    outline(kLeftHalf);
    outline(kRightHalf);
    outline(kLeftConductor);
    subtract({110, 510}, 0.05L);
    outline(kRightConductor);
    subtract({210, 510}, 0.15L);
    outline(kRodBox);
    ASSERT_EQ(problem().frameCount, 5);

    // The rod: 60 mm across, centred in the third box, typed into the circle dialog.
    gesture([&] {
        Trigger(Cmd::OutlineCircular);
        TOutlineC* dialog = window->editor()->circleDialog();
        ASSERT_NE(dialog, nullptr);
        dialog->DEdit->setText("0.06");
        dialog->xedit->setText("0.25");
        dialog->yEdit->setText("0.05");
        dialog->ShapesDD->setCurrentIndex(0);
        dialog->NPtsSpin->setValue(12);
        dialog->accept();
        QApplication::processEvents();
        ASSERT_EQ(problem().frameCount, 6) << errors.join("; ").toStdString();
    });
    TypedField d("0.06"), x("0.25"), y("0.05");
    const CircleDialogResult rod = CircleDialogOk(twinProblem, d, x, y, CircleShape::Circle, 0, 12);
    ASSERT_TRUE(rod.ok);
    DrawCircularOutline(twinProblem, rod.cType, rod.points, rod.diameter, rod.centreX, rod.centreY);

    gesture([&] {
        Trigger(Cmd::ElementLines);
        ClickAll(kConductorLine);
        QTest::keyClick(canvas(), Qt::Key_Escape);
    });
    ElementLines(twinProblem, Clicks(kConductorLine));

    // Auto Mesh and Reduce Mesh by their keys, with nothing selected. The keys go to the
    // active window, which the circle dialog left.
    ClickAt({700, 300});
    ClearSelection(twinProblem);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    answers.push_back(Answer::Yes);
    gesture([&] { QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier); });
    EXPECT_EQ(questions.size(), 1);
    EXPECT_GT(problem().lines.Count(), 60);
    EXPECT_EQ(problem().selection.state, SelectType::None);
    gesture([&] { QTest::keyClick(canvas(), Qt::Key_W, Qt::ControlModifier); });
    AutoMesh(twinProblem);
    ASSERT_EQ(ReducemeshMClick(twinProblem), ReduceOutcome::Reduced);
    EXPECT_EQ(gestures, 11);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

    // Materials and conditions through the core, alike on both.
    for (examples::Sketch* s : {&mine, &twin}) {
        s->Material(1, "Air", 8.854e-12L);
        s->Material(2, "Glass", 4 * 8.854e-12L);
        for (const Real at : {0.005L, 0.105L, 0.205L}) s->Assign(s->FrameAt(at, 0.005L), 1);
        s->Assign(s->FrameAt(0.25L, 0.05L), 2);
        const auto in = [](Real x0) {
            return [x0](Real x, Real y) {
                return x > x0 - 1e-6L && x < x0 + 0.02L + 1e-6L && y > 0.04L - 1e-6L &&
                       y < 0.06L + 1e-6L;
            };
        };
        EXPECT_EQ(s->Fix(in(0.04L), "100"), s->Fix(in(0.14L), "0"));
        s->InsulateRest();
    }
    window->UpdateMenu();
    const auto image = EncodeProblemFile(problem()), twinImage = EncodeProblemFile(twinProblem);
    ASSERT_EQ(image.size(), twinImage.size());
    const auto diff = std::mismatch(image.begin(), image.end(), twinImage.begin());
    EXPECT_TRUE(diff.first == image.end())
        << "first difference at byte " << (diff.first - image.begin());
    const auto violations = kova::testing::CheckModelInvariants(problem());
    EXPECT_TRUE(violations.empty()) << kova::testing::JoinViolations(violations);

    // The window's calculation and the twin's give the same potentials.
    test::SteadyRun expected(twinProblem);
    ASSERT_EQ(expected.Run(), 0) << expected.reporter.StatusText(StatusPanel::Info);
    Trigger(Cmd::Calculate);
    KOVA_WAIT_FOR(!window->document().Running(), 60000);
    QApplication::processEvents();
    ASSERT_TRUE(problem().resultsCurrent);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    const ResultTable& got = window->document().calculation().results;
    ASSERT_EQ(problem().nodes.Count(), twinProblem.nodes.Count());
    for (int n = 1; n <= twinProblem.nodes.Count(); ++n)
        EXPECT_NEAR(static_cast<double>(got.Level(0)[static_cast<std::size_t>(n)]),
                    static_cast<double>(expected.Value(n)), 1e-9)
            << "node " << n;
}

TEST_F(Editing, CancelledOutlinesLeaveNothingAndRefusedCornersBeep) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    const auto image = EncodeUndoSnapshot(problem());
    const std::size_t undo = problem().undoList.size();
    // Esc mid-outline, whose first corner split the frame's top edge.
    Trigger(Cmd::OutlineFree);
    ClickAll({{300, 100}, {300, 40}});
    QTest::keyClick(canvas(), Qt::Key_Escape);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    EXPECT_EQ(problem().undoList.size(), undo);
    // A menu command mid-outline ends it the same way, then runs.
    Trigger(Cmd::OutlineFree);
    ClickAll({{600, 100}, {600, 300}});
    const int beeps = window->document().beeps;
    ClickAt({450, 250});  // the edge would cross the frame's right edge
    EXPECT_EQ(window->document().beeps, beeps + 1);
    EXPECT_EQ(Info(), QString::fromStdString(GetMessage(MessageId::InvalidNodePosition)));
    EXPECT_TRUE(window->inputWindow()->InteractionActive());
    Trigger(Cmd::RemoveMesh);  // the outline is cancelled first; No keeps the mesh
    EXPECT_FALSE(window->inputWindow()->InteractionActive());
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    EXPECT_EQ(problem().undoList.size(), undo);
    // Any key but a bare modifier cancels the wait for a first corner.
    Trigger(Cmd::OutlineFree);
    QTest::keyClick(canvas(), Qt::Key_Control);
    EXPECT_TRUE(window->inputWindow()->InteractionActive());
    QTest::keyClick(canvas(), Qt::Key_A);
    EXPECT_FALSE(window->inputWindow()->InteractionActive());
    EXPECT_EQ(problem().undoList.size(), undo);
}

TEST_F(Editing, ARefusedElementLineBeepsShowsItsRuleAndLeavesTheDrawingAsItWas) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    Trigger(Cmd::OutlineFree);
    ClickAll(kHole);
    Trigger(Cmd::Subtract);
    Trigger(Cmd::ElementLines);
    ClickAt({100, 100});
    EXPECT_EQ(Info(), QString::fromStdString(GetMessage(MessageId::ClickOnLineEndpoint)));
    const auto image = EncodeUndoSnapshot(problem());
    const QString rule = QString::fromStdString(GetMessage(MessageId::EndpointOutsideOutline));
    // Across the hole, then out of the frame: each beeps, shows the rule and keeps nothing.
    for (const QPoint end : {QPoint(400, 300), QPoint(650, 250)}) {
        const int beeps = window->document().beeps;
        ClickAt(end);
        EXPECT_EQ(window->document().beeps, beeps + 1);
        EXPECT_EQ(Info(), rule);
        EXPECT_TRUE(window->inputWindow()->InteractionActive());
        EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    }
    // A click too near the start is ignored and leaves the rule in view.
    ClickAt({103, 102});
    EXPECT_EQ(Info(), rule);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    // The next line is made; a refused one along it beeps again.
    ClickAt({250, 300});
    EXPECT_EQ(Info(), QString::fromStdString(GetMessage(MessageId::ClickOnNodeOrLine)));
    const auto oneLine = EncodeUndoSnapshot(problem());
    ClickAt({100, 100});
    ClickAt({250, 300});
    EXPECT_EQ(Info(), rule);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), oneLine);
}

TEST_F(Editing, ReduceMeshFillsTheGaugeAndARefusedMeshCommandChangesNothing) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    // Auto Mesh answered No (its first use, with too few specifications) changes nothing.
    const auto outline = EncodeUndoSnapshot(problem());
    const std::size_t undo = problem().undoList.size();
    answers.push_back(Answer::No);
    Trigger(Cmd::AutoMesh);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), outline);
    EXPECT_EQ(problem().undoList.size(), undo);
    Trigger(Cmd::AutoMesh);  // asked once a run: this one meshes
    ASSERT_GT(problem().lines.Count(), 4);
    QProgressBar* gauge = window->meshGauge();
    std::vector<int> values;
    QObject::connect(gauge, &QProgressBar::valueChanged, [&](int v) { values.push_back(v); });
    // Reduce until the node limit refuses: the gauge rises to 100 each time and goes.
    for (int round = 0; round < 8 && errors.isEmpty(); ++round) {
        const auto before = EncodeUndoSnapshot(problem());
        const int nodes = problem().nodes.Count();
        values.clear();
        Trigger(Cmd::ReduceMesh);
        EXPECT_FALSE(gauge->isVisible());
        if (!errors.isEmpty()) {
            EXPECT_EQ(errors.front().toStdString(), MaxNodesMessage());
            EXPECT_EQ(EncodeUndoSnapshot(problem()), before);
            break;
        }
        EXPECT_GT(problem().nodes.Count(), 3 * nodes);
        ASSERT_FALSE(values.empty());
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
        EXPECT_EQ(values.back(), 100);
    }
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(Editing, ARubberRectangleSelectsBoundariesAndRepositionDragsANode) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    ClearSelection(problem());
    // Drag a rectangle round the top edge only.
    QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(80, 60));
    QTest::mouseMove(canvas(), QPoint(520, 150));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, QPoint(520, 150));
    EXPECT_EQ(problem().selection.state, SelectType::Bounds);
    EXPECT_EQ(problem().selection.Count(), 1);
    // Reposition: drag the bottom-right corner with Ctrl (y kept).
    ClearSelection(problem());
    const auto before = EncodeUndoSnapshot(problem());
    Trigger(Cmd::RepositionNodes);
    QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(500, 400));
    EXPECT_EQ(Info(), QString::fromStdString(GetMessage(MessageId::ShiftOrCtrlLocks)));
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::ControlModifier, QPoint(540, 430));
    Real x = 540, y = 400;
    EXPECT_NE(FindNodeNear(problem(), x, y, 0.5L), 0);
    // One Undo takes back the drags since Reposition Nodes.
    Trigger(Cmd::Undo);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), before);
}

TEST_F(Editing, EscEndsEveryDragAsIfNothingHadHappened) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    ClearSelection(problem());
    window->UpdateMenu();
    const auto image = EncodeUndoSnapshot(problem());
    // The rubber rectangle round the top edge, then Esc: nothing is selected.
    QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(80, 60));
    QTest::mouseMove(canvas(), QPoint(520, 150));
    QTest::keyClick(canvas(), Qt::Key_Escape);
    EXPECT_FALSE(window->inputWindow()->InteractionActive());
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, QPoint(520, 150));
    EXPECT_EQ(problem().selection.state, SelectType::None);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    // A node drag, then Esc: the node stays.
    Trigger(Cmd::RepositionNodes);
    const auto reposition = EncodeUndoSnapshot(problem());
    QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(500, 400));
    QTest::mouseMove(canvas(), QPoint(540, 430));
    QTest::keyClick(canvas(), Qt::Key_Escape);
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, QPoint(540, 430));
    EXPECT_FALSE(window->inputWindow()->InteractionActive());
    EXPECT_EQ(EncodeUndoSnapshot(problem()), reposition);
    // Shift keeps x: the corner goes straight down.
    QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(500, 400));
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::ShiftModifier, QPoint(530, 420));
    Real x = 500, y = 420;
    EXPECT_NE(FindNodeNear(problem(), x, y, 0.5L), 0);
    // A template move, then Esc: the picture goes back.
    Trigger(Cmd::Undo);
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(Qt::cyan);
    QApplication::clipboard()->setImage(picture);
    Trigger(Cmd::PasteFromClipboard);
    const auto pasted = EncodeUndoSnapshot(problem());
    const std::size_t undo = problem().undoList.size();
    const IntRect r = problem().templatePicture.rect;
    const QPoint body((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    QTest::mousePress(canvas(), Qt::LeftButton, {}, body);
    QTest::mouseMove(canvas(), body + QPoint(30, 20));
    EXPECT_EQ(problem().templatePicture.rect.left, r.left + 30);
    QTest::keyClick(canvas(), Qt::Key_Escape);
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, body + QPoint(30, 20));
    EXPECT_EQ(EncodeUndoSnapshot(problem()), pasted);
    EXPECT_EQ(problem().undoList.size(), undo);
}

TEST_F(Editing, ARubberRectangleAndANodeDragFollowTheScrollBars) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    ClearSelection(problem());
    Trigger(Cmd::Zoom);
    ClickAt({50, 50});
    ClickAt({600, 300});
    ASSERT_TRUE(window->document().zoom().zoomed);
    const Problem& p = problem();
    Real tx = 100, ty = 100;  // the top-left corner, wherever the zoom put it
    Real gx = 0, gy = 0;
    int tl = 0;
    for (int k = 1; k <= p.nodes.Count(); ++k)
        if (tl == 0 || p.nodes[k].x + p.nodes[k].y < p.nodes[tl].x + p.nodes[tl].y) tl = k;
    tx = p.nodes[tl].x;
    ty = p.nodes[tl].y;
    int tr = 0;
    for (int k = 1; k <= p.nodes.Count(); ++k)
        if (k != tl && p.nodes[k].y == ty) tr = k;
    ASSERT_NE(tr, 0);
    gx = p.nodes[tr].x;
    QScrollBar* vertical = window->inputWindow()->verticalBar();
    ASSERT_GE(vertical->maximum() - vertical->value(), 60);
    // The rectangle's anchor stays on the drawing while the bar scrolls it up.
    const QPoint anchor(static_cast<int>(tx) - 10, static_cast<int>(ty) - 10);
    QTest::mousePress(canvas(), Qt::LeftButton, {}, anchor);
    vertical->setValue(vertical->value() + 60);
    gy = p.nodes[tr].y;
    const QPoint end(static_cast<int>(gx) + 10, static_cast<int>(gy) + 10);
    QTest::mouseMove(canvas(), end);
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, end);
    EXPECT_EQ(p.selection.state, SelectType::Bounds);
    EXPECT_EQ(p.selection.Count(), 1);
    // A node dragged with Shift keeps its x as the drawing scrolls under it.
    ClearSelection(problem());
    Trigger(Cmd::RepositionNodes);
    const QPoint corner(static_cast<int>(p.nodes[tl].x), static_cast<int>(p.nodes[tl].y));
    QTest::mousePress(canvas(), Qt::LeftButton, {}, corner);
    QScrollBar* horizontal = window->inputWindow()->horizontalBar();
    ASSERT_GE(horizontal->maximum() - horizontal->value(), 30);
    horizontal->setValue(horizontal->value() + 30);
    const Real kept = p.nodes[tl].x;
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::ShiftModifier, corner + QPoint(90, 40));
    Real x = kept, y = corner.y() + 40;
    EXPECT_NE(FindNodeNear(problem(), x, y, 0.5L), 0);
}

TEST_F(Editing, TheCircleDialogRefusesABadDiameterAndDrawsWhatItAccepts) {
    Trigger(Cmd::OutlineCircular);
    TOutlineC* dialog = window->editor()->circleDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Outline Circular Shape");
    EXPECT_FALSE(dialog->CScroll->isVisible());
    dialog->DEdit->setText("abc");
    dialog->accept();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->DEdit->selectedText(), "abc");
    EXPECT_EQ(Info(), "Illegal entry.");
    EXPECT_EQ(problem().frameCount, 0);
    dialog->DEdit->setText("2");
    dialog->ShapesDD->setCurrentIndex(1);  // semi-circle
    EXPECT_TRUE(dialog->CScroll->isVisible());
    dialog->CScroll->setValue(1);
    const CircleDialogResult expected = [&] {
        LineEditField d(dialog->DEdit), x(dialog->xedit), y(dialog->yEdit);
        return CircleDialogOk(problem(), d, x, y, CircleShape::SemiCircle, 1, 8);
    }();
    Problem twin;
    DecodeUndoSnapshot(twin, EncodeUndoSnapshot(problem()));
    twin.settings = problem().settings;
    twin.view = problem().view;
    dialog->accept();
    QApplication::processEvents();
    ASSERT_EQ(problem().frameCount, 1);
    DrawCircularOutline(twin, expected.cType, expected.points, expected.diameter, expected.centreX,
                        expected.centreY);
    EXPECT_EQ(EncodeProblemFile(problem()), EncodeProblemFile(twin));
    Trigger(Cmd::Undo);
    EXPECT_EQ(problem().frameCount, 0);
}

TEST_F(Editing, ADiameterOfZeroOrBelowAndANodeDroppedOnAnotherChangeNothing) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    ClearSelection(problem());
    const auto image = EncodeUndoSnapshot(problem());
    Trigger(Cmd::OutlineCircular);
    TOutlineC* dialog = window->editor()->circleDialog();
    ASSERT_NE(dialog, nullptr);
    for (const QString& bad : {QString("0"), QString("-1")}) {
        dialog->DEdit->setText(bad);
        dialog->accept();
        EXPECT_TRUE(dialog->isVisible()) << bad.toStdString();
        EXPECT_EQ(dialog->DEdit->selectedText(), bad);
        EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    }
    dialog->reject();
    // A corner dropped onto its neighbour: the error box, and the node goes back.
    Trigger(Cmd::RepositionNodes);
    const auto reposition = EncodeUndoSnapshot(problem());
    QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(500, 400));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, QPoint(500, 100));
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), reposition);
}

TEST_F(Editing, NewTextOpensItsDialogAndAnEmptiedTextGoes) {
    Trigger(Cmd::NewText);
    TNewTextDlg* dialog = window->editor()->textDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(problem().texts.size(), 1u);
    EXPECT_EQ(dialog->TextEdit->text(), "new text");
    EXPECT_FALSE(dialog->Delete->isEnabled());
    dialog->TextEdit->setText("Copper bar");
    dialog->OpaqueB->setChecked(true);
    dialog->SpinAngle->setValue(30);  // checks Inclined
    dialog->accept();
    const TextItem& item = problem().texts.front();
    EXPECT_EQ(item.theText, "Copper bar");
    EXPECT_EQ(item.mode, TextMode::opaq);
    EXPECT_EQ(item.angle, 30);
    // A press on the text drags it; the release leaves it there.
    const IntRect placed = item.theRect;
    QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(placed.left + 5, placed.top - 10));
    QTest::mouseMove(canvas(), QPoint(placed.left + 45, placed.top + 20));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, QPoint(placed.left + 45, placed.top + 20));
    EXPECT_EQ(item.theRect.left, placed.left + 40);
    EXPECT_EQ(item.theRect.top, placed.top + 30);
    EXPECT_EQ(problem().undoList.back().name, "Move Text");
    problem().texts.front().selected = 0;
    // A double-click on the text opens it again; emptying it removes it, and Undo
    // brings it back.
    const auto before = EncodeUndoSnapshot(problem());
    QApplication::processEvents();
    // Turned by 30 degrees, the text rises to the right of its top-left corner.
    const QPoint on(item.theRect.left + 5, item.theRect.top - 10);
    QTest::mouseClick(canvas(), Qt::LeftButton, {}, on);
    QTest::mouseDClick(canvas(), Qt::LeftButton, {}, on);
    dialog = window->editor()->textDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->TextEdit->clear();
    dialog->accept();
    EXPECT_TRUE(problem().texts.empty());
    Trigger(Cmd::Undo);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), before);
}

TEST_F(Editing, APastedPictureIsMovedStretchedInProportionAndDeleted) {
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::yellow);
    QApplication::clipboard()->setImage(picture);
    Trigger(Cmd::PasteFromClipboard);
    const TemplatePicture& t = problem().templatePicture;
    ASSERT_TRUE(t.Present());
    EXPECT_EQ(t.kind, 2);
    EXPECT_EQ(TemplatePictureSize(t).width, 200);
    EXPECT_EQ(problem().selection.state, SelectType::Templat);
    const IntRect placed = t.rect;
    EXPECT_EQ(placed.right - placed.left, 200);
    // Move by the body, then stretch by the corner square with Shift.
    const QPoint body((placed.left + placed.right) / 2, (placed.top + placed.bottom) / 2);
    QTest::mousePress(canvas(), Qt::LeftButton, {}, body);
    QTest::mouseMove(canvas(), body + QPoint(20, 10));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, body + QPoint(20, 10));
    EXPECT_EQ(t.rect.left, placed.left + 20);
    EXPECT_EQ(t.rect.top, placed.top + 10);
    const QPoint corner(t.rect.right - 2, t.rect.bottom - 2);
    QTest::mousePress(canvas(), Qt::LeftButton, {}, corner);
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::ShiftModifier,
                        QPoint(t.rect.left + 300, t.rect.bottom + 7));
    EXPECT_EQ(t.rect.right - t.rect.left, 300);
    EXPECT_EQ(t.rect.bottom - t.rect.top, 150);
    const auto before = EncodeUndoSnapshot(problem());
    Trigger(Cmd::Delete);
    EXPECT_FALSE(problem().templatePicture.Present());
    Trigger(Cmd::Undo);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), before);
    // Undo left sizing mode; back in it, arrow keys nudge the picture, as one undo step.
    Trigger(Cmd::SizeMoveTemplate);
    ASSERT_EQ(problem().selection.state, SelectType::Templat);
    const IntRect here = t.rect;
    QTest::keyClick(canvas(), Qt::Key_Left);
    QTest::keyClick(canvas(), Qt::Key_Up);
    EXPECT_EQ(t.rect.left, here.left - 1);
    EXPECT_EQ(t.rect.top, here.top - 1);
    Trigger(Cmd::Undo);
    EXPECT_EQ(t.rect, here);
    // A clipboard without a picture changes nothing.
    QApplication::clipboard()->setText("no picture");
    const auto image = EncodeUndoSnapshot(problem());
    window->editor()->PasteFromClipboard();
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
}

TEST_F(Editing, TheTemplateBeingSizedIsDrawnOverTheDrawingWithItsFrameAndFollowsTheDrag) {
    QImage picture(100, 80, QImage::Format_RGB32);
    picture.fill(Qt::cyan);
    QApplication::clipboard()->setImage(picture);
    Trigger(Cmd::PasteFromClipboard);
    const IntRect r = problem().templatePicture.rect;
    const auto shot = [&] {
        QImage image(canvas()->size(), QImage::Format_RGB32);
        canvas()->render(&image);
        return image;
    };
    // The frame's corner square: inverted pixels that are neither picture nor paper.
    const auto framed = [&](const QImage& image, int right, int bottom) {
        int marks = 0;
        for (int x = right - 8; x < right - 1; ++x)
            for (int y = bottom - 11; y <= bottom - 9; ++y) {
                const QColor c = image.pixelColor(x, y);
                marks += c != QColor(Qt::cyan) && c != QColor(Qt::white);
            }
        return marks;
    };
    const QPoint body((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    QTest::mousePress(canvas(), Qt::LeftButton, {}, body);
    QTest::mouseMove(canvas(), body + QPoint(150, 0));
    QImage moving = shot();
    EXPECT_EQ(moving.pixelColor(body + QPoint(150, 0)), QColor(Qt::cyan));
    EXPECT_EQ(moving.pixelColor(body), QColor(Qt::white));
    EXPECT_GT(framed(moving, r.right + 150, r.bottom), 5);
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, body + QPoint(150, 0));
    // Out of sizing mode the picture lies in the drawing, without its frame.
    Trigger(Cmd::SizeMoveTemplate);
    ASSERT_NE(problem().selection.state, SelectType::Templat);
    const QImage placed = shot();
    EXPECT_EQ(placed.pixelColor(body + QPoint(150, 0)), QColor(Qt::cyan));
    EXPECT_EQ(framed(placed, r.right + 150, r.bottom), 0);
}

TEST_F(Editing, ABrokenPictureOnTheClipboardChangesNothingAndWithoutOnePasteIsOff) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QApplication::clipboard()->setImage(picture);
    Trigger(Cmd::PasteFromClipboard);
    ASSERT_TRUE(problem().templatePicture.Present());
    ClearSelection(problem());
    const auto image = EncodeUndoSnapshot(problem());
    const std::size_t undo = problem().undoList.size();
    const int beeps = window->document().beeps;
    // The clipboard offers a picture whose bytes decode to nothing: the pasted one stays.
    auto* broken = new QMimeData;
    broken->setData("application/x-qt-image", QByteArray("\x89PNG\r\n\x1a\n broken", 16));
    broken->setData("image/bmp", QByteArray("BM\x07\x07\x07", 5));
    QApplication::clipboard()->setMimeData(broken);
    Trigger(Cmd::PasteFromClipboard);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    EXPECT_EQ(problem().undoList.size(), undo);
    EXPECT_EQ(problem().selection.state, SelectType::None);
    EXPECT_EQ(window->document().beeps, beeps);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    // Without a picture the command is off, and its key does nothing.
    QApplication::clipboard()->setText("no picture");
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_FALSE(window->action(Cmd::PasteFromClipboard)->isEnabled());
    QTest::keyClick(canvas(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    EXPECT_EQ(problem().undoList.size(), undo);
}

TEST_F(Editing, RefusedOutlinesShowTheirMessageAndLeaveTheDrawingAsItWas) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    ClearSelection(problem());
    const auto image = EncodeUndoSnapshot(problem());
    // Closed after one corner: an outline needs three, so the command ends as cancelled.
    Trigger(Cmd::OutlineFree);
    ClickAll({{600, 150}, {700, 150}, {600, 150}});
    EXPECT_FALSE(window->inputWindow()->InteractionActive());
    EXPECT_EQ(problem().frameCount, 1);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    // A circle centred on the frame's top edge crosses it: the error box, all undone.
    Trigger(Cmd::OutlineCircular);
    TOutlineC* dialog = window->editor()->circleDialog();
    ASSERT_NE(dialog, nullptr);
    const auto place = [&](Real d, Real x, Real y) {
        dialog->DEdit->setText(QString::number(static_cast<double>(d), 'g', 12));
        dialog->xedit->setText(QString::number(static_cast<double>(x), 'g', 12));
        dialog->yEdit->setText(QString::number(static_cast<double>(y), 'g', 12));
        LineEditField fd(dialog->DEdit), fx(dialog->xedit), fy(dialog->yEdit);
        return CircleDialogOk(problem(), fd, fx, fy, CircleShape::Circle, 0, 8);
    };
    const CircleDialogResult origin = place(1, 0, 0);
    ASSERT_TRUE(origin.ok);
    const Real perPixel = 1 / origin.diameter;  // drawing units per pixel
    const CircleDialogResult crossing =
        place(100 * perPixel, (300 - origin.centreX) * perPixel, (origin.centreY - 100) * perPixel);
    ASSERT_NEAR(crossing.centreX, 300, 10);  // the pixel size is known only to a pixel
    ASSERT_NEAR(crossing.centreY, 100, 10);
    ASSERT_NEAR(crossing.diameter, 100, 10);
    dialog->accept();
    QApplication::processEvents();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.front(), "Execution of this command results in crossing outlines.");
    EXPECT_EQ(problem().frameCount, 1);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
    // A 61st frame: the limit's error box, and no corner is awaited.
    for (int k = 2; k <= 60; ++k) {
        const int x = 20 + 40 * ((k - 2) % 20), y = 450 + 40 * ((k - 2) / 20);
        DrawFreeFormOutline(problem(),
                            Clicks({{x, y}, {x + 20, y}, {x + 20, y + 20}, {x, y + 20}, {x, y}}));
    }
    ASSERT_EQ(problem().frameCount, 60);
    ClearSelection(problem());
    const auto full = EncodeUndoSnapshot(problem());
    const std::size_t undo = problem().undoList.size();
    errors.clear();
    Trigger(Cmd::OutlineFree);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.front().toStdString(), GetMessage(MessageId::FrameLimit));
    EXPECT_FALSE(window->inputWindow()->InteractionActive());
    ClickAll({{600, 150}, {700, 150}, {700, 250}, {600, 150}});
    EXPECT_EQ(problem().frameCount, 60);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), full);
    EXPECT_EQ(problem().undoList.size(), undo);
}

TEST_F(Editing, ANodeOfThreeSegmentsCannotBeDeletedNorDraggedAcrossASegment) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    Trigger(Cmd::OutlineFree);
    ClickAll(kHole);
    Trigger(Cmd::ElementLines);
    ClickAll(kLine);
    QTest::keyClick(canvas(), Qt::Key_Escape);
    ClearSelection(problem());
    // The outer corner ends two edges and the element line: Delete is disabled.
    ClickAt({100, 100});
    ASSERT_EQ(problem().selection.state, SelectType::Points);
    window->UpdateMenu();
    EXPECT_FALSE(window->action(Cmd::Delete)->isEnabled());
    // A corner of two edges can be deleted.
    ClearSelection(problem());
    ClickAt({500, 400});
    ASSERT_EQ(problem().selection.state, SelectType::Points);
    window->UpdateMenu();
    EXPECT_TRUE(window->action(Cmd::Delete)->isEnabled());
    ClearSelection(problem());
    // The hole's corner dragged across the outer bottom edge: message 101, node back.
    Trigger(Cmd::RepositionNodes);
    const auto reposition = EncodeUndoSnapshot(problem());
    QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(350, 300));
    QTest::mouseMove(canvas(), QPoint(350, 450));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, QPoint(350, 450));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.front().toStdString(), GetMessage(MessageId::InvalidNodePosition));
    EXPECT_EQ(EncodeUndoSnapshot(problem()), reposition);
}

TEST_F(Editing, AutoMeshLeavesAFrameWithTwoHolesUntouchedAndSaysSo) {
    Trigger(Cmd::OutlineFree);
    ClickAll(kOuter);
    // Two small holes on one side of the frame's diagonal: its long edges are split
    // before clipping and must be joined again when the frame is refused.
    for (const QPoint at : {QPoint(120, 300), QPoint(200, 330)}) {
        const int x = at.x(), y = at.y();
        Trigger(Cmd::OutlineFree);
        ClickAll({{x, y}, {x + 50, y}, {x + 50, y + 50}, {x, y + 50}, {x, y}});
        Trigger(Cmd::Subtract);
    }
    ASSERT_EQ(problem().frameCount, 3);
    ClearSelection(problem());
    const auto image = EncodeUndoSnapshot(problem());
    answers.push_back(Answer::Yes);
    Trigger(Cmd::AutoMesh);
    ASSERT_FALSE(errors.isEmpty());
    for (const QString& e : errors) EXPECT_EQ(e.toStdString(), UnableToAutomeshMessage(1));
    EXPECT_EQ(EncodeUndoSnapshot(problem()), image);
}

// A bitmap file header claiming `width` x `height` pixels of 24 bits, with few of them.
std::vector<std::uint8_t> BitmapHeader(std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> b(54 + 16, 0);
    const auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, static_cast<std::uint32_t>(b.size()));
    put(10, 54);
    put(14, 40);
    put(18, static_cast<std::uint32_t>(width));
    put(22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = 24;
    return b;
}

TEST(TemplatePainting, APictureThatCannotBeDecodedWithinTheLimitIsDrawnAsItsFrame) {
    TestApplication();
    QImage tiny(4, 4, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(tiny.save(&buffer, "BMP"));
    const std::vector<std::vector<std::uint8_t>> pictures{
        std::vector<std::uint8_t>(bmp.begin(), bmp.end()),  // decodes: red
        {'B', 'M', 7, 7, 7},                                // broken
        BitmapHeader(60000, 60000),                         // past the allocation limit
    };
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        DrawList list;
        ImagePrimitive picture;
        picture.topLeft = {10, 10};
        picture.bottomRight = {50, 40};
        picture.encoded = std::make_shared<const std::vector<std::uint8_t>>(pictures[i]);
        list.AddImage(std::move(picture));
        QImage out(60, 50, QImage::Format_RGB32);
        out.fill(Qt::white);
        QPainter painter(&out);
        Paint(list, painter);
        painter.end();
        const QColor inside = out.pixelColor(30, 25);
        if (i == 0) {
            EXPECT_EQ(inside, QColor(Qt::red));
            continue;
        }
        EXPECT_EQ(inside, QColor(Qt::white)) << i;
        int framed = 0;
        for (int x = 10; x <= 50; ++x) framed += out.pixelColor(x, 10) != QColor(Qt::white);
        EXPECT_GT(framed, 10) << i;
    }
}

}  // namespace
}  // namespace kova::ui
