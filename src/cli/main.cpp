// kova-batch: loads, checks, meshes and solves problem files without a window.
#include <algorithm>
#include <csignal>
#include <exception>
#include <iostream>
#include <string>

#include "commands.hpp"

int main(int argc, char** argv) {
    using namespace kova::cli;
    CLI::App app{"kova-batch: check, mesh and solve KOVA problem files without a window"};
    app.require_subcommand(1);
    CommandAction action;
    RegisterCheckCommand(app, action);
    RegisterSolveCommand(app, action);
    RegisterMeshCommand(app, action);
    // Options belong to the subcommands; one before them is not known.
    if (argc > 1 && argv[1][0] == '-') {
        const std::string first = argv[1];
        if (first != "-h" && first != "--help" && first != "--help-all") {
            std::cerr << "kova-batch: unknown option " << first << "\n";
            return kExitUsage;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ExtrasError& e) {
        // "The following argument(s) was/were not expected: --foo": name what was not
        // understood on one line.
        std::string what = e.what();
        const auto colon = what.find(": ");
        const std::string extras = colon == std::string::npos ? what : what.substr(colon + 2);
        // An unknown option leaves its value behind too; name the option.
        std::string option;
        for (std::size_t start = 0; start < extras.size();) {
            const std::size_t end = std::min(extras.find(' ', start), extras.size());
            if (extras[start] == '-' && option.empty()) option = extras.substr(start, end - start);
            start = end + 1;
        }
        if (!option.empty())
            std::cerr << "kova-batch: unknown option " << option << "\n";
        else
            std::cerr << "kova-batch: unexpected argument " << extras << "\n";
        return kExitUsage;
    } catch (const CLI::ParseError& e) {
        std::cerr << "kova-batch: " << e.what() << "\n";
        return kExitUsage;
    }
    // Under a file-size limit, a write past it fails and is reported like a full disk
    // instead of ending the program with the file half written.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return action ? action() : kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "kova-batch: " << e.what() << "\n";
        return kExitCalculationFailed;
    }
}
