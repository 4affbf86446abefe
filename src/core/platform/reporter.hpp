// The narrow interfaces through which the core talks to the user. The desktop program
// shows real boxes and panels, kova-batch prints, and tests record what was said.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kova {

// The three panels of the main window's status bar that the core writes to.
enum class StatusPanel : std::uint8_t {
    Time = 3,    // TimeP
    Info = 4,    // InfoP
    Coords = 5,  // CoordsP
};

enum class Answer : std::uint8_t { Yes, No, Cancel };

// Error box, status panels, warning beep and questions. The panel texts are tracked
// here so that the rules about clearing them hold for every front end.
class Reporter {
public:
    virtual ~Reporter() = default;

    // The error box: beeps, then shows a box captioned "Error" and waits for OK.
    void ShowError(const std::string& text) {
        Beep();
        DoShowError(text);
    }

    // Writes a text into a status panel. An empty text for the information panel
    // clears it, except while it shows a text that begins with "Backup".
    void ShowStatusText(const std::string& text, StatusPanel panel) {
        std::string& current = m_panels[PanelIndex(panel)];
        if (text.empty() && panel == StatusPanel::Info && current.rfind("Backup", 0) == 0) {
            return;
        }
        current = text;
        DoShowStatusText(text, panel);
    }

    const std::string& StatusText(StatusPanel panel) const { return m_panels[PanelIndex(panel)]; }

    // The warning beep.
    virtual void Beep() = 0;

    // A question with Yes, No and (when withCancel) Cancel buttons.
    virtual Answer Ask(const std::string& text, bool withCancel) = 0;

    // The busy (hourglass) cursor while work that makes the user wait runs; uses nest,
    // and the cursor changes only when the outermost one begins or ends.
    void SetBusy(bool busy) {
        const int before = m_busyDepth;
        m_busyDepth = busy ? m_busyDepth + 1 : (m_busyDepth > 0 ? m_busyDepth - 1 : 0);
        if ((before == 0) != (m_busyDepth == 0)) DoSetBusy(m_busyDepth > 0);
    }
    bool Busy() const { return m_busyDepth > 0; }

protected:
    virtual void DoShowError(const std::string& text) = 0;
    virtual void DoShowStatusText(const std::string& text, StatusPanel panel) = 0;
    // Front ends without a cursor ignore it.
    virtual void DoSetBusy(bool) {}

private:
    static std::size_t PanelIndex(StatusPanel panel) {
        return static_cast<std::size_t>(panel) - static_cast<std::size_t>(StatusPanel::Time);
    }
    std::array<std::string, 3> m_panels;
    int m_busyDepth = 0;
};

// Shows the busy cursor for its lifetime.
class BusyCursor {
public:
    explicit BusyCursor(Reporter& reporter) : m_reporter(reporter) { m_reporter.SetBusy(true); }
    ~BusyCursor() { m_reporter.SetBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    Reporter& m_reporter;
};

// A reporter that says nothing and answers every question with a fixed answer; the
// problem uses it until the application gives it a real one.
class SilentReporter : public Reporter {
public:
    explicit SilentReporter(Answer answer = Answer::No) : m_answer(answer) {}
    void Beep() override {}
    Answer Ask(const std::string&, bool) override { return m_answer; }

protected:
    void DoShowError(const std::string&) override {}
    void DoShowStatusText(const std::string&, StatusPanel) override {}

private:
    Answer m_answer;
};

// Records everything in order; tests assert on the texts.
class RecordingReporter : public Reporter {
public:
    struct Event {
        enum class Kind : std::uint8_t { Error, Status, Beep, Question } kind;
        std::string text;
        StatusPanel panel = StatusPanel::Info;
    };

    void Beep() override { events.push_back({Event::Kind::Beep, {}, StatusPanel::Info}); }
    Answer Ask(const std::string& text, bool) override {
        events.push_back({Event::Kind::Question, text, StatusPanel::Info});
        Answer a = answers.empty() ? Answer::No : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return a;
    }

    std::vector<std::string> Errors() const { return TextsOf(Event::Kind::Error); }
    std::vector<std::string> Questions() const { return TextsOf(Event::Kind::Question); }
    int BeepCount() const {
        int n = 0;
        for (const auto& e : events) n += e.kind == Event::Kind::Beep ? 1 : 0;
        return n;
    }
    void Clear() { events.clear(); }

    std::vector<Event> events;
    std::vector<Answer> answers;      // given to the questions in order; No when exhausted
    std::vector<bool> cursorChanges;  // true: the busy cursor shown, false: taken away

protected:
    void DoShowError(const std::string& text) override {
        events.push_back({Event::Kind::Error, text, StatusPanel::Info});
    }
    void DoShowStatusText(const std::string& text, StatusPanel panel) override {
        events.push_back({Event::Kind::Status, text, panel});
    }
    void DoSetBusy(bool busy) override { cursorChanges.push_back(busy); }

private:
    std::vector<std::string> TextsOf(Event::Kind kind) const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.kind == kind) out.push_back(e.text);
        return out;
    }
};

// Millisecond ticks and the date and time, so that tests control them.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t TickMilliseconds() const = 0;
    virtual std::string DateTimeText() const = 0;
};

// Whether Shift and Ctrl are held.
class KeyState {
public:
    virtual ~KeyState() = default;
    virtual bool ShiftHeld() const = 0;
    virtual bool CtrlHeld() const = 0;
};

}  // namespace kova
