// kova-gallery OUTDIR: drives the real program offscreen at 1280×800 and writes a PNG of
// every window state and dialog worth looking at, so the whole program can be seen
// without a display. Exits with 1 when an image came out blank (one colour only).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "dialogs/calc_dialog.hpp"
#include "dialogs/contour_dialog.hpp"
#include "dialogs/definition_dialogs.hpp"
#include "dialogs/gradient_dialog.hpp"
#include "dialogs/outline_circle_dialog.hpp"
#include "dialogs/property_dialog.hpp"
#include "dialogs/scale_size_dialog.hpp"
#include "dialogs/text_dialog.hpp"
#include "dialogs/time_dialog.hpp"
#include "dialogs/transient_dialog.hpp"
#include "examples.hpp"
#include "files/problem_file.hpp"
#include "model/selection.hpp"
#include "run/calculation.hpp"
#include "shell/main_window.hpp"
#include "views/input_window.hpp"
#include "views/output_window.hpp"

namespace {

using namespace kova;
using namespace kova::ui;

int g_blank = 0;
QString g_out;

bool Blank(const QImage& image) {
    if (image.isNull()) return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) != first) return false;
    return true;
}

void Shoot(QWidget* widget, const QString& name) {
    QApplication::processEvents();
    const QImage image = widget->grab().toImage();
    const QString path = g_out + "/" + name + ".png";
    image.save(path);
    if (Blank(image)) {
        std::fprintf(stderr, "blank image: %s\n", qPrintable(path));
        ++g_blank;
    }
}

void ShootDialog(QDialog& dialog, const QString& name) {
    dialog.show();
    dialog.adjustSize();
    Shoot(&dialog, name);
    dialog.hide();
}

// Selects items of one kind in the problem, as clicks in the input window would.
void Select(Problem& p, SelectType kind, std::initializer_list<int> items) {
    p.selection.items.clear();
    for (int i : items) p.selection.items.push_back(SelectRec{i, nullptr});
    p.selection.state = kind;
}

// The problem-definition dialogs of one example's subject.
void ShootDefinitionDialogs(TKOVAMDI& window, const QString& name) {
    Problem& p = window.document().problem();
    Select(p, SelectType::Frames, {1});
    {
        TSetPropDlg d(p, &window);
        ShootDialog(d, "dialog-properties-" + name);
    }
    {
        TSetGenDlg d(p, &window);
        ShootDialog(d, "dialog-generation-" + name);
    }
    {
        TSetInitDlg d(p, &window);
        ShootDialog(d, "dialog-initial-" + name);
    }
    if (p.settings.subject == ProbTypeA::Bio) {
        TBloodPropDlg d(p, &window);
        ShootDialog(d, "dialog-blood-" + name);
    }
    if (p.settings.subject == ProbTypeA::ThinFins) {
        TFinSurfacePropDlg d(p, &window);
        ShootDialog(d, "dialog-surface-" + name);
    }
    p.selection.items.clear();
    for (LineSegment& s : p.lines)
        if (s.frameA == 0 || s.frameB == 0) {
            p.selection.items.push_back(SelectRec{0, &s});
            break;
        }
    p.selection.state = SelectType::Bounds;
    {
        TSetBoundDlg d(p, &window);
        ShootDialog(d, "dialog-boundary-" + name);
    }
    Select(p, SelectType::Points, {1});
    {
        TSetNodeDlg d(p, &window);
        ShootDialog(d, "dialog-node-" + name);
    }
    if (p.settings.subject == ProbTypeA::Potential) {
        bool singular = false;
        TPotentialSpecDlg choice(singular, &window);
        ShootDialog(choice, "dialog-node-choice-" + name);
        TSingularDlg d(p, &window);
        ShootDialog(d, "dialog-singularities-" + name);
    }
    if (p.settings.subject == ProbTypeA::HeatTrans) {
        for (int k = 1; k <= p.frameCount; ++k)
            if (p.frames[k].type == FrameType::Lumped) {
                Select(p, SelectType::Lumps, {p.nodes.Count() + k});
                TSetNodeDlg d(p, &window);
                ShootDialog(d, "dialog-lump-" + name);
                break;
            }
    }
    ClearSelection(p);
}

