#include "run/run_progress_queue.hpp"

#include <utility>

namespace kova {

RunProgressQueue::RunProgressQueue(std::function<void()> notify) : m_notify(std::move(notify)) {}

void RunProgressQueue::Push(Call call) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        // A gauge step replaces the one before it that nobody has seen yet, so a window
        // thread that falls behind a fast run does not replay every level.
        if (call.kind == Kind::Gauge && !m_calls.empty() && m_calls.back().kind == Kind::Gauge)
            m_calls.back() = std::move(call);
        else
            m_calls.push_back(std::move(call));
    }
    if (m_notify) m_notify();
}

void RunProgressQueue::SetCaption(const std::string& caption) {
    Push({Kind::Caption, 0, caption});
}
void RunProgressQueue::SetLine(int line, const std::string& text) {
    Push({Kind::Line, line, text});
}
void RunProgressQueue::ShowGauge(bool shown) {
    Push({Kind::ShowGauge, shown ? 1 : 0, {}});
}
void RunProgressQueue::SetGauge(int percent) {
    Push({Kind::Gauge, percent, {}});
}
void RunProgressQueue::SetButtonCaption(const std::string& caption) {
    Push({Kind::Button, 0, caption});
}
void RunProgressQueue::Close() {
    Push({Kind::Close, 0, {}});
}

int RunProgressQueue::DeliverTo(RunProgress& display) {
    std::vector<Call> calls;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        calls.swap(m_calls);
    }
    // The display is called outside the lock: it may take its time (or show a box)
    // while the worker goes on queueing.
    for (const Call& c : calls) {
        switch (c.kind) {
            case Kind::Caption:
                display.SetCaption(c.text);
                break;
            case Kind::Line:
                display.SetLine(c.number, c.text);
                break;
            case Kind::ShowGauge:
                display.ShowGauge(c.number != 0);
                break;
            case Kind::Gauge:
                display.SetGauge(c.number);
                break;
            case Kind::Button:
                display.SetButtonCaption(c.text);
                break;
            case Kind::Close:
                display.Close();
                break;
        }
    }
    return static_cast<int>(calls.size());
}

}  // namespace kova
