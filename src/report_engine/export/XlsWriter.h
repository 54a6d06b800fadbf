#pragma once

#include "SheetWriter.h"

namespace tarvik::engine::detail {

// The Excel 97-2003 workbook (.xls): BIFF8 records in a compound document. Cell records go to a
// scratch file as rows arrive and the shared strings to another, so memory does not grow with the
// number of rows; finish() writes the workbook globals, then copies the sheets behind them.
std::unique_ptr<SheetWriter> createXlsWriter(const QString& path, const QString& sheetName);

// Rows per .xls sheet; a longer export continues on a further sheet.
inline constexpr quint32 kXlsMaxRows = 65536;
inline constexpr int kXlsMaxColumns = 256;

} // namespace tarvik::engine::detail
