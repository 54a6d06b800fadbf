#pragma once

#include <optional>

namespace tarvik::cli {

// Runs the subcommand argv[1] names ("run", ...) and returns its exit status; nothing (and
// nothing done) when argv[1] names none, so the program opens its window.
std::optional<int> runSubcommandOf(int argc, char* argv[]);

} // namespace tarvik::cli
