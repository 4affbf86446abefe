// kova-batch: loads, checks, meshes and solves problem files without a window.
#include <exception>
#include <iostream>

#include "commands.hpp"

int main(int argc, char** argv) {
    using namespace kova::cli;
    CLI::App app{"kova-batch: check, mesh and solve KOVA problem files without a window"};
    app.require_subcommand(1);
    CommandAction action;
    RegisterCheckCommand(app, action);
    RegisterSolveCommand(app, action);
    RegisterMeshCommand(app, action);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "kova-batch: " << e.what() << "\n";
        return kExitUsage;
    }
    try {
        return action ? action() : kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "kova-batch: " << e.what() << "\n";
        return kExitCalculationFailed;
    }
}
