#include "Subcommands.h"

#include "HistoryCommand.h"
#include "RunCommand.h"
#ifdef TARVIK_HAVE_MISC_CODES
#include "MiscCodesCommand.h"
#endif

#include <cstring>

namespace tarvik::cli {

namespace {

struct Subcommand
{
    const char* name;
    const char* summary; // one line for the program's --help
    int (*run)(int argc, char* argv[]);
};

// The subcommands of tarvik-reports, each in a unit of its own.
constexpr Subcommand kSubcommands[] = {
    {"run", "produces a report or a batch of reports without a window (cron, systemd timers)", runCommand},
    {"history", "shows the run history: who produced which report, when, with what, how it ended", historyCommand},
#ifdef TARVIK_HAVE_MISC_CODES
    {"misc-codes", "lists or sets the miscellaneous revenue codes, as the maintenance window does",
     miscCodesCommand},
#endif
};

} // namespace

std::optional<int> runSubcommandOf(int argc, char* argv[])
{
    if (argc < 2)
        return std::nullopt;
    for (const Subcommand& s : kSubcommands)
        if (std::strcmp(argv[1], s.name) == 0)
            return s.run(argc, argv);
    return std::nullopt;
}

std::vector<std::pair<const char*, const char*>> subcommandSummaries()
{
    std::vector<std::pair<const char*, const char*>> out;
    for (const Subcommand& s : kSubcommands)
        out.emplace_back(s.name, s.summary);
    return out;
}

} // namespace tarvik::cli
