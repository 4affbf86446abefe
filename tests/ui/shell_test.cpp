// The main window through its real widgets, offscreen: menu actions, the real file
// dialogs, drops, clicks and keys in the input window, and runs on the worker thread,
// on the example problems. Settings live in a temporary folder; questions are answered
// and error boxes recorded by the document's hooks, so no test waits on a box.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSessionManager>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <deque>
#include <functional>

#include "dialogs/calc_dialog.hpp"
#include "dialogs/scale_size_dialog.hpp"
#include "dialogs/transient_dialog.hpp"
#include "examples.hpp"
#include "files/problem_file.hpp"
#include "painting/painter.hpp"
#include "shell/main_window.hpp"
#include "solver/solver_run.hpp"
#include "ui/test_application.hpp"
#include "units/drawing_transform.hpp"
#include "views/input_window.hpp"

namespace kova::ui {
namespace {

// Runs the event loop until `done` holds or `ms` milliseconds have passed, and says
// which; unlike QTRY_VERIFY, a timeout here is a test failure gtest sees.
template <class Done>
bool EventsUntil(const Done& done, int ms = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QTest::qWait(10);
    return done();
}

// Accepts the next file dialog with `path` (or cancels it when empty) once it is shown.
void AnswerFileDialog(const QString& path) {
    QTimer::singleShot(0, [path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        // Saving over an existing file asks first; the answer is Yes.
        QTimer::singleShot(0, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        static_cast<QDialog*>(dialog)->accept();
    });
}

struct Shell : MainWindowTest {
    void SetUp() override {
        for (const char* name : {"heated_plate", "composite_wall", "transient_quench"}) {
            Problem problem;
            problem.view.refHeight = 600;
            examples::BuildExample(*examples::FindExample(name), problem);
            ASSERT_TRUE(WriteProblemFile(problem, Path(name).toStdString()));
        }
        MainWindowTest::SetUp();
    }
    QString Path(const char* name) const { return dir.path() + "/" + name + ".KVX"; }
    QString Caption() { return window->inputSubWindow()->windowTitle(); }
};

TEST_F(Shell, OpensThroughTheRealDialogAndListsRecentFiles) {
    AnswerFileDialog(Path("heated_plate"));
    Trigger(Cmd::Open);
    EXPECT_GT(problem().nodes.Count(), 0);
    EXPECT_TRUE(problem().settings.problemSaved);
    EXPECT_EQ(Caption(), "Input Window - " + Path("heated_plate"));
    ASSERT_EQ(window->recentFileActions().size(), 1);
    EXPECT_EQ(window->recentFileActions()[0]->text(), "&1. " + Path("heated_plate"));
    // Opening a second file makes it the newest; the first moves to place 2.
    ASSERT_TRUE(window->OpenFile(Path("composite_wall")));
    ASSERT_EQ(window->recentFileActions().size(), 2);
    EXPECT_EQ(window->recentFileActions()[1]->text(), "&2. " + Path("heated_plate"));
    window->recentFileActions()[1]->trigger();
    EXPECT_EQ(window->document().fileName(), Path("heated_plate"));
    EXPECT_EQ(window->recentFileActions()[0]->text(), "&1. " + Path("heated_plate"));
    // The list is kept in the settings, not beside the program.
    EXPECT_EQ(QSettings().value("recentFiles").toStringList().size(), 2);
}

TEST_F(Shell, FileDialogsStartWhereTheCommandLineOrRecentFileCameFrom) {
    for (const char* sub : {"a", "b"}) {
        QDir(dir.path()).mkdir(sub);
        QFile::copy(Path("heated_plate"), dir.path() + "/" + sub + "/p.KVX");
    }
    window->Start(dir.path() + "/a/p.KVX");
    EXPECT_EQ(window->lastFolder(), dir.path() + "/a");
    ASSERT_TRUE(window->OpenFile(dir.path() + "/b/p.KVX"));
    window->OpenFileItem(dir.path() + "/a/p.KVX");
    window->OpenFileItem(dir.path() + "/b/p.KVX");
    EXPECT_EQ(window->lastFolder(), dir.path() + "/b");
}

TEST_F(Shell, TheRecentListKeepsEightAndDoublesAmpersands) {
    QStringList paths;
    for (int i = 0; i < 9; ++i) {
        const QString path = dir.path() + QString("/r&%1.KVX").arg(i);
        QFile::copy(Path("heated_plate"), path);
        ASSERT_TRUE(window->OpenFile(path));
        paths << path;
    }
    const auto actions = window->recentFileActions();
    ASSERT_EQ(actions.size(), 8);
    EXPECT_EQ(actions[0]->text(), "&1. " + dir.path() + "/r&&8.KVX");
    EXPECT_EQ(window->document().recentFiles().first(), paths[1]);  // the oldest went
    // A listed file that has gone is reported and dropped.
    QFile::remove(paths[5]);
    window->OpenFileItem(paths[5]);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], paths[5] + " no longer exists.");
    EXPECT_EQ(window->recentFileActions().size(), 7);
}

TEST_F(Shell, UnreadableFilesLeaveTheOpenProblemAlone) {
    ASSERT_TRUE(window->OpenFile(Path("heated_plate")));
    const int nodes = problem().nodes.Count();
    const QString caption = Caption();
    const QStringList recent = window->document().recentFiles();
    QFile whole(Path("heated_plate"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    struct Bad {
        const char* name;
        QByteArray content;
    };
    QByteArray random(3000, '\0');
    for (int i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 7919 + 13) % 251);
    const Bad bad[] = {
        {"truncated", bytes.left(bytes.size() / 2)}, {"random", random}, {"empty", {}}};
    for (const Bad& b : bad) {
        const QString path = dir.path() + "/" + b.name + ".KVX";
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b.content);
        f.close();
        errors.clear();
        EXPECT_FALSE(window->OpenFile(path)) << b.name;
        EXPECT_EQ(errors.size(), 1) << b.name;
        EXPECT_EQ(problem().nodes.Count(), nodes) << b.name;
        EXPECT_EQ(Caption(), caption);
        EXPECT_EQ(window->document().recentFiles(), recent);
    }
    errors.clear();
    QDir(dir.path()).mkdir("folder.KVX");
    EXPECT_FALSE(window->OpenFile(dir.path() + "/folder.KVX"));
    EXPECT_EQ(errors, QStringList{"Cannot open file " + dir.path() + "/folder.KVX"});
    EXPECT_EQ(problem().nodes.Count(), nodes);
}

TEST_F(Shell, TheSaveQuestionGuardsEveryCommandThatDropsTheProblem) {
    ASSERT_TRUE(window->OpenFile(Path("heated_plate")));
    const int nodes = problem().nodes.Count();
    problem().settings.problemSaved = false;
    // Cancel keeps all: New, a subject change, closing the window.
    answers = {Answer::Cancel};
    Trigger(Cmd::New);
    EXPECT_EQ(questions.last(), "Do you wish to save your file before continuing?");
    EXPECT_EQ(problem().nodes.Count(), nodes);
    answers = {Answer::Cancel};
    Trigger(Cmd::Electrostatics);
    EXPECT_EQ(problem().settings.subject, ProbTypeA::HeatTrans);
    EXPECT_TRUE(window->action(Cmd::HeatTransfer)->isChecked());
    EXPECT_FALSE(window->action(Cmd::Electrostatics)->isChecked());
    answers = {Answer::Cancel};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    // No to the save question, Yes to keeping the drawing: the geometry stays with no
    // material in any frame.
    answers = {Answer::No, Answer::Yes};
    Trigger(Cmd::Electrostatics);
    EXPECT_EQ(problem().settings.subject, ProbTypeA::ElecFieldNC);
    EXPECT_EQ(problem().nodes.Count(), nodes);  // kept
    for (int k = 1; k <= problem().frameCount; ++k) EXPECT_EQ(problem().frames[k].material, 0);
}

TEST_F(Shell, LoggingOutAsksAsQuitDoes) {
    auto* manager = qApp->findChild<QSessionManager*>();
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(window->OpenFile(Path("heated_plate")));
    const int nodes = problem().nodes.Count();
    problem().settings.problemSaved = false;
    // The offscreen session manager gives no leave to ask: the end is refused, nothing
    // is asked or dropped.
    emit qApp->commitDataRequest(*manager);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(problem().nodes.Count(), nodes);
    // With leave to ask, Cancel keeps all.
    answers = {Answer::Cancel};
    EXPECT_FALSE(window->EndSession(true));
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions.last(), "Do you wish to save your file before continuing?");
    EXPECT_EQ(problem().nodes.Count(), nodes);
    EXPECT_TRUE(window->isVisible());
    // No: the close that ends the session does not ask a second time.
    answers = {Answer::No};
    EXPECT_TRUE(window->EndSession(true));
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(questions.size(), 2);
}

