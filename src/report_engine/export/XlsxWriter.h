#pragma once

#include "SheetWriter.h"

namespace tarvik::engine::detail {

// The Office Open XML workbook through libxlsxwriter in constant-memory mode (each row goes to
// the library's scratch file as soon as the next one starts).
std::unique_ptr<SheetWriter> createXlsxWriter(const QString& path, const QString& sheetName);

inline constexpr quint32 kXlsxMaxRows = 1048576;
inline constexpr int kXlsxMaxColumns = 16384;

} // namespace tarvik::engine::detail
