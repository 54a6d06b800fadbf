#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

namespace tarvik::engine::detail {

// What a sheet of an .xlsx holds, as far as the read-back compares it: its rows and cells, and a
// checksum of its texts in order.
struct SheetContent
{
    qint64 rows = 0;
    qint64 cells = 0;
    quint32 textChecksum = 0;

    void addText(const QByteArray& utf8); // a text cell, as written
    bool operator==(const SheetContent&) const = default;
};

// The sheets of a finished .xlsx, read back: the zip's directory, every part inflated with its
// CRC and size checked, the parts a workbook needs present, each XML part well formed to its
// end. Throws std::runtime_error "Cannot export to <target>: ..." naming what is wrong.
std::vector<SheetContent> readXlsxBack(const QString& path, const QString& targetPath, int sheets);

// readXlsxBack, and each sheet holding what was written to it. libxlsxwriter does not check the
// writes of its temporary files, so a full disk can leave a file that looks finished and that
// no program opens, or that lacks rows or parts of texts; such a file must replace nothing.
void verifyXlsx(const QString& path, const QString& targetPath, const std::vector<SheetContent>& written);

} // namespace tarvik::engine::detail
