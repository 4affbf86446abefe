#include "shell/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QSessionManager>
#include <QStatusBar>
#include <QUrl>
#include <map>

#include "dialogs/calc_dialog.hpp"
#include "dialogs/scale_size_dialog.hpp"
#include "dialogs/specify_commands.hpp"
#include "dialogs/transient_dialog.hpp"
#include "files/undo_snapshots.hpp"
#include "model/selection.hpp"
#include "painting/painter.hpp"
#include "results/view_geometry.hpp"
#include "run/calculation.hpp"
#include "units/unit_conversion.hpp"
#include "views/input_states.hpp"
#include "views/input_window.hpp"
#include "views/output_window.hpp"

namespace kova::ui {
namespace {

constexpr const char* kFilter = "KOVA files (*.KVX *.kvx *.Kvx *.kVx *.kvX *.KVx *.KvX *.kVX)";

QKeySequence KeyOf(const char* key) {
    const QString k = QString::fromLatin1(key);
    if (k == "New") return QKeySequence(QKeySequence::New);
    if (k == "SaveAs") {
        // Desktops without a binding of their own (a bare X session) get the usual one.
        const QKeySequence saveAs(QKeySequence::SaveAs);
        return saveAs.isEmpty() ? QKeySequence("Ctrl+Shift+S") : saveAs;
    }
    return QKeySequence(k);
}

ProbTypeA SubjectOf(Cmd cmd) {
    switch (cmd) {
        case Cmd::HeatTransfer:
            return ProbTypeA::HeatTrans;
        case Cmd::ExtendedSurfaces:
            return ProbTypeA::ThinFins;
        case Cmd::ElectricCurrents:
            return ProbTypeA::ElecFieldC;
        case Cmd::Electrostatics:
            return ProbTypeA::ElecFieldNC;
        case Cmd::Magnetostatics:
            return ProbTypeA::MagField;
        case Cmd::BioHeat:
            return ProbTypeA::Bio;
        case Cmd::PotentialFlow:
            return ProbTypeA::Potential;
        default:
            return ProbTypeA::Hydrodynamics;
    }
}

}  // namespace

bool IsProblemFileName(const QString& path) {
    return QFileInfo(path).suffix().compare("kvx", Qt::CaseInsensitive) == 0;
}

TKOVAMDI::TKOVAMDI() {
    setObjectName("TKOVAMDI");
    setWindowTitle("KOVA");
    setAcceptDrops(true);
    m_doc.SetDialogParent(this);
    m_mdi = new QMdiArea(this);
    m_mdi->setBackground(Qt::white);
    setCentralWidget(m_mdi);
    m_input = new TInputForm(m_doc);
    m_editor = std::make_unique<InputEditor>(
        *m_input, [this] { UpdateMenu(); }, [this](Cmd cmd) { Route(cmd); });
    m_inputSub = m_mdi->addSubWindow(m_input);
    m_inputSub->setObjectName("InputSubWindow");
    // The sub-window's own menu would take Ctrl+W (Reduce Mesh) and Ctrl+F4.
    if (QMenu* system = m_inputSub->systemMenu())
        for (QAction* a : system->actions()) a->setShortcut({});
    m_inputSub->setWindowFlag(Qt::WindowCloseButtonHint, false);
    // A result window maximised in front gives the input window back its normal size,
    // which it never had: the drawing would be computed for a sliver.
    connect(m_inputSub, &QMdiSubWindow::windowStateChanged, this, [this] { FitInputBehind(); });
    m_mdi->viewport()->installEventFilter(this);
    m_input->onViewChanged = [this] { UpdateMenu(); };
    CreateActions();
    CreateMenus();
    CreateStatusBar();
    m_calcDlg = new TCalcDlg(this);
    m_results = new ResultWindows(m_doc, m_mdi, this, m_editor->clicks(), m_editor->texts());
    m_results->onSelectionChanged = [this] { UpdateMenu(); };
    // A result window's zoom rectangle zooms the shared view as the input window's does.
    m_results->onZoom = [this](QRectF r) {
        m_input->FinishZoom(r);
        m_results->Refresh();
    };
    // A window brought to the front by the mouse changes the output state: the menus
    // follow it (after the result windows have set the state).
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { UpdateMenu(); });
    // The time the result windows show goes when their results go stale.
    m_results->onTimeShown = [this](const std::string& t) {
        m_shownTime = QString::fromStdString(t);
    };
    connect(&m_doc, &Document::statusTextChanged, this, [this](int p, const QString& t) {
        if (QLabel* label = panel(static_cast<StatusPanel>(p))) label->setText(t);
    });
    connect(&m_doc, &Document::busyChanged, this, [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    connect(&m_doc, &Document::runFinished, this, &TKOVAMDI::CalculationEnded);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdateMenu(); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TKOVAMDI::CommitData,
            Qt::DirectConnection);
    m_doc.LoadRecentFiles();
    m_lastFolder = QDir::currentPath();
    FixFileNameList();
    m_state = InitialMenuState();
    SetInputCaption();
    m_inputSub->showMaximized();
    resize(1024, 720);
    UpdateMenu();
}

TKOVAMDI::~TKOVAMDI() {
    // A gesture still running ends as its cancel does while the problem still exists.
    if (m_input != nullptr) {
        m_input->CancelInteraction();
        m_input->onIdlePress = nullptr;
    }
    // The sub-windows closing with the area must not call back into this window.
    m_mdi->viewport()->removeEventFilter(this);
    disconnect(m_mdi, nullptr, this, nullptr);
    disconnect(m_inputSub, nullptr, this, nullptr);
}

void TKOVAMDI::Start(const QString& fileArgument) {
    QApplication::processEvents();
    // The origin of a new problem is the bottom left corner of the window.
    Problem& p = m_doc.problem();
    p.view.refHeight = std::max(1, m_input->ClientSize().height());
    p.settings.originY = p.view.refHeight;
    if (!fileArgument.isEmpty() && OpenFile(fileArgument)) {
        // The file dialogs start where the file came from.
        m_lastFolder = QFileInfo(fileArgument).absolutePath();
        QDir::setCurrent(m_lastFolder);
    }
    UpdateMenu();
}

QLabel* TKOVAMDI::panel(StatusPanel p) {
    switch (p) {
        case StatusPanel::Coords:
            return m_coords;
        case StatusPanel::Time:
            return m_time;
        case StatusPanel::Info:
            return m_info;
    }
    return nullptr;
}

void TKOVAMDI::CreateActions() {
    for (const MenuItemSpec& item : MenuItems()) {
        auto* a = new QAction(QString::fromLatin1(item.caption), this);
        a->setObjectName(QString("action%1").arg(static_cast<int>(item.cmd)));
        a->setShortcutContext(Qt::ApplicationShortcut);
        const Cmd cmd = item.cmd;
        const bool viewWindow = item.menu == Menu::View && cmd != Cmd::ViewInput &&
                                cmd != Cmd::ViewTable && cmd != Cmd::ProblemDescription;
        a->setCheckable(item.menu == Menu::Subject ||
                        (item.menu == Menu::Setup && cmd != Cmd::ScaleAndSize) || viewWindow ||
                        cmd == Cmd::SizeMoveTemplate);
        connect(a, &QAction::triggered, this, [this, cmd] { Route(cmd); });
        m_actions[static_cast<std::size_t>(item.cmd)] = a;
    }
}

void TKOVAMDI::CreateMenus() {
    for (int m = 0; m < kMenuCount; ++m) {
        QMenu* menu = menuBar()->addMenu(MenuTitle(static_cast<Menu>(m)));
        m_menus[static_cast<std::size_t>(m)] = menu;
    }
    for (const MenuItemSpec& item : MenuItems()) {
        QMenu* menu = m_menus[static_cast<std::size_t>(item.menu)];
        if (item.separatorBefore) menu->addSeparator();
        menu->addAction(action(item.cmd));
    }
    m_recentSeparator = menu(Menu::File)->addSeparator();
    // The rules that apply when a menu opens.
    connect(menu(Menu::Specify), &QMenu::aboutToShow, this, [this] {
        OnSpecifyMenuOpen(m_state, Inputs());
        ApplyMenuState();
    });
    connect(menu(Menu::Draw), &QMenu::aboutToShow, this, [this] {
        OnDrawMenuOpen(m_state, Inputs());
        ApplyMenuState();
    });
    connect(menu(Menu::Display), &QMenu::aboutToShow, this, [this] {
        OnDisplayMenuOpen(m_state, Inputs());
        ApplyMenuState();
    });
    connect(menu(Menu::View), &QMenu::aboutToShow, this, [this] {
        OnViewMenuOpen(m_state, Inputs(), !DescriptionFile().isEmpty());
        ApplyMenuState();
    });
}

void TKOVAMDI::CreateStatusBar() {
    m_coords = new QLabel(this);
    m_coords->setObjectName("CoordsP");
    m_coords->setMinimumWidth(220);
    m_time = new QLabel(this);
    m_time->setObjectName("TimeP");
    m_time->setMinimumWidth(160);
    m_info = new QLabel(this);
    m_info->setObjectName("InfoP");
    statusBar()->addWidget(m_coords);
    statusBar()->addWidget(m_time);
    statusBar()->addWidget(m_info, 1);
    m_meshGauge = new QProgressBar(this);
    m_meshGauge->setObjectName("MeshGauge");
    m_meshGauge->setRange(0, 100);
    m_meshGauge->setMaximumWidth(160);
    statusBar()->addPermanentWidget(m_meshGauge);
    m_meshGauge->hide();
    m_editor->SetMeshGauge(m_meshGauge);
}

void TKOVAMDI::FixFileNameList() {
    QMenu* file = menu(Menu::File);
    for (QAction* a : m_recentActions) {
        file->removeAction(a);
        a->deleteLater();
    }
    m_recentActions.clear();
    const QStringList& list = m_doc.recentFiles();
    m_recentSeparator->setVisible(!list.isEmpty());
    for (int i = list.size() - 1, n = 1; i >= 0; --i, ++n) {
        QString shown = list[i];
        shown.replace("&", "&&");
        auto* a = new QAction(QString("&%1. %2").arg(n).arg(shown), this);
        const QString path = list[i];
        connect(a, &QAction::triggered, this, [this, path] { OpenFileItem(path); });
        file->addAction(a);
        m_recentActions << a;
    }
}

MenuInputs TKOVAMDI::Inputs() const {
    MenuInputs in;
    in.problem = &m_doc.problem();
    in.frontWindow =
        m_results != nullptr && m_results->FrontKind() != 0 ? m_results->FrontKind() : 1;
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    in.clipboardHasPicture = clip != nullptr && clip->hasImage();
    in.hasFlowTable = !const_cast<Document&>(m_doc).calculation().balances.Empty();
    in.zoomed = const_cast<Document&>(m_doc).zoom().zoomed;
    in.running = m_doc.Running();
    in.templateSizing = m_doc.problem().selection.state == SelectType::Templat;
    in.groupCurrent =
        m_editor != nullptr && SelectionIsCurrentGroup(m_doc.problem(), m_editor->clicks());
    return in;
}

void TKOVAMDI::UpdateMenu() {
    // Results that are no longer current close the result windows.
    if (m_results != nullptr) m_results->CloseWhenStale();
    // A results time goes with the results.
    if (!m_shownTime.isEmpty() && !m_doc.problem().resultsCurrent) {
        if (m_time->text() == m_shownTime) m_doc.ShowStatusText("", StatusPanel::Time);
        m_shownTime.clear();
    }
    m_state = kova::ui::UpdateMenu(m_state, Inputs());
    ApplyMenuState();
}

void TKOVAMDI::ApplyMenuState() {
    for (int m = 0; m < kMenuCount; ++m)
        m_menus[static_cast<std::size_t>(m)]->setEnabled(
            m_state.menus[static_cast<std::size_t>(m)]);
    std::map<QString, bool> keyTaken;
    for (const MenuItemSpec& item : MenuItems()) {
        const ItemState& s = m_state[item.cmd];
        QAction* a = action(item.cmd);
        const bool enabled = s.enabled && m_state.menu(item.menu);
        a->setEnabled(enabled);
        a->setVisible(s.visible);
        a->setChecked(s.checked);
        // Of two enabled items sharing a key, the first in menu order takes it; the
        // other shows its key in its caption only.
        const QKeySequence key = KeyOf(item.key);
        QString caption = QString::fromStdString(s.caption);
        if (!key.isEmpty() && enabled && !keyTaken[key.toString()]) {
            keyTaken[key.toString()] = true;
            a->setShortcut(key);
        } else {
            a->setShortcut({});
            if (!key.isEmpty()) caption += "\t" + key.toString(QKeySequence::NativeText);
        }
        a->setText(caption);
    }
    for (QAction* a : m_recentActions) a->setEnabled(!m_doc.Running());
}

void TKOVAMDI::Route(Cmd cmd) {
    if (!action(cmd)->isEnabled()) return;
    m_sessionAnswered = false;
    m_input->CancelInteraction();
    const Menu menu = ItemSpec(cmd).menu;
    switch (menu) {
        case Menu::File:
            if (cmd == Cmd::PasteFromClipboard)
                m_editor->PasteFromClipboard();
            else
                FileCommand(cmd);
            break;
        case Menu::Subject:
            ChangeSubject(SubjectOf(cmd), true);
            break;
        case Menu::Setup:
            SetupCommand(cmd);
            break;
        case Menu::Draw:
            if (cmd == Cmd::Undo) {
                Undo();
                m_editor->Forget();
            } else if (cmd == Cmd::NewText && m_results->FrontKind() != 0) {
                m_results->NewText();  // a text of the result window in front
            } else {
                m_editor->DrawCommand(cmd);
            }
            break;
        case Menu::Display:
            DisplayCommand(cmd);
            break;
        case Menu::Specify:
            OpenSpecifyDialog(this, m_doc.problem(), cmd, [this] {
                UpdateMenu();
                Redraw();
            });
            break;
        case Menu::Run:
            RunCommand(cmd);
            break;
        case Menu::View:
            ViewCommand(cmd);
            break;
        default:
            break;
    }
    UpdateMenu();
}

// --- File -------------------------------------------------------------------------------

bool TKOVAMDI::AskSaveChanges() {
    const Problem& p = m_doc.problem();
    if (p.nodes.Count() == 0 || p.settings.problemSaved) return true;
    const Answer a = m_doc.AskQuestion("Existing file is not saved",
                                       "Do you wish to save your file before continuing?", true);
    if (a == Answer::Cancel) return false;
    // A save that fails or is cancelled abandons the command.
    if (a == Answer::Yes) return Save();
    return true;
}

void TKOVAMDI::UnZoom() {
    if (m_doc.zoom().zoomed) m_input->ZoomCommand();
}

void TKOVAMDI::SetInputCaption() {
    m_inputSub->setWindowTitle(m_doc.HasName() ? "Input Window - " + m_doc.fileName()
                                               : QString("Input Window"));
}

bool TKOVAMDI::OpenFile(const QString& path) {
    UnZoom();
    if (!m_doc.ReadaFile(path)) {
        Redraw();
        return false;
    }
    m_doc.problem().selection.state = SelectType::None;
    m_state.lastWhatSelected = SelectType::Null;
    m_state.lastSubject = ProbTypeA::Nada;
    SetInputCaption();
    m_mdi->setActiveSubWindow(m_inputSub);
    m_inputSub->showMaximized();
    FixFileNameList();
    Redraw();
    UpdateMenu();
    return true;
}

bool TKOVAMDI::Save() {
    UnZoom();
    if (!m_doc.HasName()) return SaveAs();
    const bool ok = m_doc.WriteTo(m_doc.fileName());
    UpdateMenu();
    return ok;
}

bool TKOVAMDI::SaveAs() {
    QFileDialog dialog(this, "Save File", m_lastFolder, kFilter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile("Untitled");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    QString path = dialog.selectedFiles().first();
    if (!QFileInfo(path).fileName().contains('.')) path += ".KVX";
    UnZoom();
    if (!m_doc.WriteTo(path)) return false;
    m_lastFolder = QFileInfo(path).absolutePath();
    SetInputCaption();
    m_doc.AddRecentFile(path);
    FixFileNameList();
    return true;
}

void TKOVAMDI::OpenFileItem(const QString& path) {
    if (m_doc.Running() || !AskSaveChanges()) return;
    if (QFileInfo::exists(path)) {
        if (OpenFile(path)) {
            m_lastFolder = QFileInfo(path).absolutePath();
            QDir::setCurrent(m_lastFolder);
        }
    } else {
        m_doc.ShowError((path + " no longer exists.").toStdString());
        m_doc.RemoveRecentFile(path);
        FixFileNameList();
    }
    UpdateMenu();
}

bool TKOVAMDI::ChangeSubject(ProbTypeA subject, bool keep) {
    // The save question comes before the new subject is stored, so Cancel keeps all.
    if (!AskSaveChanges()) {
        UpdateMenu();
        return false;
    }
    const Problem& p = m_doc.problem();
    bool keepGeometry = false;
    if (keep && p.nodes.Count() > 0)
        keepGeometry = m_doc.AskQuestion("Transfer Problem Definition to New Subject",
                                         "Do you wish to keep the current problem definition?",
                                         false) != Answer::No;
    UnZoom();
    ApplySubjectChange(m_doc.problem(), subject, keepGeometry);
    m_doc.calculation() = CalculationState{};
    Redraw();
    return true;
}

void TKOVAMDI::FileCommand(Cmd cmd) {
    switch (cmd) {
        case Cmd::New:
            if (!AskSaveChanges()) return;
            UnZoom();
            m_doc.NewProblem();
            SetInputCaption();
            m_mdi->setActiveSubWindow(m_inputSub);
            m_doc.ShowStatusText("", StatusPanel::Info);
            Redraw();
            break;
        case Cmd::Open: {
            if (!AskSaveChanges()) return;
            QFileDialog dialog(this, "Open", m_lastFolder, kFilter);
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setFileMode(QFileDialog::ExistingFile);
            dialog.setDefaultSuffix("kvx");
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
            const QString path = dialog.selectedFiles().first();
            m_lastFolder = QFileInfo(path).absolutePath();
            OpenFile(path);
            break;
        }
        case Cmd::Save:
            Save();
            break;
        case Cmd::SaveAs:
            SaveAs();
            break;
        case Cmd::CopyToClipboard:
            // The picture of the window in front: a result window's, else the drawing.
            if (TOutputForm* form = m_results->window(m_results->FrontKind()))
                QApplication::clipboard()->setImage(form->picture());
            else
                QApplication::clipboard()->setImage(m_input->canvas()->RenderImage());
            break;
        case Cmd::Quit:
            close();
            break;
        default:
            break;
    }
}

void TKOVAMDI::closeEvent(QCloseEvent* event) {
    if (m_doc.Running()) {
        // A transient run is cancelled, a steady one finishes; then the question.
        m_closeAfterRun = true;
        m_calcDlg->RequestAbort();
        event->ignore();
        return;
    }
    m_input->CancelInteraction();  // closing ends a gesture as its cancel does
    m_doc.SaveRecentFiles();
    if (!m_sessionAnswered && !AskSaveChanges()) {
        event->ignore();
        return;
    }
    m_closing = true;
    m_doc.problem().resultsCurrent = false;
    m_calcDlg->hide();
    event->accept();
}

void TKOVAMDI::CommitData(QSessionManager& manager) {
    const Problem& p = m_doc.problem();
    const bool unsaved = p.nodes.Count() > 0 && !p.settings.problemSaved;
    const bool mayAsk = unsaved && !m_doc.Running() && manager.allowsInteraction();
    const bool goOn = EndSession(mayAsk);
    if (mayAsk) manager.release();
    if (!goOn) manager.cancel();
}

bool TKOVAMDI::EndSession(bool mayAsk) {
    m_doc.SaveRecentFiles();
    if (m_doc.Running()) {
        // The worker is never waited on: a transient run is cancelled, a steady one
        // finishes, and the session's end is refused until then.
        m_closeAfterRun = true;
        m_calcDlg->RequestAbort();
        return false;
    }
    const Problem& p = m_doc.problem();
    if (p.nodes.Count() == 0 || p.settings.problemSaved) return true;
    if (!mayAsk || !AskSaveChanges()) return false;
    m_sessionAnswered = true;
    return true;
}

void TKOVAMDI::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls[0].isLocalFile() && IsProblemFileName(urls[0].toLocalFile()) &&
        !m_doc.Running())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TKOVAMDI::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !IsProblemFileName(urls[0].toLocalFile()) || m_doc.Running()) return;
    event->acceptProposedAction();
    if (!AskSaveChanges()) return;
    OpenFile(urls[0].toLocalFile());
    UpdateMenu();
}

