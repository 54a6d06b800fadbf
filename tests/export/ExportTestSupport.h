#pragma once

// Reading exported files back with readers that share no code with the writers: Perl's
// Spreadsheet::ParseExcel and libfreexl for .xls, xlsx2csv and the sheet XML for .xlsx, and a
// small RFC 4180 parser for CSV.

#include "SheetWriter.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <vector>

namespace tarvik::test {

struct ReadCell
{
    QString type;   // the reader's own word: "Text", "Numeric", "Date" (ParseExcel)
    QString value;  // a text, or a number printed with 17 significant digits
    QString format; // number format string
    bool bold = false;
    QString kind;   // the record it came from: "Number", "BoolError", "PackedIdx" (shared string)...
};

struct ReadSheet
{
    QString name;
    int lastRow = -1;
    int lastColumn = -1;
    std::map<std::pair<int, int>, ReadCell> cells;
    const ReadCell* at(int row, int col) const
    {
        const auto it = cells.find({row, col});
        return it == cells.end() ? nullptr : &it->second;
    }
};

// Spreadsheet::ParseExcel's view of an .xls file; fails the current test if it cannot parse.
std::vector<ReadSheet> readXlsWithPerl(const QString& path);

// libfreexl's view: per sheet, its name and cells as (type, text) where type is one of
// "int", "double", "text", "date", "datetime", "time", "null".
struct FreeXlCell
{
    QString type;
    QString text;
    double number = 0;
};
struct FreeXlSheet
{
    QString name;
    unsigned rows = 0;
    unsigned short columns = 0;
};
struct FreeXlBook
{
    bool ok = false;
    QString error;
    std::vector<FreeXlSheet> sheets;
    unsigned sstStrings = 0;
};
FreeXlBook openWithFreeXl(const QString& path,
                          std::vector<std::vector<std::vector<FreeXlCell>>>* cellsOut = nullptr,
                          unsigned maxRowsPerSheet = 100000);

// xlsx2csv's text of one sheet (1-based), as rows of fields.
std::vector<QStringList> readXlsxSheetWithXlsx2csv(const QString& path, int sheetNumber);
// The raw XML of xl/worksheets/sheetN.xml via unzip, and the list of files in the package.
QString xlsxPart(const QString& path, const QString& part);

// RFC 4180 parser for the CSV writer's output (no BOM expected in the input given).
std::vector<QStringList> parseCsv(const QByteArray& utf8);

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);
// Files in a folder, hidden ones included (to see left-over temporaries).
QStringList filesIn(const QString& folder);

// The sample rows the format tests share: a title, a header, typed detail rows and a total.
std::vector<std::vector<engine::Cell>> sampleRows();

} // namespace tarvik::test
