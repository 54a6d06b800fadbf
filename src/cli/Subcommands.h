#pragma once

#include <optional>
#include <utility>
#include <vector>

namespace tarvik::cli {

// Runs the subcommand argv[1] names ("run", ...) and returns its exit status; nothing (and
// nothing done) when argv[1] names none, so the program opens its window.
std::optional<int> runSubcommandOf(int argc, char* argv[]);

// Each subcommand's name and what it does, in the table's order (for the program's --help).
std::vector<std::pair<const char*, const char*>> subcommandSummaries();

} // namespace tarvik::cli
