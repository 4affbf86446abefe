// What the kova-batch subcommands share: a reporter that prints, loading a problem file
// with the exit code of a failure, and the one-line usage message.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "files/safe_file_writer.hpp"
#include "model/problem.hpp"
#include "platform/reporter.hpp"
#include "platform/run_progress.hpp"

namespace kova::cli {

// Errors go to stderr at once; information-panel texts are echoed to `echo` (stdout,
// stderr or nowhere) as they appear. Questions are answered No.
class BatchReporter : public Reporter {
public:
    enum class Echo { None, Out, Err };
    explicit BatchReporter(Echo echo = Echo::None) : m_echo(echo) {}
    void SetEcho(Echo echo) { m_echo = echo; }
    void Beep() override {}
    Answer Ask(const std::string&, bool) override { return Answer::No; }
    const std::vector<std::string>& Errors() const { return m_errors; }

protected:
    void DoShowError(const std::string& text) override;
    void DoShowStatusText(const std::string& text, StatusPanel panel) override;

private:
    Echo m_echo;
    std::vector<std::string> m_errors;
};

// Progress of a long command: status lines (trimmed, empty ones dropped) to a stream,
// the gauge as a bar on stderr while it is shown and `bar` is set (stderr is a
// terminal). A cancel is requested when `cancelRequested` says so.
class BatchProgress : public RunProgress {
public:
    BatchProgress(std::ostream& lines, bool bar, std::function<bool()> cancelRequested = {})
        : m_lines(lines), m_bar(bar), m_cancelRequested(std::move(cancelRequested)) {}
    void SetCaption(const std::string& caption) override { Print(caption); }
    void SetLine(int, const std::string& text) override { Print(text); }
    void ShowGauge(bool shown) override { m_gaugeShown = shown; }
    void SetGauge(int percent) override;
    bool CancelRequested() override { return m_cancelRequested && m_cancelRequested(); }
    void SetButtonCaption(const std::string&) override {}
    void Close() override { EndBar(); }

private:
    void Print(const std::string& text);
    void EndBar();

    std::ostream& m_lines;
    bool m_bar;
    std::function<bool()> m_cancelRequested;
    bool m_gaugeShown = false;
    bool m_barOpen = false;
    int m_lastPercent = -1;
};

// Prints "kova-batch: <text>" as one line on stderr.
void PrintError(const std::string& text);

// The one-line refusal of an output file, "<what> '<path>': cannot write a file there",
// followed by the reason unless the path names a folder or a folder that does not exist,
// where the short form speaks for itself.
std::string CannotWriteMessage(const std::string& what, const std::string& path,
                               const FileWriteResult& result);

// Loads `path` into `problem`: 0, or 66 after a one-line message naming the file
// (missing, a directory, unreadable, or not a problem file).
int LoadProblem(Problem& problem, const std::string& path);

}  // namespace kova::cli
