// What the kova-batch subcommands share: a reporter that prints, loading a problem file
// with the exit code of a failure, and the one-line usage message.
#pragma once

#include <string>
#include <vector>

#include "model/problem.hpp"
#include "platform/reporter.hpp"

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

// Prints "kova-batch: <text>" as one line on stderr.
void PrintError(const std::string& text);

// Loads `path` into `problem`: 0, or 66 after a one-line message naming the file
// (missing, a directory, unreadable, or not a problem file).
int LoadProblem(Problem& problem, const std::string& path);

}  // namespace kova::cli
