// The progress of a solve that runs on a worker thread. The worker reports through this
// queue as through any RunProgress; the window thread replays the queued calls on its
// real display whenever it likes, so the worker never touches a window and the window
// thread never waits on the worker. A cancel request (Abort) is an atomic flag that any
// thread may raise.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/run_progress.hpp"

namespace kova {

class RunProgressQueue : public RunProgress {
public:
    // `notify`, when given, is called on the worker after each call it queues, so that a
    // front end can ask its window thread to deliver (for instance by posting an event);
    // it must not block and must not call DeliverTo itself.
    explicit RunProgressQueue(std::function<void()> notify = {});

    // Any thread: the next CancelRequested (between two levels) finds a cancel.
    void RequestCancel() { m_cancel.store(true); }

    // Window thread: replays the calls queued so far on `display`, in order, and
    // returns how many there were. A run of gauge steps that the window thread has not
    // seen yet arrives as its last value only.
    int DeliverTo(RunProgress& display);

    // Worker side.
    void SetCaption(const std::string& caption) override;
    void SetLine(int line, const std::string& text) override;
    void ShowGauge(bool shown) override;
    void SetGauge(int percent) override;
    bool CancelRequested() override { return m_cancel.exchange(false); }
    void SetButtonCaption(const std::string& caption) override;
    void Close() override;

private:
    enum class Kind { Caption, Line, ShowGauge, Gauge, Button, Close };
    struct Call {
        Kind kind;
        int number = 0;  // the line, the gauge's percent, or whether it is shown
        std::string text;
    };
    void Push(Call call);

    std::mutex m_mutex;
    std::vector<Call> m_calls;  // guarded by m_mutex
    std::atomic<bool> m_cancel{false};
    std::function<void()> m_notify;
};

}  // namespace kova