// The problem-definition dialogs of every subject's example, written as problem files first.
void ShootAllDefinitionDialogs(TKOVAMDI& window) {
    for (const char* name : {"heated_plate", "fin", "two_conductors", "source_near_wall",
                             "seepage_under_dam", "tissue_layer", "lump_beside_solid"}) {
        if (!window.OpenFile(g_out + "/problems/" + name + ".KVX")) continue;
        ShootDefinitionDialogs(window, name);
        window.document().problem().settings.problemSaved = true;
    }
    if (window.OpenFile(g_out + "/problems/composite_wall.KVX")) {
        ResultTable balances;
        balances.Allocate(2, ResultTable::ValuesFor(window.document().problem()));
        TSelectFrameDlg d(window.document().problem(), balances, &window);
        ShootDialog(d, "dialog-select-outline");
        window.document().problem().settings.problemSaved = true;
    }
}

// Writes every example as a problem file into the gallery's problems folder.
void WriteExamples(TKOVAMDI& window) {
    for (const examples::Example& example : examples::AllExamples()) {
        Problem problem;
        problem.view.refHeight = window.document().problem().view.refHeight;
        examples::BuildExample(example, problem);
        WriteProblemFile(
            problem,
            (g_out + "/problems/" + QString::fromStdString(example.name) + ".KVX").toStdString());
    }
}

// Waits for the run started by Calculate and hides its dialog.
void WaitForRun(TKOVAMDI& window) {
    while (window.document().Running()) QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    window.calcDialog()->hide();
}

// Accepts the transient set-up dialog as it shows, with the stored settings.
void AcceptNextTransientSetup() {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        auto* dialog = qobject_cast<TTransientDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        timer->stop();
        timer->deleteLater();
        dialog->accept();
    });
    timer->start();
}

}  // namespace

