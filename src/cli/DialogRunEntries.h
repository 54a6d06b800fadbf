#pragma once

#include "RunEntries.h"

#include <vector>

namespace tarvik::cli {

// The entries of every dialog library of this build, in the libraries' order (generated from
// the list of dialog libraries in the top CMakeLists.txt).
std::vector<runs::RunEntry> dialogRunEntries();

} // namespace tarvik::cli
