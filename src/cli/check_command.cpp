// kova-batch check: not yet available in this build.
#include <iostream>

#include "commands.hpp"

namespace kova::cli {

void RegisterCheckCommand(CLI::App& app, CommandAction& action) {
    CLI::App* sub = app.add_subcommand("check", "not yet available");
    sub->callback([&action] {
        action = [] {
            std::cerr << "kova-batch: check is not available in this build\n";
            return kExitUsage;
        };
    });
}

}  // namespace kova::cli
