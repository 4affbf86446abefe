// The subcommands of kova-batch. Each lives in its own <name>_command.cpp and adds itself
// to the parser; main() runs whichever the user chose and exits with its code.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

namespace kova::cli {

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitCheckFailed = 1;
inline constexpr int kExitCalculationFailed = 2;
inline constexpr int kExitCancelled = 3;
inline constexpr int kExitUsage = 64;
inline constexpr int kExitUnreadable = 66;

// A subcommand's action, run after parsing; returns the exit code.
using CommandAction = std::function<int()>;

// Each registers its subcommand on `app` and sets `action` when it is chosen.
void RegisterCheckCommand(CLI::App& app, CommandAction& action);
void RegisterSolveCommand(CLI::App& app, CommandAction& action);
void RegisterMeshCommand(CLI::App& app, CommandAction& action);

}  // namespace kova::cli
