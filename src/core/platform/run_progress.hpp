// The progress display of a calculation: a caption, three status lines, a gauge for the
// levels of a transient run and a cancel request. The desktop shows a modeless dialog
// with an Abort button; kova-batch prints the lines and draws a bar; tests record.
#pragma once

#include <string>
#include <vector>

namespace kova {

class RunProgress {
public:
    virtual ~RunProgress() = default;

    virtual void SetCaption(const std::string& caption) = 0;
    // Status line 1..3; line 1 is shown centred.
    virtual void SetLine(int line, const std::string& text) = 0;
    // The gauge is shown for transient runs only.
    virtual void ShowGauge(bool shown) = 0;
    virtual void SetGauge(int percent) = 0;
    // Takes a pending cancel request (a press on Abort) and reports whether there was
    // one. Called between the levels of a transient run only.
    virtual bool CancelRequested() = 0;
    // The button's caption: "Abort" while calculating, "Continue" afterwards.
    virtual void SetButtonCaption(const std::string& caption) = 0;
    // Closes the display at once (failures other than a cancel).
    virtual void Close() = 0;
};

// Records everything; a cancel is requested when the gauge call for a chosen level
// arrives (counting gauge calls from 0), so tests can cancel "during level L".
class RecordingProgress : public RunProgress {
public:
    void SetCaption(const std::string& caption) override { captions.push_back(caption); }
    void SetLine(int line, const std::string& text) override {
        if (line >= 1 && line <= 3) lines[static_cast<std::size_t>(line - 1)].push_back(text);
    }
    void ShowGauge(bool shown) override { gaugeShown = shown; }
    void SetGauge(int percent) override { gauge.push_back(percent); }
    bool CancelRequested() override {
        ++polls;
        if (cancelAtPoll >= 0 && polls - 1 == cancelAtPoll) return true;
        return false;
    }
    void SetButtonCaption(const std::string& caption) override { button = caption; }
    void Close() override { closed = true; }

    std::vector<std::string> captions;
    std::vector<std::string> lines[3];
    std::vector<int> gauge;
    bool gaugeShown = false;
    int polls = 0;
    int cancelAtPoll = -1;  // the poll (0-based) that finds a cancel request
    std::string button;
    bool closed = false;
};

}  // namespace kova
