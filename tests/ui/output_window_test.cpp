// The contour window through its real widgets on solved examples: the View command's
// dialog, the picture and legend, the read-out at the wall's interface, the dialog's
// refusals, and a change that closes the result windows and disables the View items.
#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "dialogs/calc_dialog.hpp"
#include "dialogs/contour_dialog.hpp"
#include "dialogs/definition_dialogs.hpp"
#include "dialogs/gradient_dialog.hpp"
#include "dialogs/text_dialog.hpp"
#include "dialogs/time_dialog.hpp"
#include "examples.hpp"
#include "files/problem_file.hpp"
#include "painting/painter.hpp"
#include "shell/main_window.hpp"
#include "support/mesh_builder.hpp"
#include "ui/test_application.hpp"
#include "views/input_window.hpp"
#include "views/output_window.hpp"

namespace kova::ui {
namespace {

struct ResultWindow : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<TKOVAMDI> window;

    void SetUp() override { ShowMainWindow(window, dir.path()); }
    void TearDown() override {
        window->document().problem().settings.problemSaved = true;
        window.reset();
    }
    Problem& problem() { return window->document().problem(); }
    void Solve(const char* name) {
        Problem p;
        p.view.refHeight = 600;
        examples::BuildExample(*examples::FindExample(name), p);
        const QString path = dir.path() + "/" + name + ".KVX";
        ASSERT_TRUE(WriteProblemFile(p, path.toStdString()));
        ASSERT_TRUE(window->OpenFile(path));
        window->UpdateMenu();
        // A transient run asks for its set-up first: the stored one is accepted.
        if (problem().settings.transient) AcceptTransientSetup();
        window->action(Cmd::Calculate)->trigger();
        KOVA_WAIT_FOR(!window->document().Running(), 60000);
        QApplication::processEvents();
        ASSERT_TRUE(problem().resultsCurrent);
    }
    TContourDlg* OpenContourDialog() {
        window->UpdateMenu();
        QAction* a = window->action(Cmd::ViewContours);
        EXPECT_TRUE(a->isEnabled());
        a->trigger();
        return window->findChild<TContourDlg*>();
    }
};

TEST_F(ResultWindow, CompositeWallContoursLegendAndInterfaceReadout) {
    Solve("composite_wall");
    TContourDlg* dialog = OpenContourDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Temperature Contour Information");
    EXPECT_EQ(dialog->UserAuto->text(), "Auto");
    EXPECT_EQ(dialog->MinEdit->text(), "0.0");  // the automatic scale: 0 .. 100
    EXPECT_EQ(dialog->MaxEdit->text(), "100.0");
    // Crossed scale ends: the dialog stays open, nothing changes.
    dialog->MaxEdit->setText("-5");
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(window->resultWindows()->window(kContoursWindow), nullptr);
    dialog->UserAutoClick();  // to "User"
    dialog->UserAutoClick();  // back to "Auto": the range again
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    TOutputForm* form = window->resultWindows()->window(kContoursWindow);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(window->resultWindows()
                    ->subWindow(kContoursWindow)
                    ->windowTitle()
                    .startsWith("Contours:  "));
    // In front, the window's output state rules the menus: nothing that changes the
    // problem or runs it is offered. Bringing a window to the front by the mouse moves
    // the menus along.
    EXPECT_EQ(problem().selection.state, SelectType::Contours);
    EXPECT_FALSE(window->action(Cmd::Calculate)->isEnabled());
    EXPECT_FALSE(window->action(Cmd::MaterialProperties)->isEnabled());
    auto* area = window->findChild<QMdiArea*>();
    area->setActiveSubWindow(window->inputSubWindow());
    EXPECT_TRUE(window->action(Cmd::Calculate)->isEnabled());
    area->setActiveSubWindow(window->resultWindows()->subWindow(kContoursWindow));
    EXPECT_FALSE(window->action(Cmd::Calculate)->isEnabled());
    const QImage& picture = form->picture();
    // Inside the wall no pixel keeps the background.
    int interface = 0;
    Real best = 1e9L;
    for (int n = 1; n <= problem().nodes.Count(); ++n) {
        const auto [x, y] = test::Position(problem(), n);
        const Real d = std::fabs(x - 0.05L) + std::fabs(y - 0.1L);
        if (d < best) {
            best = d;
            interface = n;
        }
    }
    const QPoint at(static_cast<int>(std::lround(problem().nodes[interface].x)),
                    static_cast<int>(std::lround(problem().nodes[interface].y)));
    ASSERT_TRUE(picture.rect().contains(at));
    EXPECT_NE(picture.pixel(at + QPoint(3, 3)), qRgb(255, 255, 255));
    // Painted bands leave no background pixel anywhere inside the wall but the white
    // outline between its two frames, and the brick layer (95.2 to 100 degrees) is all
    // in the top band's colour.
    QRect wall;
    for (int n = 1; n <= problem().nodes.Count(); ++n)
        wall |= QRect(QPoint(static_cast<int>(std::lround(problem().nodes[n].x)),
                             static_cast<int>(std::lround(problem().nodes[n].y))),
                      QSize(1, 1));
    int background = 0;
    for (int y = wall.top() + 2; y < wall.bottom() - 1; ++y)
        for (int x = wall.left() + 2; x < wall.right() - 1; ++x)
            background += std::abs(x - at.x()) > 1 && picture.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_EQ(background, 0);
    const ContourSettings& shown = window->resultWindows()->settings().contour;
    const Rgb top = ContourColours(shown)[static_cast<std::size_t>(shown.bandCount)];
    const QPoint brick((wall.left() + at.x()) / 2, at.y() + 5);
    EXPECT_EQ(picture.pixel(brick), qRgb(top.r, top.g, top.b));
    EXPECT_GE(form->legendBox()->legend().CountOf(PrimitiveKind::Rectangle), 10u);
    // The read-out at the interface: 100 · (1/0.1 · 0.1) / (0.05/1 + 0.1/0.1) = 95.24.
    QTest::mousePress(form->canvas(), Qt::LeftButton, {}, at);
    const QString text = window->panel(StatusPanel::Coords)->text();
    EXPECT_NEAR(text.section(' ', 0, 0).toDouble(), 95.238, 0.01) << text.toStdString();
    QTest::mouseRelease(form->canvas(), Qt::LeftButton, {}, at);
    // After scrolling the same model point reads the same.
    QTest::keyClick(form, Qt::Key_Right);
    const QPoint moved(static_cast<int>(std::lround(problem().nodes[interface].x)),
                       static_cast<int>(std::lround(problem().nodes[interface].y)));
    EXPECT_NE(moved, at);
    QTest::mousePress(form->canvas(), Qt::LeftButton, {}, moved);
    EXPECT_EQ(window->panel(StatusPanel::Coords)->text(), text);
    QTest::mouseRelease(form->canvas(), Qt::LeftButton, {}, moved);
    // A node moved in the input window makes the results stale: the window closes and
    // the View items are disabled.
    window->action(Cmd::ViewInput)->trigger();
    window->UpdateMenu();
    EXPECT_TRUE(window->action(Cmd::Calculate)->isEnabled());
    window->action(Cmd::RepositionNodes)->trigger();
    int corner = 1;
    for (int n = 1; n <= problem().nodes.Count(); ++n)
        if (problem().nodes[n].x + problem().nodes[n].y <
            problem().nodes[corner].x + problem().nodes[corner].y)
            corner = n;
    const QPoint from(static_cast<int>(std::lround(problem().nodes[corner].x)),
                      static_cast<int>(std::lround(problem().nodes[corner].y)));
    InputCanvas* input = window->inputWindow()->canvas();
    QTest::mousePress(input, Qt::LeftButton, {}, from);
    QTest::mouseRelease(input, Qt::LeftButton, {}, from - QPoint(6, 6));
    EXPECT_EQ(std::lround(problem().nodes[corner].x), from.x() - 6);
    EXPECT_FALSE(problem().resultsCurrent);
    QApplication::processEvents();
    EXPECT_EQ(window->resultWindows()->window(kContoursWindow), nullptr);
    EXPECT_FALSE(window->action(Cmd::ViewContours)->isEnabled());
}

// Heat Flows through the window's clicks: the interface segments picked from the bottom
// up sum the wall's flow; the three sides of one element close a path whose flows cancel,
// and the next click starts a fresh path.
TEST_F(ResultWindow, CompositeWallHeatFlowsUpTheInterface) {
    Solve("composite_wall");
    window->UpdateMenu();
    QAction* a = window->action(Cmd::ViewFlows);
    ASSERT_TRUE(a->isEnabled());
    a->trigger();
    TOutputForm* form = window->resultWindows()->window(kFlowsWindow);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(window->resultWindows()
                    ->subWindow(kFlowsWindow)
                    ->windowTitle()
                    .startsWith("Heat Flows:  "));
    form->picture();
    QLabel* info = window->panel(StatusPanel::Info);
    EXPECT_EQ(info->text(), "Select (1 or more) connected boundaries.");
    Problem& p = problem();
    auto nearX = [&](int n, Real x) {
        return p.nodes.Valid(n) && std::fabs(test::Position(p, n).first - x) < 1e-6L;
    };
    std::vector<LineSegment*> interface;
    for (LineSegment& s : p.lines)
        if (nearX(s.node1, 0.05L) && nearX(s.node2, 0.05L)) interface.push_back(&s);
    ASSERT_GE(interface.size(), 2u);
    auto lowY = [&](const LineSegment* s) {
        return std::min(test::Position(p, s->node1).second, test::Position(p, s->node2).second);
    };
    std::sort(interface.begin(), interface.end(),
              [&](const LineSegment* l, const LineSegment* r) { return lowY(l) < lowY(r); });
    auto middle = [&](int n1, int n2) {
        return QPoint(static_cast<int>(std::lround((p.nodes[n1].x + p.nodes[n2].x) / 2)),
                      static_cast<int>(std::lround((p.nodes[n1].y + p.nodes[n2].y) / 2)));
    };
    auto sumOf = [](const QString& text) {
        const int at = text.indexOf("Sum(Q)=");
        return at < 0 ? 1e9 : text.mid(at + 7).section(' ', 0, 0).toDouble();
    };
    EXPECT_FALSE(window->action(Cmd::Group)->isEnabled());
    for (LineSegment* s : interface)
        QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, middle(s->node1, s->node2));
    ASSERT_EQ(p.selection.Count(), static_cast<int>(interface.size()));
    // A path is never grouped: its segments go to the path's rules, not a group lookup.
    EXPECT_FALSE(window->action(Cmd::Group)->isEnabled());
    // Copy to Clipboard takes the picture of the window in front.
    window->action(Cmd::CopyToClipboard)->trigger();
    const QImage copied = QApplication::clipboard()->image();
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied.convertToFormat(form->picture().format()), form->picture());
    // 100 / (0.05/1 + 0.1/0.1) W/m2 through the 0.2 m high wall.
    EXPECT_NEAR(sumOf(info->text()), 19.048, 0.01) << info->text().toStdString();
    EXPECT_NE(form->picture(), QImage());  // painting recomputes the path: same sum
    EXPECT_NEAR(sumOf(info->text()), 19.048, 0.01) << info->text().toStdString();
    // Round one element of the insulation: the path closes and its flows cancel.
    const CalculationState& c = window->document().calculation();
    int element = -1;
    for (int e = 1; e <= c.checked.elements.Count() && element < 0; ++e)
        if (test::Position(p, c.checked.elements[e].nodes[0]).first > 0.06L) element = e;
    ASSERT_GE(element, 1);
    const auto& n = c.checked.elements[element].nodes;
    for (const auto& [n1, n2] : {std::pair{n[0], n[1]}, {n[1], n[2]}, {n[2], n[0]}})
        QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, middle(n1, n2));
    ASSERT_EQ(p.selection.Count(), 3);
    EXPECT_EQ(form->flowPath().pathEnd, 0);
    EXPECT_NEAR(sumOf(info->text()), 0, 0.01) << info->text().toStdString();
    // Closed: the next segment starts afresh.
    const LineSegment* first = interface.front();
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, middle(first->node1, first->node2));
    EXPECT_EQ(p.selection.Count(), 1);
    EXPECT_FALSE(info->text().contains("Sum("));
    // The input window in front drops the path; its clicks select as before.
    window->action(Cmd::ViewInput)->trigger();
    QApplication::processEvents();
    EXPECT_NE(p.selection.state, SelectType::Flow);
    window->action(Cmd::CopyToClipboard)->trigger();
    const QImage input = QApplication::clipboard()->image();
    EXPECT_EQ(input.size(), window->inputWindow()->canvas()->RenderImage().size());
    EXPECT_NE(input.convertToFormat(form->picture().format()), form->picture());
}