TEST_F(Shell, SaveAsNamesTheFileOnlyOnceWrittenAndAFailedSaveChangesNothing) {
    ASSERT_TRUE(window->OpenFile(Path("heated_plate")));
    problem().settings.problemSaved = false;
    // Save as, a name without '.', gets .KVX.
    AnswerFileDialog(dir.path() + "/copy");
    Trigger(Cmd::SaveAs);
    EXPECT_EQ(window->document().fileName(), dir.path() + "/copy.KVX");
    EXPECT_TRUE(QFile::exists(dir.path() + "/copy.KVX"));
    EXPECT_TRUE(problem().settings.problemSaved);
    EXPECT_EQ(Caption(), "Input Window - " + dir.path() + "/copy.KVX");
    // Into a folder without write access: the message, the old file intact, nothing else.
    const QString locked = dir.path() + "/locked";
    QDir(dir.path()).mkdir("locked");
    QFile::copy(Path("composite_wall"), locked + "/old.KVX");
    QFile old(locked + "/old.KVX");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray before = old.readAll();
    old.close();
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    problem().settings.problemSaved = false;
    EXPECT_FALSE(window->document().WriteTo(locked + "/old.KVX"));
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_EQ(errors.last(), "Cannot open file " + locked + "/old.KVX");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), before);
    EXPECT_EQ(window->document().fileName(), dir.path() + "/copy.KVX");
    EXPECT_FALSE(problem().settings.problemSaved);
    // A read-only file gets message 12.
    QFile::setPermissions(dir.path() + "/copy.KVX", QFileDevice::ReadOwner);
    errors.clear();
    EXPECT_FALSE(window->Save());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("This file is locked"));
    // Answering Yes to the save question and cancelling the dialog abandons New.
    window->document().NewProblem();
    problem().settings.problemSaved = true;
    ASSERT_TRUE(window->OpenFile(Path("heated_plate")));
    QFile::setPermissions(Path("heated_plate"), QFileDevice::ReadOwner);
    problem().settings.problemSaved = false;
    const int nodes = problem().nodes.Count();
    answers = {Answer::Yes};
    Trigger(Cmd::New);
    EXPECT_EQ(problem().nodes.Count(), nodes);
}

