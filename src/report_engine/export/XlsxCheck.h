#pragma once

#include <QString>
#include <vector>

namespace tarvik::engine::detail {

// Reads a finished .xlsx back before it may replace anything: the zip's directory, every part
// inflated with its CRC and size checked, the parts a workbook needs present, each XML part
// well formed to its end, and each sheet holding the rows that were written to it
// (rowsPerSheet, in order). libxlsxwriter does not check the writes of its temporary files, so
// a full disk can leave a file that looks finished and that no program opens.
// Throws std::runtime_error "Cannot export to <target>: ..." naming what is wrong.
void verifyXlsx(const QString& path, const QString& targetPath, const std::vector<qint64>& rowsPerSheet);

} // namespace tarvik::engine::detail