// Nodal Energy Balances on the two-material wall: "Select Outline" keeps the concrete
// alone; a node on the interface shows its balance and temperature, and a dotted
// rectangle round the interface sums the concrete's balances there to the wall's flow.
TEST_F(ResultWindow, CompositeWallBalancesOfTheConcreteAtTheInterface) {
    Solve("composite_wall");
    window->UpdateMenu();
    // The user's display switches, saved by the balance and heat-flow windows.
    ResultSettings& switches = window->resultWindows()->settings();
    switches.displayNodeValues = false;
    switches.displayFlows = true;
    QMdiSubWindow* input = window->findChild<QMdiArea*>()->activeSubWindow();
    ASSERT_NE(input, nullptr);
    QAction* a = window->action(Cmd::ViewBalances);
    ASSERT_TRUE(a->isEnabled());
    a->trigger();
    auto* outline = window->findChild<TSelectFrameDlg*>();
    ASSERT_NE(outline, nullptr);
    ASSERT_EQ(outline->FrameBox->count(), 2);
    outline->FrameBox->clearSelection();
    outline->FrameBox->item(0)->setSelected(true);
    outline->accept();
    TOutputForm* form = window->resultWindows()->window(kBalancesWindow);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(switches.displayNodeValues);
    EXPECT_FALSE(switches.displayFlows);
    form->picture();
    QLabel* info = window->panel(StatusPanel::Info);
    EXPECT_EQ(info->text(), "Click on a node");
    Problem& p = problem();
    std::vector<int> interface;
    for (int n = 1; n <= p.nodes.Count(); ++n)
        if (std::fabs(test::Position(p, n).first - 0.05L) < 1e-6L) interface.push_back(n);
    ASSERT_GE(interface.size(), 3u);
    auto at = [&](int n) {
        return QPoint(static_cast<int>(std::lround(p.nodes[n].x)),
                      static_cast<int>(std::lround(p.nodes[n].y)));
    };
    const int middle = interface[interface.size() / 2];
    EXPECT_FALSE(window->action(Cmd::Group)->isEnabled());
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, at(middle));
    EXPECT_TRUE(window->action(Cmd::Group)->isEnabled());  // the menus follow the click
    const QString one = info->text();
    EXPECT_TRUE(one.startsWith(QString("Q[%1]=").arg(middle))) << one.toStdString();
    EXPECT_NEAR(one.section("T[", 1).section("]=", 1).toDouble(), 95.2, 0.05) << one.toStdString();
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, at(middle));  // toggled off
    EXPECT_EQ(info->text(), "Click on a node");
    int top = 1 << 30, bottom = -(1 << 30);
    for (int n : interface) {
        top = std::min(top, at(n).y());
        bottom = std::max(bottom, at(n).y());
    }
    const int x = at(middle).x();
    QTest::mousePress(form->canvas(), Qt::LeftButton, {}, QPoint(x - 4, top - 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(x + 4, bottom + 5), QPointF(x + 4, bottom + 5),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->canvas(), &move);
    ASSERT_TRUE(form->rubberRectangle().has_value());
    // The press is the selection's: while it is held the pointer's coordinates show,
    // not a read-out.
    EXPECT_TRUE(window->panel(StatusPanel::Coords)->text().startsWith("X="))
        << window->panel(StatusPanel::Coords)->text().toStdString();
    QTest::mouseRelease(form->canvas(), Qt::LeftButton, {}, QPoint(x + 4, bottom + 5));
    EXPECT_EQ(p.selection.Count(), static_cast<int>(interface.size()));
    const QString text = info->text();
    const int sum = text.indexOf("Sum(Q)=");
    ASSERT_GE(sum, 0) << text.toStdString();
    EXPECT_NEAR(std::fabs(text.mid(sum + 7).section(' ', 0, 0).toDouble()), 19.048, 0.01)
        << text.toStdString();
    // Grouped, the interface nodes come and go together at a click on any one of them.
    window->action(Cmd::Group)->trigger();
    EXPECT_TRUE(window->action(Cmd::Ungroup)->isEnabled());
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, at(middle));
    EXPECT_EQ(p.selection.Count(), 0);
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, at(interface.front()));
    EXPECT_EQ(p.selection.Count(), static_cast<int>(interface.size()));
    EXPECT_EQ(info->text(), text);
    EXPECT_FALSE(window->action(Cmd::Group)->isEnabled());
    EXPECT_TRUE(window->action(Cmd::Ungroup)->isEnabled());
    // Heat Flows in front turns the flows on and the values off; the input window in
    // front gets back the switches found before either result window came up.
    window->action(Cmd::ViewFlows)->trigger();
    ASSERT_NE(window->resultWindows()->window(kFlowsWindow), nullptr);
    EXPECT_FALSE(switches.displayNodeValues);
    EXPECT_TRUE(switches.displayFlows);
    window->findChild<QMdiArea*>()->setActiveSubWindow(
        window->resultWindows()->subWindow(kBalancesWindow));
    EXPECT_TRUE(switches.displayNodeValues);
    EXPECT_FALSE(switches.displayFlows);
    window->findChild<QMdiArea*>()->setActiveSubWindow(input);
    EXPECT_FALSE(switches.displayNodeValues);
    EXPECT_TRUE(switches.displayFlows);
}

