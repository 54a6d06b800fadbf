#include "SheetWriter.h"

#include "CsvWriter.h"
#include "XlsWriter.h"
#include "XlsxWriter.h"

#include <stdexcept>

namespace tarvik::engine {

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
