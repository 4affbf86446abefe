// kova-batch solve: not yet available in this build.
#include <iostream>

#include "commands.hpp"

namespace kova::cli {

void RegisterSolveCommand(CLI::App& app, CommandAction& action) {
    CLI::App* sub = app.add_subcommand("solve", "not yet available");
    sub->callback([&action] {
        action = [] {
            std::cerr << "kova-batch: solve is not available in this build\n";
            return kExitUsage;
        };
    });
}

}  // namespace kova::cli