// "Select Time" from Temperatures on the quench: a typed time moves the bar to the
// nearest computed level, a time beyond the last to the last; junk beeps, keeps the
// dialog open and changes nothing; OK opens the values window at the step chosen.
TEST_F(ResultWindow, TransientQuenchSelectTimeTypedBeyondAndJunk) {
    Solve("transient_quench");
    const CalculationState& c = window->document().calculation();
    window->UpdateMenu();
    window->action(Cmd::ViewValues)->trigger();
    auto* dialog = window->findChild<TTempDlg*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Select Time");
    EXPECT_EQ(dialog->TimeBox2->text(), "sec");
    const int last = c.lastStepIndex;
    ASSERT_GE(last, 4);
    EXPECT_EQ(dialog->ScrollBar->maximum(), last);
    const ResultView view{problem(), c.checked.elements, c.results, c.lastStepIndex,
                          c.displayedStep};
    auto type = [&](const QString& text) {
        dialog->TimeBox->clear();
        QTest::keyClicks(dialog->TimeBox, text);
    };
    // A little past the time of step 3 is nearest to step 3.
    const double t3 = static_cast<double>(view.TimeOf(3));
    const double t4 = static_cast<double>(view.TimeOf(4));
    type(QString::number(t3 + 0.2 * (t4 - t3)));
    EXPECT_EQ(dialog->ScrollBar->value(), 3);
    type("1e9");
    EXPECT_EQ(dialog->ScrollBar->value(), last);
    type(QString::number(t3));
    const int displayed = c.displayedStep;
    const int beeps = window->document().beeps;
    type("abc");
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_GT(window->document().beeps, beeps);
    EXPECT_EQ(dialog->ChosenStep(), 3);
    EXPECT_EQ(c.displayedStep, displayed);
    EXPECT_EQ(window->resultWindows()->window(kValuesWindow), nullptr);
    type(QString::number(t3));
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    TOutputForm* form = window->resultWindows()->window(kValuesWindow);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(c.displayedStep, 3);
    EXPECT_TRUE(window->resultWindows()
                    ->subWindow(kValuesWindow)
                    ->windowTitle()
                    .startsWith("Potentials:  "));
    // The read-out at a node gives that node's value at step 3.
    const int n = problem().nodes.Count() / 2;
    ASSERT_EQ(problem().nodes[n].active, 1);
    const QPoint at(static_cast<int>(std::lround(problem().nodes[n].x)),
                    static_cast<int>(std::lround(problem().nodes[n].y)));
    form->picture();
    QTest::mousePress(form->canvas(), Qt::LeftButton, {}, at);
    const QString text = window->panel(StatusPanel::Coords)->text();
    EXPECT_NEAR(text.section(' ', 0, 0).toDouble(), static_cast<double>(view.Values(3)[n]),
                0.01 * std::fabs(static_cast<double>(view.Values(3)[n])))
        << text.toStdString();
    QTest::mouseRelease(form->canvas(), Qt::LeftButton, {}, at);
    // The time panel shows the time of the step shown.
    QLabel* timeP = window->panel(StatusPanel::Time);
    auto timeShown = [&] { return timeP->text().section(' ', 0, 0).toDouble(); };
    EXPECT_TRUE(timeP->text().endsWith(" sec")) << timeP->text().toStdString();
    EXPECT_NEAR(timeShown(), t3, 1e-4 * std::fabs(t3) + 1e-9) << timeP->text().toStdString();

    // Another time shows that step's values, not the picture cached for step 3.
    const QImage atStep3 = form->picture();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->action(Cmd::ViewValues)->trigger();
    dialog = window->findChild<TTempDlg*>();
    ASSERT_NE(dialog, nullptr);
    type(QString::number(t4));
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    ASSERT_EQ(window->resultWindows()->window(kValuesWindow), form);
    EXPECT_EQ(c.displayedStep, 4);
    EXPECT_NE(form->picture(), atStep3);

    // Heat Flows at step 4, a segment picked, then Heat Flows again for the last time:
    // the panel follows the step and the path keeps the direction found when it was picked.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->action(Cmd::ViewFlows)->trigger();
    dialog = window->findChild<TTempDlg*>();
    ASSERT_NE(dialog, nullptr);
    type(QString::number(t4));
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    TOutputForm* flows = window->resultWindows()->window(kFlowsWindow);
    ASSERT_NE(flows, nullptr);
    EXPECT_EQ(c.displayedStep, 4);
    EXPECT_NEAR(timeShown(), t4, 1e-4 * std::fabs(t4) + 1e-9) << timeP->text().toStdString();
    flows->picture();
    Problem& p = problem();
    const LineSegment* picked = nullptr;
    for (const LineSegment& s : p.lines)
        if (p.nodes.Valid(s.node1) && p.nodes.Valid(s.node2)) {
            picked = &s;
            break;
        }
    ASSERT_NE(picked, nullptr);
    const QPoint mid(
        static_cast<int>(std::lround((p.nodes[picked->node1].x + p.nodes[picked->node2].x) / 2)),
        static_cast<int>(std::lround((p.nodes[picked->node1].y + p.nodes[picked->node2].y) / 2)));
    QTest::mouseClick(flows->canvas(), Qt::LeftButton, {}, mid);
    ASSERT_EQ(p.selection.Count(), 1);
    const int direction = flows->FirstFlowDirection();
    EXPECT_NE(direction, 0);
    EXPECT_EQ(flows->FirstStepNo(), 4);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->action(Cmd::ViewFlows)->trigger();
    dialog = window->findChild<TTempDlg*>();
    ASSERT_NE(dialog, nullptr);
    type("1e9");
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    EXPECT_EQ(c.displayedStep, last);
    const double tLast = static_cast<double>(view.TimeOf(last));
    EXPECT_NEAR(timeShown(), tLast, 1e-4 * std::fabs(tLast)) << timeP->text().toStdString();
    flows->picture();
    EXPECT_EQ(p.selection.Count(), 1);
    EXPECT_EQ(flows->FirstFlowDirection(), direction);
    EXPECT_EQ(flows->FirstStepNo(), 4);
}