// --- Setup ------------------------------------------------------------------------------

void TKOVAMDI::SetupCommand(Cmd cmd) {
    Problem& p = m_doc.problem();
    CalculationState& calc = m_doc.calculation();
    switch (cmd) {
        case Cmd::ScaleAndSize:
            ScaleAndSize();
            break;
        case Cmd::Cartesian:
        case Cmd::Cylindrical:
            UnZoom();
            SwitchGeometry(p, cmd == Cmd::Cylindrical);
            Redraw();
            break;
        case Cmd::SteadyState:
            p.settings.transient = false;
            p.settings.problemSaved = false;
            break;
        case Cmd::Transient:
            if (!p.settings.transient) p.resultsCurrent = false;
            p.settings.transient = true;
            p.settings.problemSaved = false;
            break;
        case Cmd::TemperaturesRelative:
        case Cmd::TemperaturesAbsolute: {
            const ResultLevelAccess results = [&calc](int level) -> std::span<Real> {
                if (!calc.results.HasLevel(level)) return {};
                return calc.results.Level(level);
            };
            SetAbsoluteTemperatures(p, cmd == Cmd::TemperaturesAbsolute, results);
            Redraw();
            break;
        }
        default:
            break;
    }
}

void TKOVAMDI::ScaleAndSize() {
    UnZoom();
    ClientArea client;
    client.width = m_input->ClientSize().width();
    client.height = m_input->ClientSize().height();
    TUnitsScaleDlg dialog(m_doc.problem(), client, this);
    if (dialog.exec() == QDialog::Accepted) Redraw();
}