TEST_F(Shell, DropsOpenProblemFilesAndRefuseOthers) {
    QMimeData kvx;
    kvx.setUrls({QUrl::fromLocalFile(Path("composite_wall"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &kvx, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &kvx, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_EQ(window->document().fileName(), Path("composite_wall"));
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(dir.path() + "/notes.txt")});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(Shell, NoKeyBelongsToTwoEnabledActions) {
    ASSERT_TRUE(window->OpenFile(Path("heated_plate")));
    for (SelectType state : {SelectType::None, SelectType::Frames, SelectType::Points}) {
        problem().selection.state = state;
        if (state == SelectType::Frames) problem().selection.items = {NumberItem(1)};
        window->UpdateMenu();
        std::map<QString, QString> owner;
        for (QAction* a : window->findChildren<QAction*>()) {
            if (!a->isEnabled() || a->shortcut().isEmpty()) continue;
            const QString key = a->shortcut().toString();
            EXPECT_EQ(owner.count(key), 0u)
                << key.toStdString() << " on " << a->text().toStdString() << " and "
                << owner[key].toStdString();
            owner[key] = a->text();
        }
        if (QMenu* system = window->inputSubWindow()->systemMenu()) {
            for (QAction* a : system->actions()) EXPECT_TRUE(a->shortcut().isEmpty());
        }
        // Ctrl+W is Reduce Mesh's, never the sub-window's close.
        if (owner.count("Ctrl+W") != 0) {
            EXPECT_TRUE(owner["Ctrl+W"].contains("Reduce"));
        }
    }
}

TEST_F(Shell, TheKeyStateIsTheKeyboards) {
    InputCanvas* canvas = window->inputWindow()->canvas();
    const KeyState& keys = window->document().keys();
    QTest::keyPress(canvas, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_TRUE(keys.ShiftHeld());
    EXPECT_FALSE(keys.CtrlHeld());
    QTest::keyRelease(canvas, Qt::Key_Shift, Qt::NoModifier);
    QTest::keyPress(canvas, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(keys.CtrlHeld());
    EXPECT_FALSE(keys.ShiftHeld());
    QTest::keyRelease(canvas, Qt::Key_Control, Qt::NoModifier);
    EXPECT_FALSE(keys.CtrlHeld());
}

TEST_F(Shell, ZoomByTwoClicksScrollsAndComesBack) {
    ASSERT_TRUE(window->OpenFile(Path("composite_wall")));
    const Real x1 = problem().nodes[1].x;
    const Real pixelLength = problem().settings.pixelLength;
    InputCanvas* canvas = window->inputWindow()->canvas();
    // A key cancels the gesture.
    Trigger(Cmd::Zoom);
    EXPECT_EQ(Info(), "Click to locate the upper left corner of the zoom rectangle.");
    QTest::keyClick(canvas, Qt::Key_A);
    EXPECT_FALSE(window->inputWindow()->InteractionActive());
    EXPECT_EQ(Info(), "");
    Trigger(Cmd::Zoom);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(50, 40));
    EXPECT_EQ(Info(), "Click to locate the lower right corner of the zoom rectangle.");
    QTest::mouseMove(canvas, QPoint(250, 60));
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(250, 60));
    EXPECT_TRUE(window->document().zoom().zoomed);
    const Real z = problem().view.zoom;
    EXPECT_GT(z, 3);
    EXPECT_NEAR(static_cast<double>(problem().settings.pixelLength * z),
                static_cast<double>(pixelLength), 1e-15);
    EXPECT_TRUE(window->inputWindow()->horizontalBar()->isVisible());
    EXPECT_EQ(window->action(Cmd::Zoom)->text().section('\t', 0, 0), "Normal &Size");
    // An arrow key scrolls by a page; coordinates stay.
    const std::string before =
        CoordinatesText(problem(), problem().nodes[1].x, problem().nodes[1].y);
    const double sx = static_cast<double>(problem().view.scrollX);
    QTest::keyClick(canvas, Qt::Key_Right);
    EXPECT_GT(static_cast<double>(problem().view.scrollX), sx);
    EXPECT_EQ(CoordinatesText(problem(), problem().nodes[1].x, problem().nodes[1].y), before);
    // The pointer's coordinates reach the panel.
    QTest::mouseMove(canvas, QPoint(100, 100));
    EXPECT_TRUE(window->panel(StatusPanel::Coords)->text().startsWith("X="));
    Trigger(Cmd::Zoom);  // Normal Size
    EXPECT_FALSE(window->document().zoom().zoomed);
    EXPECT_FALSE(window->inputWindow()->horizontalBar()->isVisible());
    EXPECT_NEAR(static_cast<double>(problem().nodes[1].x), static_cast<double>(x1), 1e-9);
    EXPECT_EQ(problem().settings.pixelLength, pixelLength);
}

TEST_F(Shell, AScrollStepPaintsWhatAWholeRepaintWould) {
    ASSERT_TRUE(window->OpenFile(Path("composite_wall")));
    InputCanvas* canvas = window->inputWindow()->canvas();
    Trigger(Cmd::Zoom);
    // Into the bottom left corner of the wall, with its hatched bands.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(70, 470));
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(270, 480));
    ASSERT_TRUE(window->document().zoom().zoomed);
    canvas->RenderImage();
    // A wheel step down and a step of the horizontal bar, each painted as strips into
    // the picture before.
    QWheelEvent wheel(QPointF(100, 100), canvas->mapToGlobal(QPointF(100, 100)), {}, {0, -120},
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    canvas->RenderImage();
    window->inputWindow()->horizontalBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    const QImage scrolled = canvas->RenderImage();
    window->inputWindow()->InvalidateDrawing();
    const QImage whole = canvas->RenderImage();
    ASSERT_EQ(scrolled.size(), whole.size());
    int differing = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x)
            differing += scrolled.pixel(x, y) != whole.pixel(x, y);
    EXPECT_EQ(differing, 0);
    int dark = 0;
    const int strip = static_cast<int>(16 * canvas->devicePixelRatioF());
    for (int y = 0; y < whole.height(); y += 2)
        for (int x = 0; x < strip; ++x) dark += whole.pixelColor(x, y).lightness() < 128;
    EXPECT_GT(dark, 20);  // the strip that came into view holds some of the drawing
}

TEST_F(Shell, SteadyCalculationRunsOnTheWorkerWhileTheWindowPaints) {
    ASSERT_TRUE(window->OpenFile(Path("heated_plate")));
    Trigger(Cmd::Calculate);
    EXPECT_FALSE(window->action(Cmd::Calculate)->isEnabled());  // disabled during the run
    window->inputWindow()->canvas()->repaint();                 // paints the cached picture
    KOVA_WAIT_FOR(!window->document().Running(), 60000);
    QApplication::processEvents();
    EXPECT_TRUE(problem().resultsCurrent);
    EXPECT_TRUE(window->calcDialog()->windowTitle().startsWith("Calculations completed in "));
    EXPECT_TRUE(window->calcDialog()->Info1->text().startsWith(" No. Unknown Temperatures = "));
    // The sparse solver's bandwidth is searched beside the run and arrives on the
    // dialog's timer.
    ASSERT_TRUE(EventsUntil(
        [&] { return window->calcDialog()->Info2->text().startsWith(" Matrix Bandwidth = "); }));
    const std::optional<int> bandwidth = window->document().calculation().bandwidth.Value();
    ASSERT_TRUE(bandwidth.has_value());
    EXPECT_EQ(window->calcDialog()->Info2->text().toStdString(), BandwidthLine(*bandwidth));
    EXPECT_EQ(window->calcDialog()->Button->text(), "Continue");
    EXPECT_FALSE(window->calcDialog()->Gauge->isVisible());
    EXPECT_TRUE(window->action(Cmd::Calculate)->isEnabled());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Shell, ClosingDuringARunWaitsForItThenCloses) {
    ASSERT_TRUE(window->OpenFile(Path("heated_plate")));
    Trigger(Cmd::Calculate);
    EXPECT_FALSE(window->close());  // never waits on the worker
    KOVA_WAIT_FOR(!window->document().Running(), 60000);
    KOVA_WAIT_FOR(!window->isVisible(), 5000);
}

TEST_F(Shell, TransientRunAbortedThenContinuedGivesTheSameLevels) {
    // The reference: one uninterrupted run.
    ASSERT_TRUE(window->OpenFile(Path("transient_quench")));
    AcceptTransientSetup();
    Trigger(Cmd::Calculate);
    KOVA_WAIT_FOR(!window->document().Running(), 60000);
    const CalculationState& calc = window->document().calculation();
    ASSERT_TRUE(problem().resultsCurrent);
    const int levels = calc.lastStepIndex;
    ASSERT_GT(levels, 2);
    const std::vector<Real> last = calc.results.Level(levels);
    // The time panel shows the time of the displayed step: the first, at the start.
    EXPECT_EQ(window->panel(StatusPanel::Time)->text(), "0.0 sec");
    // Stale results take their time with them.
    Trigger(Cmd::TemperaturesAbsolute);
    EXPECT_EQ(window->panel(StatusPanel::Time)->text(), "");
    const QString stop =
        QString::number(static_cast<double>(problem().settings.transientStop), 'g', 17);

    problem().settings.problemSaved = true;
    ASSERT_TRUE(window->OpenFile(Path("transient_quench")));
    // Abort is pressed as the run starts, so the stepping takes it at the first level.
    AcceptTransientSetup({}, [this] { window->calcDialog()->RequestAbort(); });
    Trigger(Cmd::Calculate);
    KOVA_WAIT_FOR(!window->document().Running(), 60000);
    EXPECT_TRUE(window->calcDialog()->windowTitle().startsWith("Calculations cancelled after "));
    ASSERT_LT(calc.lastStepIndex, levels);
    AcceptTransientSetup(stop);
    Trigger(Cmd::Continue);
    KOVA_WAIT_FOR(!window->document().Running(), 60000);
    ASSERT_TRUE(window->calcDialog()->windowTitle().startsWith("Calculations completed in "));
    const std::vector<Real>& continued = calc.results.Level(calc.lastStepIndex);
    EXPECT_NEAR(static_cast<double>(continued[0]), static_cast<double>(last[0]), 1e-9);
    for (int n = 1; n <= problem().settings.activeNodeCount; ++n)
        EXPECT_NEAR(static_cast<double>(continued[static_cast<std::size_t>(n)]),
                    static_cast<double>(last[static_cast<std::size_t>(n)]), 1e-6);
}

TEST_F(Shell, ScaleAndSizeRefitIsUndoneWhole) {
    ASSERT_TRUE(window->OpenFile(Path("composite_wall")));
    const Real x = problem().nodes[1].x;
    const Real area = problem().frames[1].area;
    const Real scale = problem().settings.drawingScale;
    ASSERT_TRUE(window->Refit(1.0));
    EXPECT_NE(problem().nodes[1].x, x);
    EXPECT_NEAR(static_cast<double>(problem().frames[1].area), static_cast<double>(area),
                1e-6 * static_cast<double>(area));
    EXPECT_EQ(window->action(Cmd::Undo)->text().section('\t', 0, 0),
              "&Undo Center and Set Display Size");
    Trigger(Cmd::Undo);
    EXPECT_NEAR(static_cast<double>(problem().nodes[1].x), static_cast<double>(x), 1e-9);
    EXPECT_EQ(problem().settings.drawingScale, scale);  // the scale of those positions
    EXPECT_TRUE(problem().undoList.empty());
}

// Runs `fill` on the next modal dialog of type D once it shows, then presses its OK.
template <class D>
void FillAndAccept(std::function<void(D&)> fill) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, fill] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        timer->stop();
        timer->deleteLater();
        fill(*dialog);
        dialog->accept();
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog refused its OK";
            dialog->reject();
        }
    });
    timer->start();
}

