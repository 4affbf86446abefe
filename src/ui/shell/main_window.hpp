// The main window (TKOVAMDI): menus, status panels and the multiple-document area with
// the input window. Every menu command is routed here, by menu, to the document and the
// core; after each command UpdateMenu recomputes the menu state and copies it onto the
// actions.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>

#include "shell/document.hpp"
#include "shell/menu_state.hpp"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSessionManager;

class QProgressBar;

namespace kova::ui {

class TInputForm;
class TCalcDlg;
class InputEditor;
class ResultWindows;

class TKOVAMDI : public QMainWindow {
    Q_OBJECT
public:
    TKOVAMDI();
    ~TKOVAMDI() override;

    // After the window is shown: the input window's height becomes RefHeight, and a file
    // named on the command line is read.
    void Start(const QString& fileArgument = {});

    Document& document() { return m_doc; }
    TInputForm* inputWindow() { return m_input; }
    QMdiSubWindow* inputSubWindow() { return m_inputSub; }
    QAction* action(Cmd cmd) { return m_actions[static_cast<std::size_t>(cmd)]; }
    QMenu* menu(Menu m) { return m_menus[static_cast<std::size_t>(m)]; }
    const MenuState& menuState() const { return m_state; }
    QList<QAction*> recentFileActions() const { return m_recentActions; }
    TCalcDlg* calcDialog() { return m_calcDlg; }
    InputEditor* editor() { return m_editor.get(); }
    ResultWindows* resultWindows() { return m_results; }
    QLabel* panel(StatusPanel p);
    // The mesh gauge, shown while Reduce Mesh refines the elements.
    QProgressBar* meshGauge() { return m_meshGauge; }

    // The commands, by menu.
    void Route(Cmd cmd);
    void UpdateMenu();

    // AskSaveChanges: true to go on (saved or not wanted), false to abandon the command.
    bool AskSaveChanges();
    bool OpenFile(const QString& path);
    bool Save();
    bool SaveAs();
    void OpenFileItem(const QString& path);
    bool ChangeSubject(ProbTypeA subject, bool keep);

    // "Center and Set Display Size" with the drawing filling `share` of the window,
    // undoable; false (and nothing changed) when it cannot be done.
    bool Refit(double share);

    // Logging out or shutting down: the save question as Quit asks it; Cancel (or a run
    // still going) asks the session manager to cancel.
    void CommitData(QSessionManager& manager);
    // The decision behind it: false when the session's end must be cancelled. `mayAsk`
    // is the session manager's leave to show the question; without it unsaved work
    // refuses the end rather than being dropped.
    bool EndSession(bool mayAsk);

    // The dialogs' start folder.
    QString lastFolder() const { return m_lastFolder; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The input window behind a maximised result window keeps the whole area, so its
    // drawing is computed at the size it shows when it comes back to the front.
    void FitInputBehind();
    void CreateActions();
    void CreateMenus();
    void CreateStatusBar();
    void FixFileNameList();
    void ApplyMenuState();
    MenuInputs Inputs() const;

    void FileCommand(Cmd cmd);
    void SetupCommand(Cmd cmd);
    void DisplayCommand(Cmd cmd);
    void RunCommand(Cmd cmd);
    void ViewCommand(Cmd cmd);
    void Undo();
    void ScaleAndSize();
    void CenterAndSetDisplaySize();
    void Calculate(bool continueRun);
    void CalculationEnded();
    void Redraw();
    void UnZoom();
    void SetInputCaption();
    QString DescriptionFile() const;

    Document m_doc;
    QMdiArea* m_mdi = nullptr;
    QMdiSubWindow* m_inputSub = nullptr;
    TInputForm* m_input = nullptr;
    TCalcDlg* m_calcDlg = nullptr;
    std::unique_ptr<InputEditor> m_editor;  // the input window's editing gestures
    ResultWindows* m_results = nullptr;
    std::array<QAction*, kCmdCount> m_actions{};
    std::array<QMenu*, kMenuCount> m_menus{};
    QList<QAction*> m_recentActions;
    QAction* m_recentSeparator = nullptr;
    QLabel* m_coords = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_info = nullptr;
    QProgressBar* m_meshGauge = nullptr;
    MenuState m_state;
    QString m_lastFolder;
    QString m_shownTime;  // the results time the time panel was given, while current
    bool m_closeAfterRun = false;
    bool m_closing = false;
    // The save question was answered for the session's end; the close that follows does
    // not ask again. Any command clears it.
    bool m_sessionAnswered = false;
};

// Whether a path names a problem file by its extension (.KVX in any case).
bool IsProblemFileName(const QString& path);

}  // namespace kova::ui
