// kova-batch mesh IN.KVX OUT.KVX [--reduce N]: divides every distributed frame of a
// problem into triangles, refines the mesh N times, prints the node and element counts
// and writes the result. Nothing is written when a frame cannot be meshed or a
// reduction is refused, so a half-meshed problem never replaces a good file.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "batch_io.hpp"
#include "commands.hpp"
#include "editing/mesh_commands.hpp"
#include "files/problem_file.hpp"
#include "files/safe_file_writer.hpp"
#include "model/problem.hpp"
#include "solver/element_table.hpp"

namespace kova::cli {
namespace {

// One line per message on the error stream; the information panel's last text is kept
// for refusals that only show it there.
class ConsoleReporter : public Reporter {
public:
    void Beep() override {}
    // A batch run has nobody to ask: the commands go on.
    Answer Ask(const std::string&, bool) override { return Answer::Yes; }
    int ErrorCount() const { return m_errors; }

protected:
    void DoShowError(const std::string& text) override {
        ++m_errors;
        std::cerr << "kova-batch: " << OneLine(text) << "\n";
    }
    void DoShowStatusText(const std::string&, StatusPanel) override {}

private:
    static std::string OneLine(std::string text) {
        for (char& c : text)
            if (c == '\n' || c == '\r') c = ' ';
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }
    int m_errors = 0;
};

// The number of elements the element builder finds in the current segments.
int ElementCount(Problem& problem) {
    const Selection before = problem.selection;
    for (LineSegment& s : problem.lines) s.elementCount = 0;
    ElementTable table;
    CheckMarks marks;
    const int count = BuildElements(problem, table, marks) ? table.Count() : 0;
    for (LineSegment& s : problem.lines) s.elementCount = 0;
    problem.selection = before;
    return count;
}

// The distributed frames without element lines. A frame that holds element lines was
// meshed before (by hand or by an earlier run) and is left as it is.
std::vector<int> UnmeshedFrames(const Problem& problem) {
    std::vector<int> frames;
    for (int k = 1; k <= problem.frameCount; ++k) {
        if (!problem.FrameIsDistributed(k)) continue;
        bool hasLines = false;
        for (const LineSegment& s : problem.lines)
            if (s.frameA == k && s.frameB == k) hasLines = true;
        if (!hasLines) frames.push_back(k);
    }
    return frames;
}

struct MeshOptions {
    std::string input;
    std::string output;
    int reductions = 0;
};

int RunMesh(const MeshOptions& options) {
    // The output is checked first, so that no mesh is made for a file that cannot be
    // written.
    if (const FileWriteResult output = CheckWritableFile(options.output); !output.Ok()) {
        PrintError(CannotWriteMessage("output", options.output, output));
        return kExitCalculationFailed;
    }
    Problem problem;
    ConsoleReporter reporter;
    problem.SetReporter(&reporter);
    if (!ReadProblemFile(problem, options.input)) {
        if (reporter.ErrorCount() == 0)
            std::cerr << "kova-batch: cannot read " << options.input << "\n";
        return kExitUnreadable;
    }

    // Without a frame selection AutoMesh takes every frame; otherwise only the frames
    // not meshed yet are chosen.
    ClearSelection(problem);
    const std::vector<int> frames = UnmeshedFrames(problem);
    AutoMeshResult meshed;
    if (!frames.empty()) {
        if (static_cast<int>(frames.size()) < problem.frameCount) {
            problem.selection.state = SelectType::Frames;
            for (const int k : frames) problem.selection.items.push_back(NumberItem(k));
        }
        meshed = AutoMesh(problem);
        ClearSelection(problem);
    }
    if (!meshed.failed.empty()) {
        std::cerr << "kova-batch: " << meshed.failed.size()
                  << " frame(s) could not be meshed; nothing written\n";
        return kExitCalculationFailed;
    }
    // Each reduction quadruples the elements, so the last ones take long: a line per
    // reduction on stderr (stdout keeps the counts alone), with a bar while stderr is a
    // terminal.
    BatchProgress progress(std::cerr, isatty(STDERR_FILENO) != 0);
    progress.ShowGauge(options.reductions > 0);
    for (int pass = 1; pass <= options.reductions; ++pass) {
        progress.SetLine(1, "Reducing mesh, pass " + std::to_string(pass) + " of " +
                                std::to_string(options.reductions) + ": " +
                                std::to_string(problem.nodes.Count()) + " nodes");
        const ReduceOutcome outcome =
            ReduceMesh(problem, [&progress](int percent) { progress.SetGauge(percent); });
        progress.Close();
        if (outcome == ReduceOutcome::Reduced) continue;
        const std::string& info = reporter.StatusText(StatusPanel::Info);
        if (!info.empty()) std::cerr << "kova-batch: " << info << "\n";
        std::cerr << "kova-batch: reduction " << pass << " of " << options.reductions
                  << " was refused; nothing written\n";
        return kExitCalculationFailed;
    }
    ClearSelection(problem);

    const int elements = ElementCount(problem);
    if (!WriteProblemFile(problem, options.output)) {
        if (reporter.ErrorCount() == 0)
            std::cerr << "kova-batch: cannot write " << options.output << "\n";
        return kExitCalculationFailed;
    }
    std::cout << "frames meshed: " << meshed.meshed.size() << "\n"
              << "nodes: " << problem.nodes.Count() << "\n"
              << "elements: " << elements << "\n";
    return kExitOk;
}

}  // namespace

void RegisterMeshCommand(CLI::App& app, CommandAction& action) {
    auto options = std::make_shared<MeshOptions>();
    CLI::App* sub = app.add_subcommand(
        "mesh", "AutoMesh every distributed frame, reduce the mesh N times, write the result");
    sub->add_option("input", options->input, "problem file to mesh (.KVX)")->required();
    sub->add_option("output", options->output, "problem file to write (.KVX)")->required();
    sub->add_option("--reduce", options->reductions, "number of mesh reductions after meshing")
        ->check(CLI::Range(0, 20));
    sub->callback([&action, options] { action = [options] { return RunMesh(*options); }; });
}

}  // namespace kova::cli