int main(int argc, char* argv[]) {
    // A platform given from outside (an offscreen screen configuration) is kept.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("KOVA-gallery");
    QApplication::setOrganizationName("KOVA");
    if (argc < 2) {
        std::fprintf(stderr, "usage: kova-gallery OUTDIR [--dialogs]\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out + "/problems");

    TKOVAMDI window;
    window.document().answerHook = [](const QString&, const QString&) { return Answer::No; };
    window.document().errorHook = [](const QString&) {};
    window.resize(1280, 800);
    window.show();
    window.Start();
    // --dialogs: only the problem-definition dialogs, as for a second run at another scale.
    if (argc > 2 && QString(argv[2]) == "--dialogs") {
        WriteExamples(window);
        ShootAllDefinitionDialogs(window);
        return g_blank > 0 ? 1 : 0;
    }
    Shoot(&window, "empty");

    for (const examples::Example& example : examples::AllExamples()) {
        const QString name = QString::fromStdString(example.name);
        const QString file = g_out + "/problems/" + name + ".KVX";
        {
            Problem problem;
            problem.view.refHeight = window.document().problem().view.refHeight;
            examples::BuildExample(example, problem);
            WriteProblemFile(problem, file.toStdString());
        }
        if (!window.OpenFile(file)) continue;
        Shoot(&window, name + "-opened");
        window.Refit(1.0);
        Shoot(&window, name + "-refitted");
        ProblemSettings& s = window.document().problem().settings;
        s.displayGrid = s.displayAxes = true;
        window.inputWindow()->InvalidateDrawing();
        window.UpdateMenu();
        Shoot(&window, name + "-grid-axes");
        const QSize client = window.inputWindow()->ClientSize();
        window.inputWindow()->FinishZoom(
            QRectF(client.width() / 4.0, client.height() / 4.0, client.width() / 3.0, 1));
        Shoot(&window, name + "-zoomed");
        window.inputWindow()->ZoomCommand();
        s.displayGrid = s.displayAxes = false;
        window.document().problem().settings.problemSaved = true;
    }

    // A check that fails: a frame without material.
    if (window.OpenFile(g_out + "/problems/composite_wall.KVX")) {
        window.document().problem().frames[1].material = 0;
        window.Route(Cmd::Check);
        Shoot(&window, "failed-check");
        window.document().problem().settings.problemSaved = true;
    }

    // The result windows of solved examples, with their dialogs.
    for (const char* name : {"composite_wall", "heated_plate", "source_near_wall"}) {
        if (!window.OpenFile(g_out + "/problems/" + name + ".KVX")) continue;
        window.Route(Cmd::Calculate);
        while (window.document().Running()) QApplication::processEvents(QEventLoop::AllEvents, 50);
        QApplication::processEvents();
        window.calcDialog()->hide();
        if (!window.document().problem().resultsCurrent) continue;
        const QString prefix = QString("result-") + name;
        window.resultWindows()->ContoursCommand();
        if (auto* dialog = window.findChild<TContourDlg*>()) {
            Shoot(dialog, prefix + "-contour-dialog");
            dialog->accept();
            // A text of the contour window, placed with New Text.
            window.resultWindows()->NewText();
            if (TNewTextDlg* text = window.resultWindows()->textDialog()) {
                text->TextEdit->setText(QString("Contours of ") + name);
                text->accept();
            }
            Shoot(&window, prefix + "-contours");
        }
        // The dialogs delete themselves on closing; let that happen before looking again.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window.resultWindows()->GradientsCommand();
        if (auto* dialog = window.findChild<TGradientDlg*>()) {
            Shoot(dialog, prefix + "-gradient-dialog");
            dialog->accept();
        } else if (auto* pressure = window.findChild<TContourDlg*>()) {
            Shoot(pressure, prefix + "-pressure-dialog");
            pressure->accept();
        }
        Shoot(&window, prefix + "-gradients");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window.resultWindows()->CloseAll();
        window.document().problem().settings.problemSaved = true;
    }

    // The values, heat-flow and balance windows of the two-material wall: a flow path up
    // the interface between the materials, the balances of the first material.
    if (window.OpenFile(g_out + "/problems/composite_wall.KVX")) {
        window.Refit(1.0);  // large enough for the values to stand apart
        window.Route(Cmd::Calculate);
        WaitForRun(window);
        Problem& p = window.document().problem();
        if (p.resultsCurrent) {
            window.resultWindows()->ValuesCommand();
            Shoot(&window, "result-composite_wall-values");
            window.resultWindows()->FlowsCommand();
            if (TOutputForm* form = window.resultWindows()->window(kFlowsWindow)) {
                form->picture();
                std::vector<const LineSegment*> interface;
                for (const LineSegment& s : p.lines)
                    if (s.frameA != 0 && s.frameB != 0 && !s.IsElementLine())
                        interface.push_back(&s);
                std::sort(interface.begin(), interface.end(), [&](auto* l, auto* r) {
                    return p.nodes[l->node1].y + p.nodes[l->node2].y >
                           p.nodes[r->node1].y + p.nodes[r->node2].y;
                });
                for (const LineSegment* s : interface)
                    form->SelectionClick(
                        QPointF(static_cast<double>(p.nodes[s->node1].x + p.nodes[s->node2].x) / 2,
                                static_cast<double>(p.nodes[s->node1].y + p.nodes[s->node2].y) / 2),
                        false);
                Shoot(&window, "result-composite_wall-flows-path");
            }
            window.resultWindows()->BalancesCommand();
            if (auto* outline = window.findChild<TSelectFrameDlg*>()) {
                outline->FrameBox->clearSelection();
                if (outline->FrameBox->count() > 0) outline->FrameBox->item(0)->setSelected(true);
                outline->accept();
            }
            Shoot(&window, "result-composite_wall-balances");
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            window.resultWindows()->CloseAll();
        }
        p.settings.problemSaved = true;
    }
    // "Select Time" of the quench, after its run with the stored set-up.
    if (window.OpenFile(g_out + "/problems/transient_quench.KVX")) {
        AcceptNextTransientSetup();
        window.Route(Cmd::Calculate);
        WaitForRun(window);
        if (window.document().problem().resultsCurrent) {
            window.resultWindows()->ValuesCommand();
            if (auto* dialog = window.findChild<TTempDlg*>()) {
                Shoot(dialog, "dialog-select-time");
                dialog->reject();
            }
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            // The contour dialog's time row, stepped to the fifth level, and its picture.
            window.resultWindows()->ContoursCommand();
            if (auto* dialog = window.findChild<TContourDlg*>()) {
                for (int i = 0; i < 5; ++i) dialog->SpinUp->click();
                Shoot(dialog, "result-transient_quench-contour-dialog");
                dialog->accept();
                Shoot(&window, "result-transient_quench-contours");
            }
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            window.resultWindows()->CloseAll();
        }
        window.document().problem().settings.problemSaved = true;
    }

    // The dialogs.
    const ClientArea client{1000, 600, 0, 1};
    {
        window.OpenFile(g_out + "/problems/heated_plate.KVX");
        TUnitsScaleDlg si(window.document().problem(), client, &window);
        ShootDialog(si, "dialog-scale-size-si");
        TUnitsScaleDlg english(window.document().problem(), client, &window);
        english.EnglishButton->click();
        ShootDialog(english, "dialog-scale-size-english");
    }
    if (window.OpenFile(g_out + "/problems/cylindrical_shell.KVX")) {
        TUnitsScaleDlg cylindrical(window.document().problem(), client, &window);
        ShootDialog(cylindrical, "dialog-scale-size-cylindrical");
    }
    {
        TChangeSizeDlg size(&window);
        ShootDialog(size, "dialog-change-size");
    }
    {
        TOutlineC circle(window.document().problem(), QPointF(500, 300), &window);
        ShootDialog(circle, "dialog-outline-circle");
        circle.ShapesDD->setCurrentIndex(2);
        circle.CScroll->setValue(1);
        ShootDialog(circle, "dialog-outline-quarter-circle");
    }
    {
        Problem& p = window.document().problem();
        TextState texts;
        NewTextCommand(p, texts, 1);
        TNewTextDlg text(p, texts, &window);
        ShootDialog(text, "dialog-text");
        p.texts.clear();
    }
    if (window.OpenFile(g_out + "/problems/transient_quench.KVX")) {
        TTransientDlg transient(window.document().problem(), window.document().calculation(),
                                &window);
        ShootDialog(transient, "dialog-transient-setup");
        TCalcDlg calc(&window);
        calc.StartRun(true);
        calc.Info1->setText(" No. Unknown Temperatures = 120");
        calc.Info2->setText(" Matrix Bandwidth = 14");
        calc.Info3->setText(" User/Critical Timestep = 0.5 (est.)");
        calc.Gauge->setValue(40);
        ShootDialog(calc, "dialog-calculation-progress");
    }
    ShootAllDefinitionDialogs(window);
    {
        QMessageBox question(QMessageBox::Warning, "Existing file is not saved",
                             "Do you wish to save your file before continuing?",
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &window);
        question.show();
        Shoot(&question, "box-save-question");
        question.hide();
        QMessageBox error(QMessageBox::Critical, "Error", "Cannot open file /nowhere/x.KVX",
                          QMessageBox::Ok, &window);
        error.show();
        Shoot(&error, "box-error");
        error.hide();
    }
    std::printf("gallery written to %s\n", qPrintable(g_out));
    return g_blank > 0 ? 1 : 0;
}
