#pragma once

#include "SheetWriter.h"

namespace tarvik::engine::detail {

// Comma-separated values as RFC 4180 has them (CRLF line ends, fields quoted when they hold a
// comma, quote or line break), UTF-8 with a byte-order mark so that Excel reads é and ñ right.
std::unique_ptr<SheetWriter> createCsvWriter(const QString& path);

} // namespace tarvik::engine::detail
