// kova-batch check: loads a problem and runs the configuration check, printing the
// information line (with the critical time-step estimate of a transient problem) and
// the items a problem was found in.
#include <iostream>
#include <string>

#include "batch_io.hpp"
#include "commands.hpp"
#include "run/calculation.hpp"

namespace kova::cli {
namespace {

// "Marked nodes: 3, 7" and its kin, from the check's error marks.
std::string MarkedItems(const Problem& problem) {
    const Selection& sel = problem.selection;
    if (sel.items.empty()) return "";
    std::string kind = "items";
    if (sel.state == SelectType::LineErrors) kind = "segments";
    if (sel.state == SelectType::NodeErrors) kind = "nodes";
    if (sel.state == SelectType::Frames) kind = "frames";
    std::string text = "Marked " + kind + ":";
    const int nodeCount = problem.nodes.Count();
    bool first = true;
    for (const SelectRec& item : sel.items) {
        text += first ? " " : ", ";
        first = false;
        if (item.segment != nullptr) {
            text += std::to_string(item.segment->node1) + "-" + std::to_string(item.segment->node2);
        } else if (sel.state == SelectType::NodeErrors && item.selectNo > nodeCount) {
            const Frame* f = problem.FrameAt(item.selectNo - nodeCount);
            text += "lump " +
                    std::string(1, static_cast<char>(f != nullptr ? f->lumpLetter : '?')) + " (" +
                    std::to_string(item.selectNo) + ")";
        } else {
            text += std::to_string(item.selectNo);
        }
    }
    return text;
}

int RunCheck(const std::string& path) {
    Problem problem;
    BatchReporter reporter;
    problem.SetReporter(&reporter);
    if (const int code = LoadProblem(problem, path); code != kExitOk) return code;
    CalculationState state;
    const CheckResult result = CheckCommand(problem, state);
    std::cout << reporter.StatusText(StatusPanel::Info) << std::endl;
    if (!result.ok || result.errorFound) {
        const std::string marked = MarkedItems(problem);
        if (!marked.empty()) std::cout << marked << std::endl;
        return kExitCheckFailed;
    }
    return kExitOk;
}

}  // namespace

void RegisterCheckCommand(CLI::App& app, CommandAction& action) {
    CLI::App* sub = app.add_subcommand(
        "check",
        "Load a problem file and check its configuration (exit 1 when a problem is found)");
    auto path = std::make_shared<std::string>();
    sub->add_option("PROBLEM", *path, "problem file (.KVX)")->required();
    sub->callback([&action, path] { action = [path] { return RunCheck(*path); }; });
}

}  // namespace kova::cli