TEST_F(ResultWindow, TransientSequenceRunsOnATimerAndStopsOnAClick) {
    Solve("transient_quench");
    const int last = window->document().calculation().lastStepIndex;
    ASSERT_GT(last, 2);
    TContourDlg* dialog = OpenContourDialog();
    ASSERT_NE(dialog, nullptr);
    // A time outside the stored range beeps and keeps the dialog's step.
    const int beeps = window->document().beeps;
    dialog->TimeEdit->setText("1e9");
    dialog->TimeEditExit();
    EXPECT_FALSE(dialog->TimeOK());
    EXPECT_GT(window->document().beeps, beeps);
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    dialog->TimeEdit->setText("0");
    dialog->TimeEditExit();
    EXPECT_TRUE(dialog->TimeOK());
    dialog->StartStopRB->click();
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    TOutputForm* form = window->resultWindows()->window(kContoursWindow);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(form->SequenceRunning());
    KOVA_WAIT_FOR(window->document().calculation().displayedStep >= 1, 5000);
    QTest::mousePress(form->canvas(), Qt::RightButton, {}, QPoint(5, 5));
    KOVA_WAIT_FOR(!form->SequenceRunning(), 5000);
    // Closed while it runs, the sequence ends with its window.
    window->resultWindows()->settings().contour.runSequence = true;
    form->StartSequence();
    KOVA_WAIT_FOR(window->document().calculation().displayedStep >= 1, 5000);
    window->resultWindows()->subWindow(kContoursWindow)->close();
    QTest::qWait(20);
    EXPECT_EQ(window->resultWindows()->window(kContoursWindow), nullptr);
    EXPECT_FALSE(window->resultWindows()->settings().contour.runSequence);
    window->resultWindows()->Show(kContoursWindow);
    form = window->resultWindows()->window(kContoursWindow);
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->SequenceRunning());
    EXPECT_LE(window->document().calculation().displayedStep, last);
    const auto timeOfShownStep = [&] {
        const CalculationState& c = window->document().calculation();
        const ResultView view{problem(), c.checked.elements, c.results, c.lastStepIndex,
                              c.displayedStep};
        return static_cast<double>(view.TimeOf(c.displayedStep));
    };
    QLabel* timeP = window->panel(StatusPanel::Time);
    EXPECT_NEAR(timeP->text().section(' ', 0, 0).toDouble(), timeOfShownStep(),
                1e-4 * std::fabs(timeOfShownStep()) + 1e-9)
        << timeP->text().toStdString();
    EXPECT_FALSE(window->resultWindows()->settings().contour.runSequence);
    // A step chosen with the spin buttons stays after Cancel.
    const int shown = window->document().calculation().displayedStep;
    dialog = OpenContourDialog();
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->SpinUp, Qt::LeftButton);
    const int chosen = dialog->ChosenStep();
    EXPECT_NE(chosen, shown);
    QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton);
    EXPECT_EQ(window->document().calculation().displayedStep, chosen);
    // The contour window now shows that step, and the time panel its time, which goes
    // with the results when they go stale.
    EXPECT_NEAR(timeP->text().section(' ', 0, 0).toDouble(), timeOfShownStep(),
                1e-4 * std::fabs(timeOfShownStep()) + 1e-9)
        << timeP->text().toStdString();
    problem().MarkProblemChanged();
    window->UpdateMenu();
    EXPECT_EQ(timeP->text(), "");
}

