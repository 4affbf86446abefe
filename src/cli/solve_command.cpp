// kova-batch solve: loads, checks and calculates a problem as the Calculate command does
// (a transient problem with the time settings it stores), printing the status lines as
// they appear; optionally writes the table of nodal results, prints the flow across a
// path of segments at every stored level, and prints a JSON summary for scripts. The
// sparse solver does not need the bandwidth-minimising numbering, so its bandwidth is
// searched for only when asked (--bandwidth) and printed after the results are written.
// Ctrl+C during a transient run cancels between levels and keeps the completed ones.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "batch_io.hpp"
#include "commands.hpp"
#include "files/safe_file_writer.hpp"
#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "platform/run_progress.hpp"
#include "results/flows.hpp"
#include "results/node_table_text.hpp"
#include "run/calculation.hpp"

namespace kova::cli {
namespace {

std::atomic<int> g_interrupts{0};

extern "C" void OnInterrupt(int) {
    // The first Ctrl+C asks for a cancel between levels; a second one ends the program.
    if (g_interrupts.fetch_add(1) >= 1) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
}

class WallClock : public Clock {
public:
    std::uint64_t TickMilliseconds() const override {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
    std::string DateTimeText() const override { return ""; }
};

struct SolveOptions {
    std::string problem;
    std::string table;
    std::string format;
    std::string flowPath;
    std::string solver = "sparse";
    bool json = false;
    bool bandwidth = false;
};

std::optional<DecForm> ParseFormat(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon + 2 != text.size()) return std::nullopt;
    const std::string style = text.substr(0, colon);
    const char digit = text[colon + 1];
    if (digit < '0' || digit > '9') return std::nullopt;
    DecForm f;
    f.digits = static_cast<std::int16_t>(digit - '0');
    if (style == "fixed")
        f.style = kFixedStyle;
    else if (style == "float")
        f.style = kExponentialStyle;
    else if (style == "auto")
        f.style = kAutomaticStyle;
    else
        return std::nullopt;
    return f;
}

std::optional<std::vector<int>> ParseNodeList(const std::string& text) {
    std::vector<int> nodes;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        if (part.empty() || part.size() > 9 ||
            part.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        nodes.push_back(std::stoi(part));
    }
    if (nodes.size() < 2 || text.back() == ',') return std::nullopt;
    return nodes;
}

// The segment between two nodes, or null.
const LineSegment* SegmentBetween(const Problem& problem, int a, int b) {
    for (const LineSegment& s : problem.lines)
        if (s.active != 0 && ((s.node1 == a && s.node2 == b) || (s.node1 == b && s.node2 == a)))
            return &s;
    return nullptr;
}

// The checked arguments of one run.
struct SolveRequest {
    TableFormats formats;
    std::vector<int> pathNodes;
};

// A problem with the reporter that prints its messages, and what its calculation left.
struct SolveRun {
    SolveRun() { problem.SetReporter(&reporter); }
    SolveRun(const SolveRun&) = delete;
    SolveRun& operator=(const SolveRun&) = delete;