void TKOVAMDI::CenterAndSetDisplaySize() {
    TChangeSizeDlg size(this);
    if (size.exec() != QDialog::Accepted) return;
    Refit(size.Position() / 10.0);
}

bool TKOVAMDI::Refit(double share) {
    UnZoom();
    Problem& p = m_doc.problem();
    SaveUndoSnapshot(p, "Center and Set Display Size");
    ScaleSizeEntry entry = ShownScaleAndSize(p);
    entry.fitSize = true;
    ClientArea client;
    client.width = m_input->ClientSize().width();
    client.height = m_input->ClientSize().height();
    client.share = share;
    const QtTextMetrics metrics;
    const bool ok = ApplyScaleAndSize(p, entry, client, metrics, true).ok();
    if (!ok) p.undoList.pop_back();
    Redraw();
    UpdateMenu();
    return ok;
}

// --- Display ----------------------------------------------------------------------------

void TKOVAMDI::DisplayCommand(Cmd cmd) {
    ProblemSettings& s = m_doc.problem().settings;
    switch (cmd) {
        case Cmd::Zoom:
            // Zooming in takes its rectangle in the window in front; normal size is the
            // same for every window.
            if (TOutputForm* form = m_results->window(m_results->FrontKind());
                form != nullptr && !m_doc.zoom().zoomed) {
                form->StartZoom();
                return;
            }
            m_input->ZoomCommand();
            m_results->Refresh();
            return;
        case Cmd::ShowGrid:
            s.displayGrid = !s.displayGrid;
            break;
        case Cmd::HideElementLines:
            s.displayElementLines = !s.displayElementLines;
            break;
        case Cmd::HideNodePositions:
            s.displayNodes = !s.displayNodes;
            break;
        case Cmd::ShowNodeNumbers:
            s.displayNodeNumbers = !s.displayNodeNumbers;
            break;
        case Cmd::HidePatterns:
            s.displayPatterns = !s.displayPatterns;
            break;
        case Cmd::HideBoundConditions:
            s.displayBoundaryConditions = !s.displayBoundaryConditions;
            break;
        case Cmd::ShowText:
            s.displayText = !s.displayText;
            break;
        case Cmd::ShowAxes:
            s.displayAxes = !s.displayAxes;
            break;
        case Cmd::ShowTemplate:
            s.displayTemplate = !s.displayTemplate;
            break;
        case Cmd::CenterAndSetDisplaySize:
            CenterAndSetDisplaySize();
            break;
        default:
            break;
    }
    Redraw();
}

