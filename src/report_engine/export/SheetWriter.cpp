#include "SheetWriter.h"

#include "CsvWriter.h"
#include "XlsWriter.h"
#include "XlsxWriter.h"

#include <stdexcept>

namespace tarvik::engine {

void SheetWriter::addChart(const ChartTable& chart)
{
    addRow({Cell::ofText(chart.title, true)});
    std::vector<Cell> heading{Cell::ofText(chart.categoryCaption, true)};
    for (const QString& s : chart.series)
        heading.push_back(Cell::ofText(s, true));
    addRow(heading);
    for (size_t c = 0; c < chart.categories.size(); ++c) {
        std::vector<Cell> row{Cell::ofText(chart.categories[c])};
        for (size_t s = 0; s < chart.series.size(); ++s)
            row.push_back(Cell::ofNumber(chart.values[s][c], chart.numberFormat));
        addRow(row);
    }
}

std::unique_ptr<SheetWriter> createSheetWriter(ExportFormat format, const QString& path, const QString& sheetName)
{
    switch (format) {
    case ExportFormat::Xls:
        return detail::createXlsWriter(path, sheetName);
    case ExportFormat::Xlsx:
        return detail::createXlsxWriter(path, sheetName);
    case ExportFormat::Csv:
        return detail::createCsvWriter(path);
    case ExportFormat::Pdf:
        throw std::invalid_argument("PDF is written by the report renderer, not by a sheet writer");
    }
    throw std::invalid_argument("unknown export format code " + std::to_string(int(format)));
}

} // namespace tarvik::engine
