#pragma once

namespace tarvik::shell {
class DialogRegistry;
}

namespace tarvik {

// Registers the forms of every dialog library that is part of this build.
void registerReportDialogs(shell::DialogRegistry& registry);

} // namespace tarvik