TEST_F(Shell, UndoWhileZoomedGivesBackCoordinatesUnitsAndValues) {
    ASSERT_TRUE(window->OpenFile(Path("composite_wall")));
    std::vector<Coordinates> before;
    for (int n = 1; n <= problem().nodes.Count(); ++n)
        before.push_back(DrawingToProblem(problem(), problem().nodes[n].x, problem().nodes[n].y));
    std::vector<Real> values;
    for (int i = 1; i <= problem().specs.Count(); ++i) values.push_back(problem().specs[i].value);
    const Real x1 = problem().nodes[1].x;
    const Real pixelLength = problem().settings.pixelLength;
    // English units at another scale, through the dialog's fields.
    FillAndAccept<TUnitsScaleDlg>([](TUnitsScaleDlg& d) {
        d.EnglishButton->click();
        d.ScaleEdit->setText("3");
    });
    Trigger(Cmd::ScaleAndSize);
    ASSERT_EQ(problem().settings.unitSystem, Unittype::Eng);
    // Zoomed by two clicks, then undone: the zoom stays and nothing means anything else.
    InputCanvas* canvas = window->inputWindow()->canvas();
    Trigger(Cmd::Zoom);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(60, 50));
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(300, 80));
    ASSERT_TRUE(window->document().zoom().zoomed);
    EXPECT_EQ(window->action(Cmd::Undo)->text().section('\t', 0, 0), "&Undo Scale and Size");
    Trigger(Cmd::Undo);
    EXPECT_TRUE(window->document().zoom().zoomed);
    EXPECT_EQ(problem().settings.unitSystem, Unittype::SI);
    for (int n = 1; n <= problem().nodes.Count(); ++n) {
        const Coordinates c =
            DrawingToProblem(problem(), problem().nodes[n].x, problem().nodes[n].y);
        const auto i = static_cast<std::size_t>(n - 1);
        EXPECT_NEAR(static_cast<double>(c.first), static_cast<double>(before[i].first), 1e-9);
        EXPECT_NEAR(static_cast<double>(c.second), static_cast<double>(before[i].second), 1e-9);
    }
    for (int i = 1; i <= problem().specs.Count(); ++i)
        EXPECT_EQ(problem().specs[i].value, values[static_cast<std::size_t>(i - 1)]);
    Trigger(Cmd::Zoom);  // Normal Size
    EXPECT_NEAR(static_cast<double>(problem().nodes[1].x), static_cast<double>(x1), 1e-9);
    EXPECT_NEAR(static_cast<double>(problem().settings.pixelLength),
                static_cast<double>(pixelLength), 1e-15);
}

