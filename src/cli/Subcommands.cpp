#include "Subcommands.h"

#include "HistoryCommand.h"
#include "RunCommand.h"

#include <iostream>

#include <cstring>

namespace tarvik::cli {

namespace {

struct Subcommand
{
    const char* name;
    int (*run)(int argc, char* argv[]);
    const char* summary; // for the program's --help
};

// The subcommands of tarvik-reports, each in a unit of its own.
constexpr Subcommand kSubcommands[] = {
    {"run", runCommand, "produce a report or a batch without a window (for cron or a systemd timer)"},
    {"history", historyCommand, "show the run history: who produced which report, when, with what"},
};

void printHelp()
{
    std::cout << "Usage: tarvik-reports                 the reports module, after its log-in window\n"
                 "       tarvik-reports COMMAND [...]   without a window:\n";
    for (const Subcommand& s : kSubcommands)
        std::cout << "  " << s.name << std::string(10 - std::strlen(s.name), ' ') << s.summary << '\n';
    std::cout << "tarvik-reports COMMAND --help tells more of each." << std::endl;
}

} // namespace

std::optional<int> runSubcommandOf(int argc, char* argv[])
{
    if (argc < 2)
        return std::nullopt;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printHelp();
        return 0;
    }
    for (const Subcommand& s : kSubcommands)
        if (std::strcmp(argv[1], s.name) == 0)
            return s.run(argc, argv);
    return std::nullopt;
}

} // namespace tarvik::cli
