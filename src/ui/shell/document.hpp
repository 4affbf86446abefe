// The document: the one problem, its calculation state and file name, the recent-file
// list, and the Reporter that shows the core's messages as boxes and status panels.
// Calls that reach the Reporter from the calculation's worker thread are handed to the
// window thread; an error box holds the worker until it is answered.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

#include "model/problem.hpp"
#include "platform/reporter.hpp"
#include "results/view_geometry.hpp"
#include "run/calculation.hpp"

class QWidget;
class QThread;

namespace kova::ui {

// The key state from Qt: Shift and Ctrl as the keyboard holds them now, for the commands
// whose meaning they change (the Check command's details, and the selecting gestures).
class QtKeyState : public KeyState {
public:
    bool ShiftHeld() const override;
    bool CtrlHeld() const override;
};

// Milliseconds and the date and time from Qt's clock.
class WallClock : public Clock {
public:
    std::uint64_t TickMilliseconds() const override;
    std::string DateTimeText() const override;
};

class Document : public QObject, public Reporter {
    Q_OBJECT
public:
    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    Problem& problem() { return *m_problem; }
    const Problem& problem() const { return *m_problem; }
    CalculationState& calculation() { return m_calc; }
    ZoomMemory& zoom() { return m_zoom; }

    // The platform's key state and clock, for every command and gesture that asks.
    const KeyState& keys() const { return m_keys; }
    const Clock& clock() const { return m_clock; }

    // The widget that message boxes are centred on.
    void SetDialogParent(QWidget* parent) { m_dialogParent = parent; }

    // "untitled" for a new problem.
    const QString& fileName() const { return m_fileName; }
    bool HasName() const { return !m_fileName.isEmpty() && m_fileName != "untitled"; }

    // Reads a problem file. A file that cannot be read is reported and leaves the open
    // problem, its name and the recent list as they were. True on success.
    bool ReadaFile(const QString& path);
    // Writes the problem to `path`; an existing file that may not be written gets
    // message 12, a folder that may not be written "Cannot open file " + path. The name
    // becomes `path` only once the file is written.
    bool WriteTo(const QString& path);
    // A new, empty problem of the current subject, named "untitled".
    void NewProblem();

    // The recent files, oldest first, at most 8; kept in the settings.
    const QStringList& recentFiles() const { return m_recent; }
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);
    void LoadRecentFiles();
    void SaveRecentFiles() const;

    // A question with a caption: the three-button save question and the like. Tests
    // answer through answerHook instead of a box.
    Answer AskQuestion(const QString& title, const QString& text, bool withCancel);

    // Reporter
    void Beep() override;
    Answer Ask(const std::string& text, bool withCancel) override;

    // Tests answer questions and take error texts here instead of boxes.
    std::function<Answer(const QString& title, const QString& text)> answerHook;
    std::function<void(const QString& text)> errorHook;
    QStringList errorsShown;  // every error box text, in order
    int beeps = 0;

    // The calculation: Calculate or Continue on a worker thread. `transientSetup` runs on
    // the window thread (the worker waits for it); `progress` receives the lines. The
    // worker ends with runFinished. False when a run is already under way.
    bool StartCalculation(bool continueRun, std::function<bool()> transientSetup,
                          RunProgress* progress);
    bool Running() const { return m_running; }
    const CalculationOutcome& lastOutcome() const { return m_outcome; }
    // The bandwidth figure of the run started last, a handle the window thread may keep
    // and ask at any time, also while the worker owns the calculation state.
    const BandwidthFigure& runBandwidth() const { return m_runBandwidth; }

signals:
    void statusTextChanged(int panel, const QString& text);
    void busyChanged(bool busy);
    void runFinished();

protected:
    void DoShowError(const std::string& text) override;
    void DoShowStatusText(const std::string& text, StatusPanel panel) override;
    void DoSetBusy(bool busy) override;

private:
    // Runs `f` on the window thread, waiting for it when called from another thread.
    void OnWindowThread(const std::function<void()>& f);

    std::unique_ptr<Problem> m_problem;
    QtKeyState m_keys;
    WallClock m_clock;
    CalculationState m_calc;
    ZoomMemory m_zoom;
    QString m_fileName = "untitled";
    QStringList m_recent;
    QPointer<QWidget> m_dialogParent;
    std::atomic<bool> m_running{false};
    QThread* m_worker = nullptr;
    BandwidthFigure m_runBandwidth;
    // The run under way: what its window-thread steps were handed and what the worker's
    // solve returned (written by the worker, read after it has finished).
    CalculationHooks m_hooks;
    PreparedCalculation m_prepared;
    SolverError m_code = SolverError::Ok;
    CalculationOutcome m_outcome;
};

}  // namespace kova::ui