// A quench continued to twice its stop time and cancelled as the continuation starts: the
// table holds room for levels never computed. "Select Time", the contour dialog's spin
// buttons and the start-to-stop sequence reach the last computed level, never one past it.
TEST_F(ResultWindow, TransientQuenchCancelledStepsOnlyThroughComputedLevels) {
    Solve("transient_quench");
    const CalculationState& c = window->document().calculation();
    const QString stop =
        QString::number(2 * static_cast<double>(problem().settings.transientStop), 'g', 17);
    AcceptTransientSetup(stop, [this] { window->calcDialog()->RequestAbort(); });
    window->UpdateMenu();
    window->action(Cmd::Continue)->trigger();
    KOVA_WAIT_FOR(!window->document().Running(), 60000);
    QApplication::processEvents();
    EXPECT_TRUE(window->calcDialog()->windowTitle().startsWith("Calculations cancelled after "));
    ASSERT_TRUE(problem().resultsCurrent);
    const int last = c.lastStepIndex;
    ASSERT_GT(last, 1);
    ASSERT_LT(last + 1, c.results.LevelCount());  // levels stored but never computed
    window->UpdateMenu();
    window->action(Cmd::ViewValues)->trigger();
    auto* time = window->findChild<TTempDlg*>();
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->ScrollBar->maximum(), last);
    time->TimeBox->clear();
    QTest::keyClicks(time->TimeBox, "1e9");
    EXPECT_EQ(time->ScrollBar->value(), last);
    QTest::mouseClick(time->OKBtn, Qt::LeftButton);
    EXPECT_EQ(c.displayedStep, last);
    ASSERT_NE(window->resultWindows()->window(kValuesWindow), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    TContourDlg* dialog = OpenContourDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->ChosenStep(), last);
    QTest::mouseClick(dialog->SpinUp, Qt::LeftButton);  // wraps at the last computed level
    EXPECT_EQ(dialog->ChosenStep(), 0);
    QTest::mouseClick(dialog->SpinDown, Qt::LeftButton);
    EXPECT_EQ(dialog->ChosenStep(), last);
    dialog->TimeEdit->setText("0");
    dialog->TimeEditExit();
    dialog->StartStopRB->click();
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    TOutputForm* form = window->resultWindows()->window(kContoursWindow);
    ASSERT_NE(form, nullptr);
    KOVA_WAIT_FOR(!form->SequenceRunning(), 20000);
    EXPECT_EQ(c.displayedStep, last);
    EXPECT_NE(form->picture(), QImage());
}

