#include "batch_io.hpp"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "commands.hpp"
#include "files/problem_file.hpp"

namespace kova::cli {

void PrintError(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::cerr << "kova-batch: " << line << std::endl;
}

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

void BatchProgress::SetGauge(int percent) {
    // A command may report the same share many times over; the bar is drawn only when
    // it changes.
    if (!m_bar || !m_gaugeShown || (m_barOpen && percent == m_lastPercent)) return;
    m_lastPercent = percent;
    const int filled = std::clamp(percent, 0, 100) * 40 / 100;
    std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(40 - filled), ' ') << "] " << percent << "%"
              << std::flush;
    m_barOpen = true;
}

void BatchProgress::Print(const std::string& text) {
    const std::string line = Trimmed(text);
    if (line.empty()) return;
    EndBar();
    m_lines << line << std::endl;
}

void BatchProgress::EndBar() {
    if (!m_barOpen) return;
    std::cerr << std::endl;
    m_barOpen = false;
}

void BatchReporter::DoShowError(const std::string& text) {
    m_errors.push_back(text);
    PrintError(text);
}

void BatchReporter::DoShowStatusText(const std::string& text, StatusPanel panel) {
    if (panel != StatusPanel::Info || text.empty() || m_echo == Echo::None) return;
    (m_echo == Echo::Out ? std::cout : std::cerr) << text << std::endl;
}

std::string CannotWriteMessage(const std::string& what, const std::string& path,
                               const FileWriteResult& result) {
    std::string text = what + " '" + path + "': cannot write a file there";
    if (result.status != FileWriteStatus::IsDirectory && result.status != FileWriteStatus::NoFolder)
        text += ": " + result.reason;
    return text;
}

int LoadProblem(Problem& problem, const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        PrintError("cannot read '" + path + "': no such file");
        return kExitUnreadable;
    }
    if (fs::is_directory(status)) {
        PrintError("cannot read '" + path + "': it is a directory");
        return kExitUnreadable;
    }
    // The reader reports its own message (through the problem's reporter) on failure.
    if (!ReadProblemFile(problem, path)) {
        if (auto* r = dynamic_cast<BatchReporter*>(&problem.reporter()); r && r->Errors().empty())
            PrintError("cannot read '" + path + "'");
        return kExitUnreadable;
    }
    return kExitOk;
}

}  // namespace kova::cli