// --- Run --------------------------------------------------------------------------------

void TKOVAMDI::RunCommand(Cmd cmd) {
    Problem& p = m_doc.problem();
    switch (cmd) {
        case Cmd::Check: {
            CheckCommand(p, m_doc.calculation(), &m_doc.keys());
            Redraw();
            break;
        }
        case Cmd::Calculate:
            Calculate(false);
            break;
        case Cmd::Continue:
            ClearSelection(p);
            Calculate(true);
            break;
        default:
            break;
    }
}

void TKOVAMDI::Calculate(bool continueRun) {
    Problem& p = m_doc.problem();
    const bool transient = p.settings.transient;
    m_calcDlg->StartRun(transient);
    // The window paints from its last picture while the worker owns the problem.
    m_input->SetFrozen(true);
    auto setup = [this]() {
        TTransientDlg dialog(m_doc.problem(), m_doc.calculation(), this);
        return dialog.exec() == QDialog::Accepted;
    };
    if (!m_doc.StartCalculation(continueRun, setup, &m_calcDlg->progress())) {
        m_input->SetFrozen(false);
        return;
    }
    // The sparse solver's bandwidth may arrive after the run; once results are stale it
    // is no longer wanted.
    m_calcDlg->ShowBandwidthWhenKnown(m_doc.runBandwidth(),
                                      [this] { return !m_doc.problem().resultsCurrent; });
    m_calcDlg->show();
    m_calcDlg->raise();
}