TEST_F(Shell, CopyToClipboardHoldsThePictureOfTheDrawing) {
    ASSERT_TRUE(window->OpenFile(Path("composite_wall")));
    QApplication::clipboard()->clear();
    Trigger(Cmd::CopyToClipboard);
    const QImage image = QApplication::clipboard()->image();
    InputCanvas* canvas = window->inputWindow()->canvas();
    ASSERT_EQ(image.size(), canvas->size() * canvas->devicePixelRatioF());
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) dark += image.pixelColor(x, y).lightness() < 128;
    EXPECT_GT(dark, 100);  // the outlines and the mesh, not a blank picture
}

TEST_F(Shell, TheCylindricalSwitchUnzoomsFirstAndMovesTheDrawingOnce) {
    ASSERT_TRUE(window->OpenFile(Path("composite_wall")));
    ASSERT_FALSE(problem().settings.cylindrical);
    problem().settings.originX = 0;  // the origin at the window's left edge
    const Real x1 = problem().nodes[1].x;
    InputCanvas* canvas = window->inputWindow()->canvas();
    Trigger(Cmd::Zoom);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(60, 50));
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(300, 80));
    ASSERT_TRUE(window->document().zoom().zoomed);
    Trigger(Cmd::Cylindrical);
    EXPECT_FALSE(window->document().zoom().zoomed);
    EXPECT_FALSE(window->inputWindow()->horizontalBar()->isVisible());
    EXPECT_EQ(problem().view.zoom, 1);
    // 36 pixels right of where the node stands at normal size, the axis shown.
    EXPECT_NEAR(static_cast<double>(problem().nodes[1].x), static_cast<double>(x1) + 36, 1e-9);
    EXPECT_TRUE(problem().settings.displayAxes);
    EXPECT_TRUE(window->action(Cmd::Cylindrical)->isChecked());
    EXPECT_FALSE(window->action(Cmd::Cartesian)->isChecked());
    EXPECT_EQ(window->action(Cmd::ShowAxes)->text().section('\t', 0, 0).remove('&'), "Hide Axes");
    QTest::mouseMove(canvas, QPoint(131, 217));
    QTest::mouseMove(canvas, QPoint(132, 219));
    EXPECT_TRUE(window->panel(StatusPanel::Coords)->text().startsWith("R="));
    Trigger(Cmd::Cartesian);
    EXPECT_NEAR(static_cast<double>(problem().nodes[1].x), static_cast<double>(x1) + 36, 1e-9);
    EXPECT_TRUE(window->action(Cmd::Cartesian)->isChecked());
    EXPECT_FALSE(problem().settings.problemSaved);
}

