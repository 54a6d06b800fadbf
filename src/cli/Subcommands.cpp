#include "Subcommands.h"

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
    int (*run)(int argc, char* argv[]);
};

// The subcommands of tarvik-reports, each in a unit of its own.
constexpr Subcommand kSubcommands[] = {
    {"run", runCommand},
#ifdef TARVIK_HAVE_MISC_CODES
    {"misc-codes", miscCodesCommand},
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

std::vector<const char*> subcommandNames()
{
    std::vector<const char*> names;
    for (const Subcommand& s : kSubcommands)
        names.push_back(s.name);
    return names;
}

} // namespace tarvik::cli