    Problem problem;
    BatchReporter reporter;
    CalculationState state;
    TransientSetupResult setup;
    CalculationOutcome outcome;
    std::string message;       // the outcome as the JSON summary gives it
    bool haveResults = false;  // a completed run, or the completed levels of a cancelled one
    int lastLevel = 0;         // the last level with results
};

// Status lines go to stdout, or to stderr when stdout carries the JSON summary.
std::ostream& StatusStream(const SolveOptions& o) {
    return o.json ? std::cerr : std::cout;
}

int ParseArguments(const SolveOptions& o, SolveRequest& request) {
    if (!o.format.empty()) {
        const std::optional<DecForm> f = ParseFormat(o.format);
        if (!f) {
            PrintError("--format '" + o.format +
                       "': expected auto:N, fixed:N or float:N with N from 0 to 9");
            return kExitUsage;
        }
        request.formats.coordinate = request.formats.value = request.formats.balance = *f;
    }
    if (!o.flowPath.empty()) {
        const auto nodes = ParseNodeList(o.flowPath);
        if (!nodes) {
            PrintError("--flow-path '" + o.flowPath +
                       "': expected two or more node numbers separated by commas");
            return kExitUsage;
        }
        request.pathNodes = *nodes;
    }
    return kExitOk;
}

int CheckTableWritable(const SolveOptions& o) {
    if (o.table.empty()) return kExitOk;
    const FileWriteResult result = CheckWritableFile(o.table);
    if (result.Ok()) return kExitOk;
    PrintError(CannotWriteMessage("--table", o.table, result));
    return kExitUsage;
}

int CheckFlowPathSegments(const Problem& problem, const std::vector<int>& pathNodes) {
    for (std::size_t i = 0; i + 1 < pathNodes.size(); ++i) {
        if (SegmentBetween(problem, pathNodes[i], pathNodes[i + 1]) == nullptr) {
            PrintError("--flow-path: nodes " + std::to_string(pathNodes[i]) + " and " +
                       std::to_string(pathNodes[i + 1]) + " are not joined by a line segment");
            return kExitUsage;
        }
    }
    return kExitOk;
}

// Check and calculation as the Calculate command runs them, with the status lines
// printed; the first Ctrl+C cancels between levels.
void Calculate(const SolveOptions& o, SolveRun& run) {
    run.reporter.SetEcho(o.json ? BatchReporter::Echo::Err : BatchReporter::Echo::Out);
    BatchProgress progress(StatusStream(o), isatty(STDERR_FILENO) != 0,
                           [] { return g_interrupts.load() > 0; });
    WallClock clock;
    CalculationHooks hooks;
    hooks.progress = &progress;
    hooks.clock = &clock;
    hooks.transientSetup = [&run] {
        run.setup = ApplyTransientSetup(run.problem, run.state, StoredTransientSetup(run.problem));
        if (!run.setup.ok()) {
            const std::string field = run.reporter.StatusText(StatusPanel::Info);
            PrintError("the problem's time settings were refused" +
                       (field.empty() ? std::string() : ": " + field));
        }
        return run.setup.ok();
    };
    run.state.solver = o.solver == "sparse" ? SolverKind::Sparse : SolverKind::Band;
    run.state.searchBandwidth = o.bandwidth;
    g_interrupts = 0;
    const auto previous = std::signal(SIGINT, OnInterrupt);
    run.outcome = DoCalcs(run.problem, run.state, hooks);
    std::signal(SIGINT, previous);
    progress.Close();
}

// The message of a finished run (printed here when the calculation failed without one)
// and which of its levels hold results.
void SummariseOutcome(SolveRun& run) {
    const SolverError code = run.outcome.code;
    run.message = run.outcome.caption;
    if (code != SolverError::Ok && code != SolverError::Cancelled) {
        const std::vector<std::string>& errors = run.reporter.Errors();
        run.message = errors.empty() ? "the calculation failed with result code " +
                                           std::to_string(SolverErrorNumber(code))
                                     : errors.back();
        if (errors.empty()) PrintError(run.message);
    }
    run.haveResults =
        code == SolverError::Ok || (code == SolverError::Cancelled && run.problem.resultsCurrent);
    run.lastLevel =
        run.problem.settings.transient ? run.state.currentLevel - run.state.stepStart : 0;
}

// A steady run's balances are combined over every frame, as the nodal balance view
// shows them.
void CombineBalances(SolveRun& run) {
    if (run.problem.settings.transient) return;
    std::vector<int> all;
    for (int k = 1; k <= run.problem.frameCount; ++k) all.push_back(k);
    CombineSteadyBalances(run.problem, run.state.balances, all);
}

// The first `levels` levels of a table.
ResultTable FirstLevels(const ResultTable& table, int levels) {
    ResultTable shown;
    shown.Allocate(levels, table.ValueCount());
    for (int i = 0; i < levels; ++i) shown.Level(i) = table.Level(i);
    return shown;
}

int WriteTable(const SolveOptions& o, const SolveRequest& request, const SolveRun& run) {
    const CalculationState& state = run.state;
    // A cancelled run shows the completed levels only.
    ResultTable shown;
    const ResultTable* results = &state.results;
    // Balances of a transient run are computed after its last level only.
    const bool balancesDone =
        !(run.problem.settings.transient && run.outcome.code == SolverError::Cancelled);
    const ResultTable* balances =
        state.balances.Empty() || !balancesDone ? nullptr : &state.balances;
    ResultTable shownBalances;
    if (run.problem.settings.transient && run.lastLevel + 1 < state.results.LevelCount()) {
        shown = FirstLevels(state.results, run.lastLevel + 1);
        results = &shown;
        if (balances != nullptr) {
            shownBalances = FirstLevels(state.balances, run.lastLevel + 1);
            balances = &shownBalances;
        }
    }
    const NodeTableText table(run.problem, *results, balances, request.formats);
    const FileWriteResult written =
        WriteFileSafely(o.table, table.SaveText(table.Everything(), LayoutForFileName(o.table)));
    if (!written.Ok()) {
        PrintError("--table '" + o.table + "': the file could not be written: " + written.reason);
        return kExitCalculationFailed;
    }
    StatusStream(o) << "Table written to " << o.table << std::endl;
    return kExitOk;
}

// The flow across the path at every level: printed as lines, or added to `flows` for
// the JSON summary.
int ReportFlows(const SolveOptions& o, const SolveRequest& request, SolveRun& run,
                nlohmann::json& flows) {
    Problem& problem = run.problem;
    const CalculationState& state = run.state;
    const FlowContext context{problem, state.checked.elements, state.results, &state.balances};
    FlowPath path;
    int bad = -1;
    if (!SelectNodePath(context, path, request.pathNodes, 0, bad)) {
        PrintError("--flow-path '" + o.flowPath + "' does not form a path of segments");
        return kExitUsage;
    }
    for (int level = 0; level <= run.lastLevel && state.results.HasLevel(level); ++level) {
        const Real time = state.results.Level(level)[0];
        const Real flow = SelectionFlow(context, path, level).value;
        if (o.json) {
            flows.push_back({static_cast<double>(time), static_cast<double>(flow)});
        } else {
            std::cout << FormatCell(request.formats.value, problem.settings.transient ? time : 0)
                      << ", " << FormatCell(request.formats.value, flow) << std::endl;
        }
    }
    return kExitOk;
}

// The bandwidth shown: the band solver's, or the sparse solver's once its search ends
// (asked for with --bandwidth, and then printed last of the status lines).
std::optional<int> ReportBandwidth(const SolveOptions& o, const SolveRun& run) {
    if (run.state.solver == SolverKind::Band) return run.state.bandwidth.Value();
    if (!o.bandwidth) return std::nullopt;
    const std::optional<int> bandwidth = run.state.bandwidth.Wait();
    if (bandwidth) StatusStream(o) << "Matrix Bandwidth = " << *bandwidth << std::endl;
    return bandwidth;
}

void PrintJsonSummary(const SolveRequest& request, const SolveRun& run,
                      const std::optional<int>& bandwidth, const nlohmann::json& flows) {
    const Problem& problem = run.problem;
    const CalculationState& state = run.state;
    nlohmann::json j;
    j["resultCode"] = SolverErrorNumber(run.outcome.code);
    j["message"] = run.message;
    j["unknowns"] = state.unknowns;
    if (bandwidth) j["bandwidth"] = *bandwidth;
    j["elements"] = state.checked.elements.Count();
    if (problem.settings.transient)
        j["levels"] = run.lastLevel;
    else
        j["iterations"] = state.iterations;
    j["seconds"] = run.outcome.seconds;
    nlohmann::json lumps = nlohmann::json::object();
    if (run.haveResults && state.results.HasLevel(run.lastLevel)) {
        const std::vector<Real>& v = state.results.Level(run.lastLevel);
        for (int k = 1; k <= problem.frameCount; ++k) {
            const Frame& f = problem.frames[k];
            if (!f.IsLump() || f.subtracted != 0) continue;
            lumps[std::string(1, static_cast<char>(f.lumpLetter))] =
                static_cast<double>(v[static_cast<std::size_t>(problem.nodes.Count() + k)]);
        }
    }
    j["lumps"] = lumps;
    if (!request.pathNodes.empty()) j["flowPath"] = flows;
    std::cout << j.dump() << std::endl;
}

int ExitCodeOf(const CalculationOutcome& outcome) {
    if (outcome.code == SolverError::Ok) return kExitOk;
    if (outcome.code == SolverError::Cancelled) return kExitCancelled;
    return kExitCalculationFailed;
}

int RunSolve(const SolveOptions& o) {
    // Arguments and the output file first, so that nothing is calculated for a command
    // that cannot finish.
    SolveRequest request;
    if (const int code = ParseArguments(o, request); code != kExitOk) return code;
    if (const int code = CheckTableWritable(o); code != kExitOk) return code;

    SolveRun run;
    if (const int code = LoadProblem(run.problem, o.problem); code != kExitOk) return code;
    if (const int code = CheckFlowPathSegments(run.problem, request.pathNodes); code != kExitOk)
        return code;

    Calculate(o, run);
    if (!run.outcome.ran) return run.setup.ok() ? kExitCheckFailed : kExitCalculationFailed;
    SummariseOutcome(run);

    nlohmann::json flows = nlohmann::json::array();
    if (run.haveResults) {
        CombineBalances(run);
        if (!o.table.empty()) {
            if (const int code = WriteTable(o, request, run); code != kExitOk) return code;
        }
        if (!request.pathNodes.empty()) {
            if (const int code = ReportFlows(o, request, run, flows); code != kExitOk) return code;
        }
    }
    const std::optional<int> bandwidth = ReportBandwidth(o, run);
    if (o.json) PrintJsonSummary(request, run, bandwidth, flows);
    return ExitCodeOf(run.outcome);
}

}  // namespace

void RegisterSolveCommand(CLI::App& app, CommandAction& action) {
    CLI::App* sub = app.add_subcommand(
        "solve", "Load, check and calculate a problem file as the Calculate command does");
    auto o = std::make_shared<SolveOptions>();
    sub->add_option("PROBLEM", o->problem, "problem file (.KVX)")->required();
    sub->add_option("--table", o->table,
                    "write the table of nodal results (.csv/.dat: comma-separated, .txt: lookup "
                    "table, other: blank-separated)");
    sub->add_option("--format", o->format,
                    "number format of the table: auto:N, fixed:N or float:N");
    sub->add_option("--flow-path", o->flowPath,
                    "node numbers N1,N2,...,Nk: print the flow across the path at every level");
    sub->add_option("--solver", o->solver,
                    "sparse: a sparse factorisation with a fill-reducing ordering (the "
                    "default); band: the banded factorisation in its classic order of "
                    "arithmetic")
        ->check(CLI::IsMember({"band", "sparse"}));
    sub->add_flag("--json", o->json, "print one JSON object with the outcome at the end");
    sub->add_flag("--bandwidth", o->bandwidth,
                  "with the sparse solver: find the bandwidth of the band solver's equation "
                  "numbering (beside the calculation) and print it after the results; the band "
                  "solver always shows it");
    sub->callback([&action, o] { action = [o] { return RunSolve(*o); }; });
}

}  // namespace kova::cli