// Counts and cancels every file dialog that opens while it lives.
struct FileDialogWatch {
    QTimer timer;
    int seen = 0;
    FileDialogWatch() {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                ++seen;
                d->reject();
            }
        });
        timer.start();
    }
};

TEST_F(Shell, BadFilesAndCancelFromEveryWayInKeepTheOpenProblem) {
    ASSERT_TRUE(window->OpenFile(Path("heated_plate")));
    const int nodes = problem().nodes.Count();
    const QString caption = Caption();
    QFile whole(Path("composite_wall"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QString bad = dir.path() + "/bad.KVX";
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(whole.readAll().left(700));
    f.close();
    auto drop = [this](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &event);
    };
    // A truncated file from the command line, the recent list and a drop.
    window->Start(bad);
    window->OpenFileItem(bad);
    drop(bad);
    ASSERT_EQ(errors.size(), 3);
    for (const QString& e : errors) EXPECT_EQ(e, "Error in reading file " + bad);
    EXPECT_EQ(problem().nodes.Count(), nodes);
    EXPECT_EQ(Caption(), caption);
    EXPECT_TRUE(problem().settings.problemSaved);
    // With unsaved changes, Cancel at the question keeps all: Open shows no dialog, the
    // recent file and the dropped file are not read.
    problem().settings.problemSaved = false;
    FileDialogWatch dialogs;
    answers = {Answer::Cancel, Answer::Cancel, Answer::Cancel};
    Trigger(Cmd::Open);
    window->OpenFileItem(Path("heated_plate"));
    drop(Path("composite_wall"));
    EXPECT_EQ(questions.size(), 3);
    EXPECT_EQ(dialogs.seen, 0);
    EXPECT_EQ(window->document().fileName(), Path("heated_plate"));
    EXPECT_EQ(problem().nodes.Count(), nodes);
    EXPECT_FALSE(problem().settings.problemSaved);
}

TEST(Painter, FillsRegionsWithHolesAndStampsMarkers) {
    TestApplication();
    DrawList list;
    list.AddRegion(
        {{{10, 10}, {90, 10}, {90, 90}, {10, 90}}, {{40, 40}, {60, 40}, {60, 60}, {40, 60}}}, 1,
        SolidBrush(Rgb{0, 0, 255}));
    list.AddMarker({20, 20}, 3, Pen{}, SolidBrush(kWhite));
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    Paint(list, painter);
    painter.end();
    EXPECT_EQ(image.pixelColor(30, 70), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::white));  // the hole
    EXPECT_EQ(image.pixelColor(95, 95), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::white));  // the marker's inside
    EXPECT_LT(image.pixelColor(23, 20).lightness(), 128);    // its black ring
}

