// The progress dialog of a calculation ("Calculations in progress..."): three status
// lines, a gauge for transient runs and the Abort button, which becomes "Continue" when
// the run has ended. It is fed from the worker thread through RunProgress; every call
// is queued to the window thread, and a press on Abort sets a flag the worker polls.
// The sparse solver's bandwidth is searched beside the run and may be known only after
// it: the dialog asks for it on its own timer and shows it when it arrives.
#pragma once

#include <QDialog>
#include <atomic>
#include <functional>

#include "platform/run_progress.hpp"
#include "solver/equation_numbering_search.hpp"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kova::ui {

class TCalcDlg : public QDialog {
    Q_OBJECT
public:
    explicit TCalcDlg(QWidget* parent = nullptr);

    // The RunProgress the worker writes to; lives as long as the dialog.
    RunProgress& progress() { return m_progress; }

    void RequestAbort() { m_abort = true; }
    bool AbortPending() const { return m_abort; }
    // Prepares for a new run: Abort enabled only when the run can be cancelled.
    void StartRun(bool transient);
    // The run ended: the button reads "Continue" and closes the dialog.
    void RunEnded();
    // Info2 shows " Matrix Bandwidth = N" once `figure` is known. The figure is asked for
    // on the window thread's timer, never waited for; watching ends when it is shown, when
    // the run has ended without a search under way, or when `stale` (asked only after the
    // run) says the results went stale, which abandons the search.
    void ShowBandwidthWhenKnown(BandwidthFigure figure, std::function<bool()> stale);

    QLabel* Info1;
    QLabel* Info2;
    QLabel* Info3;
    QProgressBar* Gauge;
    QPushButton* Button;

private:
    void ButtonClick();
    void PollBandwidth();
    void StopWatchingBandwidth();

    class Progress : public RunProgress {
    public:
        explicit Progress(TCalcDlg& dialog) : m_dialog(dialog) {}
        void SetCaption(const std::string& caption) override;
        void SetLine(int line, const std::string& text) override;
        void ShowGauge(bool shown) override;
        void SetGauge(int percent) override;
        bool CancelRequested() override { return m_dialog.m_abort.exchange(false); }
        void SetButtonCaption(const std::string& caption) override;
        void Close() override;

    private:
        TCalcDlg& m_dialog;
    };

    Progress m_progress{*this};
    std::atomic<bool> m_abort{false};
    bool m_running = false;
    QTimer* m_bandwidthTimer;
    BandwidthFigure m_bandwidth;
    std::function<bool()> m_stale;
};

}  // namespace kova::ui