TEST_F(ResultWindow, HeatedPlateArrowsAndFluxReadout) {
    Solve("heated_plate");
    window->UpdateMenu();
    window->action(Cmd::ViewGradients)->trigger();
    auto* dialog = window->findChild<TGradientDlg*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->GradientTypeBox->isVisibleTo(dialog));
    dialog->HeatFluxRB->click();
    EXPECT_EQ(dialog->windowTitle(), "Heat Flux Gradients");
    // The previews follow the bars.
    const QImage length = dialog->LengthPreview->grab().toImage();
    const QImage density = dialog->DensityPreview->grab().toImage();
    dialog->LengthSB->setValue(dialog->LengthSB->value() + 20);
    dialog->DensitySB->setValue(dialog->DensitySB->value() + 20);
    EXPECT_NE(dialog->LengthPreview->grab().toImage(), length);
    EXPECT_NE(dialog->DensityPreview->grab().toImage(), density);
    EXPECT_EQ(dialog->UserAuto->text(), "Auto");
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    TOutputForm* form = window->resultWindows()->window(kGradientsWindow);
    ASSERT_NE(form, nullptr);
    const QImage& picture = form->picture();
    int black = 0;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            if (picture.pixel(x, y) == qRgb(0, 0, 0)) ++black;
    EXPECT_GT(black, 50);  // arrows and outlines
    EXPECT_EQ(form->legendBox()->legend().texts.back().text.substr(
                  form->legendBox()->legend().texts.back().text.size() - 4),
              "W/m2");
    // The flux read-out over the plate: a positive magnitude in W/m2.
    const Node& n = problem().nodes[1];
    const Node& m = problem().nodes[problem().settings.activeNodeCount];
    const QPoint mid(static_cast<int>(std::lround((n.x + m.x) / 2)),
                     static_cast<int>(std::lround((n.y + m.y) / 2)));
    QTest::mousePress(form->canvas(), Qt::LeftButton, {}, mid);
    const QString text = window->panel(StatusPanel::Coords)->text();
    EXPECT_TRUE(text.endsWith(" W/m2")) << text.toStdString();
    EXPECT_GT(text.section(' ', 0, 0).toDouble(), 0);
    QTest::mouseRelease(form->canvas(), Qt::LeftButton, {}, mid);
    // Zoom in this window: two clicks round the plate's middle. An element's centroid
    // then reads the same flux, and Normal Size brings the drawing back.
    const auto& elements = window->document().calculation().checked.elements;
    const auto& corners = elements[elements.Count() / 2].nodes;
    auto centroid = [&] {
        Real x = 0, y = 0;
        for (int k : corners) {
            x += problem().nodes[k].x / 3;
            y += problem().nodes[k].y / 3;
        }
        return QPoint(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
    };
    const QPoint inside = centroid();
    QTest::mousePress(form->canvas(), Qt::LeftButton, {}, inside);
    const QString flux = window->panel(StatusPanel::Coords)->text();
    QTest::mouseRelease(form->canvas(), Qt::LeftButton, {}, inside);
    window->UpdateMenu();
    window->action(Cmd::Zoom)->trigger();
    ASSERT_TRUE(form->Zooming());
    EXPECT_EQ(window->panel(StatusPanel::Info)->text(),
              "Click to locate the upper left corner of the zoom rectangle.");
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, mid - QPoint(40, 30));
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, mid + QPoint(40, 30));
    EXPECT_FALSE(form->Zooming());
    ASSERT_TRUE(window->document().zoom().zoomed);
    EXPECT_GT(problem().view.zoom, 2);
    const QPoint zoomed = centroid();
    EXPECT_NE(zoomed, inside);
    ASSERT_TRUE(form->canvas()->rect().contains(zoomed));
    QTest::mousePress(form->canvas(), Qt::LeftButton, {}, zoomed);
    EXPECT_EQ(window->panel(StatusPanel::Coords)->text(), flux);
    QTest::mouseRelease(form->canvas(), Qt::LeftButton, {}, zoomed);
    window->UpdateMenu();
    window->action(Cmd::Zoom)->trigger();  // "Normal Size"
    EXPECT_FALSE(window->document().zoom().zoomed);
    EXPECT_EQ(QPoint(static_cast<int>(std::lround((n.x + m.x) / 2)),
                     static_cast<int>(std::lround((n.y + m.y) / 2))),
              mid);
}

