// kova-batch mesh: not yet available in this build.
#include <iostream>

#include "commands.hpp"

namespace kova::cli {

void RegisterMeshCommand(CLI::App& app, CommandAction& action) {
    CLI::App* sub = app.add_subcommand("mesh", "not yet available");
    sub->callback([&action] {
        action = [] {
            std::cerr << "kova-batch: mesh is not available in this build\n";
            return kExitUsage;
        };
    });
}

}  // namespace kova::cli