void TKOVAMDI::CalculationEnded() {
    m_calcDlg->RunEnded();
    const CalculationOutcome& outcome = m_doc.lastOutcome();
    if (!outcome.ran) m_calcDlg->hide();
    m_input->SetFrozen(false);
    // The time panel shows the time of the step the result windows show.
    m_shownTime = QString::fromStdString(DisplayedTimeText(m_doc.problem(), m_doc.calculation()));
    if (!m_shownTime.isEmpty()) m_doc.ShowStatusText(m_shownTime.toStdString(), StatusPanel::Time);
    Redraw();
    UpdateMenu();
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        close();
    }
}

// --- View -------------------------------------------------------------------------------

QString TKOVAMDI::DescriptionFile() const {
    if (!m_doc.HasName()) return {};
    const QFileInfo info(m_doc.fileName());
    for (const char* ext : {".PDF", ".pdf"}) {
        const QString pdf = info.absolutePath() + "/" + info.completeBaseName() + ext;
        if (QFileInfo::exists(pdf)) return pdf;
    }
    return {};
}

void TKOVAMDI::ViewCommand(Cmd cmd) {
    switch (cmd) {
        case Cmd::ViewInput:
            m_mdi->setActiveSubWindow(m_inputSub);
            if (m_inputSub->isMinimized()) m_inputSub->showMaximized();
            break;
        case Cmd::ViewContours:
            m_results->ContoursCommand();
            break;
        case Cmd::ViewGradients:
            m_results->GradientsCommand();
            break;
        case Cmd::ViewValues:
            m_results->ValuesCommand();
            break;
        case Cmd::ViewFlows:
            m_results->FlowsCommand();
            break;
        case Cmd::ViewBalances:
            m_results->BalancesCommand();
            break;
        case Cmd::ProblemDescription: {
            const QString pdf = DescriptionFile();
            if (!pdf.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(pdf));
            break;
        }
        default:
            break;
    }
}

void TKOVAMDI::Undo() {
    Problem& p = m_doc.problem();
    ClearSelection(p);
    // The zoom stays: the snapshot's positions are mapped into the view of the moment.
    UndoInView(p, m_doc.zoom());
    Redraw();
}

void TKOVAMDI::FitInputBehind() {
    const Qt::WindowStates state = m_inputSub->windowState();
    if ((state & (Qt::WindowMaximized | Qt::WindowMinimized)) != 0) return;
    if (m_mdi->activeSubWindow() == m_inputSub) return;
    // The frame lies outside the area, so the drawing has the maximised size exactly.
    const QPoint offset = m_input->pos();
    const QSize frame = m_inputSub->size() - m_input->size();
    const QRect fit(m_mdi->viewport()->rect().topLeft() - offset,
                    m_mdi->viewport()->size() + frame);
    if (m_inputSub->geometry() != fit) m_inputSub->setGeometry(fit);
}

bool TKOVAMDI::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_mdi->viewport() && event->type() == QEvent::Resize) FitInputBehind();
    return QMainWindow::eventFilter(watched, event);
}

void TKOVAMDI::Redraw() {
    m_input->InvalidateDrawing();
    if (m_results != nullptr) m_results->Refresh();
}

}  // namespace kova::ui