TEST_F(ResultWindow, SourceNearWallShowsPressureContours) {
    Solve("source_near_wall");
    window->UpdateMenu();
    window->action(Cmd::ViewGradients)->trigger();
    auto* dialog = window->findChild<TContourDlg*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Pressure Contour Information");
    EXPECT_EQ(dialog->TempL->text(), "Scale [Pa]");
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    TOutputForm* form = window->resultWindows()->window(kGradientsWindow);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(window->resultWindows()->subWindow(kGradientsWindow)->widget()->windowTitle(),
              "Pressure Contours");
    const Node& n = problem().nodes[1];
    const Node& m = problem().nodes[problem().settings.activeNodeCount];
    const QPoint mid(static_cast<int>(std::lround((n.x + m.x) / 2)),
                     static_cast<int>(std::lround((n.y + m.y) / 2)));
    QTest::mousePress(form->canvas(), Qt::LeftButton, {}, mid);
    const QString text = window->panel(StatusPanel::Coords)->text();
    EXPECT_TRUE(text.startsWith("P=")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(" Pa")) << text.toStdString();
}

// A text placed in the contour window with New Text belongs to that window: drawn on
// its picture (and so copied with it), not on the input drawing; dragged by a press on
// it without a read-out; reopened by a double click, and gone when emptied. In the
// heat-flow window a press on its text is the text's, not the path's.
TEST_F(ResultWindow, TextsPlacedMovedAndEditedInResultWindows) {
    Solve("composite_wall");
    TContourDlg* contours = OpenContourDialog();
    ASSERT_NE(contours, nullptr);
    QTest::mouseClick(contours->OKBtn, Qt::LeftButton);
    TOutputForm* form = window->resultWindows()->window(kContoursWindow);
    ASSERT_NE(form, nullptr);
    const QImage bare = form->picture();
    window->UpdateMenu();
    ASSERT_TRUE(window->action(Cmd::NewText)->isEnabled());
    window->action(Cmd::NewText)->trigger();
    TNewTextDlg* dialog = window->resultWindows()->textDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->TextEdit->setText("Hot face");
    dialog->OpaqueB->setChecked(true);
    dialog->accept();
    ASSERT_EQ(problem().texts.size(), 1u);
    TextItem& item = problem().texts.front();
    EXPECT_EQ(item.winNo, kContoursWindow);
    const QImage labelled = form->picture();
    EXPECT_NE(labelled, bare);
    const QtTextMetrics metrics;
    const IntRect r = TextRectangle(item, metrics, problem().view.zoom);
    int inkInBox = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) inkInBox += labelled.pixel(x, y) == qRgb(0, 0, 0);
    EXPECT_GT(inkInBox, 20);  // the letters, black on their white box
    window->action(Cmd::CopyToClipboard)->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(labelled.format()), labelled);
    window->inputWindow()->InvalidateDrawing();
    window->inputWindow()->canvas()->RenderImage();
    for (const TextPrimitive& t : window->inputWindow()->canvas()->drawList().texts)
        EXPECT_NE(t.text, "Hot face");
    // Dragged by 40, 30: the text moves, the coordinates panel shows no value.
    const QPoint on((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    window->panel(StatusPanel::Coords)->clear();
    QTest::mousePress(form->canvas(), Qt::LeftButton, {}, on);
    QTest::mouseMove(form->canvas(), on + QPoint(40, 30));
    QTest::mouseRelease(form->canvas(), Qt::LeftButton, {}, on + QPoint(40, 30));
    EXPECT_EQ(item.theRect.left, r.left + 40);
    EXPECT_EQ(item.theRect.top, r.top + 30);
    EXPECT_EQ(problem().undoList.back().name, "Move Text");
    EXPECT_TRUE(window->panel(StatusPanel::Coords)->text().contains("X="));
    EXPECT_TRUE(problem().resultsCurrent);  // a text does not make the results stale
    EXPECT_NE(form->picture(), labelled);
    // A double click on the text opens its dialog; emptied, the text goes.
    const QPoint moved = on + QPoint(40, 30);
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, moved);
    QTest::mouseDClick(form->canvas(), Qt::LeftButton, {}, moved);
    dialog = window->resultWindows()->textDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->TextEdit->text(), "Hot face");
    auto rerun = [&] {
        for (TContourDlg* d : window->findChildren<TContourDlg*>())
            if (d->isVisible()) return d;
        return static_cast<TContourDlg*>(nullptr);
    };
    EXPECT_EQ(rerun(), nullptr);  // not the contour command
    dialog->TextEdit->clear();
    dialog->accept();
    EXPECT_TRUE(problem().texts.empty());
    EXPECT_EQ(form->picture(), bare);
    // Away from any text a double click reruns the contour command.
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, moved);
    QTest::mouseDClick(form->canvas(), Qt::LeftButton, {}, moved);
    ASSERT_NE(rerun(), nullptr);
    rerun()->reject();
    // The heat-flow window: its text takes the press; the path stays empty.
    window->action(Cmd::ViewFlows)->trigger();
    TOutputForm* flows = window->resultWindows()->window(kFlowsWindow);
    ASSERT_NE(flows, nullptr);
    window->UpdateMenu();
    window->action(Cmd::NewText)->trigger();
    ASSERT_NE(window->resultWindows()->textDialog(), nullptr);
    window->resultWindows()->textDialog()->accept();
    ASSERT_EQ(problem().texts.size(), 1u);
    EXPECT_EQ(problem().texts.front().winNo, kFlowsWindow);
    const IntRect f = TextRectangle(problem().texts.front(), metrics, problem().view.zoom);
    QTest::mouseClick(flows->canvas(), Qt::LeftButton, {},
                      QPoint((f.left + f.right) / 2, (f.top + f.bottom) / 2));
    EXPECT_EQ(problem().selection.Count(), 0);
    EXPECT_EQ(problem().texts.front().selected, 1);
}

