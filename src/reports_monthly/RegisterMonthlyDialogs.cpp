#include "RegisterMonthlyDialogs.h"

#include "DialogRegistry.h"

namespace tarvik::monthly {

void registerMonthlyDialogs([[maybe_unused]] shell::DialogRegistry& registry)
{
}

std::vector<runs::RunEntry> monthlyRunEntries()
{
    std::vector<runs::RunEntry> entries;
    return entries;
}

} // namespace tarvik::monthly
