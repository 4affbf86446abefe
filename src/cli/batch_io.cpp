#include "batch_io.hpp"

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

void BatchReporter::DoShowError(const std::string& text) {
    m_errors.push_back(text);
    PrintError(text);
}

void BatchReporter::DoShowStatusText(const std::string& text, StatusPanel panel) {
    if (panel != StatusPanel::Info || text.empty() || m_echo == Echo::None) return;
    (m_echo == Echo::Out ? std::cout : std::cerr) << text << std::endl;
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