// Without results every kind of window paints its background only.
TEST_F(ResultWindow, WithoutResultsOnlyTheBackground) {
    Problem p;
    p.view.refHeight = 600;
    examples::BuildExample(*examples::FindExample("composite_wall"), p);
    const QString path = dir.path() + "/unsolved.KVX";
    ASSERT_TRUE(WriteProblemFile(p, path.toStdString()));
    ASSERT_TRUE(window->OpenFile(path));
    problem().settings.displayText = true;
    ClickState clicks;
    TextState texts;
    for (int kind = kValuesWindow; kind <= kBalancesWindow; ++kind) {
        NewTextItem(problem(), "label", kind);
        TOutputForm form(window->document(), window->resultWindows()->settings(), clicks, texts,
                         kind);
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::black);
        form.Render(image);
        QImage white(400, 300, QImage::Format_RGB32);
        white.fill(Qt::white);
        EXPECT_EQ(image, white) << kind;
    }
}

// The contour picture is computed once for a view: exposing the window, bringing it back
// to the front, running the command again unchanged and shrinking or restoring the window
// repaint the cached image; a scroll, a new step or a window grown beyond the area
// computed compute it again, once.
TEST_F(ResultWindow, ExposeReturnAndResizeRepaintTheCachedPicture) {
    Solve("composite_wall");
    TContourDlg* dialog = OpenContourDialog();
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    TOutputForm* form = window->resultWindows()->window(kContoursWindow);
    ASSERT_NE(form, nullptr);
    QApplication::processEvents();
    const QImage full = form->picture();
    const int computed = form->PictureComputations();
    ASSERT_GE(computed, 1);
    ASSERT_EQ(full.size(), form->canvas()->size());
    form->canvas()->repaint();
    auto* area = window->findChild<QMdiArea*>();
    area->setActiveSubWindow(window->inputSubWindow());
    area->setActiveSubWindow(window->resultWindows()->subWindow(kContoursWindow));
    QApplication::processEvents();
    form->canvas()->repaint();
    dialog = OpenContourDialog();
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(form->PictureComputations(), computed);
    // Shrunk, the window shows the top left part of the same picture (a copy to the
    // clipboard takes that part); restored, the whole of it.
    QMdiSubWindow* sub = window->resultWindows()->subWindow(kContoursWindow);
    sub->showNormal();
    sub->resize(full.width() / 2, full.height() / 2);
    QApplication::processEvents();
    const QSize small = form->canvas()->size();
    ASSERT_LT(small.width(), full.width());
    EXPECT_EQ(form->picture(), full.copy(QRect(QPoint(0, 0), small)));
    sub->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(form->picture(), full);
    EXPECT_EQ(form->PictureComputations(), computed);
    // A scroll moves the model: a new picture.
    QTest::keyClick(form, Qt::Key_Right);
    QApplication::processEvents();
    EXPECT_NE(form->picture(), full);
    EXPECT_EQ(form->PictureComputations(), computed + 1);
    // Grown beyond the area computed: the uncovered part is computed, once.
    window->resize(window->width() + 200, window->height() + 100);
    QApplication::processEvents();
    form->canvas()->repaint();
    EXPECT_EQ(form->picture().size(), form->canvas()->size());
    EXPECT_EQ(form->PictureComputations(), computed + 2);
}

// The input window behind a maximised result window keeps its drawing's size: its
// picture rendered then (printing, or a copy) is the drawing, not an empty image, also
// after the main window is resized meanwhile.
TEST_F(ResultWindow, InputDrawingRendersBehindAMaximisedResultWindow) {
    Solve("composite_wall");
    InputCanvas* canvas = window->inputWindow()->canvas();
    const QImage before = canvas->RenderImage();
    window->UpdateMenu();
    window->action(Cmd::ViewFlows)->trigger();
    QApplication::processEvents();
    ASSERT_NE(window->resultWindows()->FrontKind(), 0);
    EXPECT_EQ(canvas->RenderImage(), before);
    window->resize(900, 650);
    QApplication::processEvents();
    const QSize shown = window->resultWindows()->window(kFlowsWindow)->size();
    EXPECT_EQ(canvas->RenderImage().size(), shown);
    window->action(Cmd::ViewInput)->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(window->inputSubWindow()->isMaximized());
    EXPECT_EQ(canvas->size(), shown);
}

}  // namespace
}  // namespace kova::ui