// The progress dialog shows a figure once it is known, and after the run abandons a
// search whose results went stale instead of waiting for it.
TEST(CalcDialog, ShowsTheBandwidthWhenKnownAndAbandonsAStaleSearch) {
    TestApplication();
    TCalcDlg dialog;
    dialog.StartRun(false);
    BandwidthFigure known;
    dialog.ShowBandwidthWhenKnown(known, [] { return false; });
    EXPECT_EQ(dialog.Info2->text(), " ");  // not yet known
    known.SetKnown(14);
    ASSERT_TRUE(EventsUntil([&] { return dialog.Info2->text() == " Matrix Bandwidth = 14"; }));

    // A grid large enough that its search outlasts the test's first look at it.
    const int side = 400;
    std::vector<std::int32_t> capacity(side * side + 1, 4);
    ConnectionLists lists;
    ASSERT_TRUE(lists.Reset(capacity));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int u = y * side + x + 1;
            if (x + 1 < side) lists.Add(u, u + 1), lists.Add(u + 1, u);
            if (y + 1 < side) lists.Add(u, u + side), lists.Add(u + side, u);
        }
    dialog.StartRun(false);
    BandwidthFigure searched;
    searched.Search(lists, side * side);
    bool stale = false;
    dialog.ShowBandwidthWhenKnown(searched, [&stale] { return stale; });
    dialog.RunEnded();
    stale = true;
    ASSERT_TRUE(EventsUntil([&] { return !searched.Pending(); }, 5000));
    EXPECT_EQ(searched.Value(), std::nullopt);  // abandoned, not found
    EXPECT_EQ(dialog.Info2->text(), " ");
}

}  // namespace
}  // namespace kova::ui
