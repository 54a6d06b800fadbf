#include "CsvWriter.h"

#include "ExportSupport.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace tarvik::engine::detail {

namespace {

class CsvSheetWriter final : public SheetWriter
{
public:
    explicit CsvSheetWriter(const QString& path) : staged_(path), out_(staged_.file(), path)
    {
        out_.write("\xEF\xBB\xBF", 3);
    }

    void setColumnWidths(const std::vector<double>&) override {} // a CSV file has no widths

    void addRow(const std::vector<Cell>& cells) override
    {
        if (finished_)
            throw std::logic_error("the export is already finished");
        line_.clear();
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i > 0)
                line_.append(',');
            appendCell(cells[i]);
        }
        line_.append("\r\n");
        out_.write(line_);
    }

    void finish() override
    {
        if (finished_)
            throw std::logic_error("the export is already finished");
        finished_ = true;
        out_.flush();
        staged_.commit();
    }

private:
    // A spreadsheet opening the file runs a cell that starts with one of these as a formula
    // (a patient "name" such as =HYPERLINK(...) would): such texts get a leading apostrophe,
    // which shows them as the text they are.
    static bool readsAsFormula(const QString& text)
    {
        if (text.isEmpty())
            return false;
        switch (text.front().unicode()) {
        case '=': case '+': case '-': case '@': case '\t': case '\r':
            return true;
        default:
            return false;
        }
    }

    void appendText(const QString& text, bool neutralise = false)
    {
        const QByteArray utf8 = neutralise && readsAsFormula(text) ? (QLatin1Char('\'') + text).toUtf8() : text.toUtf8();
        bool quote = false;
        for (const char c : utf8) {
            if (c == ',' || c == '"' || c == '\r' || c == '\n') {
                quote = true;
                break;
            }
        }
        if (!quote) {
            line_.append(utf8);
            return;
        }
        line_.append('"');
        for (const char c : utf8) {
            if (c == '"')
                line_.append('"');
            line_.append(c);
        }
        line_.append('"');
    }

    void appendNumber(double v)
    {
        if (!std::isfinite(v)) {
            line_.append("#NUM!");
            return;
        }
        // The shortest text that reads back as the same double: full precision, no noise digits.
        char buf[32];
        const auto result = std::to_chars(buf, buf + sizeof buf, v);
        line_.append(buf, result.ptr - buf);
    }

    void appendCell(const Cell& cell)
    {
        switch (cell.type) {
        case Cell::Type::Empty:
            return;
        case Cell::Type::Text:
            appendText(cell.text, true);
            return;
        case Cell::Type::Number:
            appendNumber(cell.number);
            return;
        case Cell::Type::Date:
            if (cell.date.isValid())
                appendText(cell.date.toString(qtDateTimeFormat(cell.numberFormat)));
            return;
        case Cell::Type::DateTime:
            if (cell.dateTime.isValid())
                appendText(cell.dateTime.toString(cell.numberFormat.isEmpty()
                                                      ? QStringLiteral("MM/dd/yyyy HH:mm")
                                                      : qtDateTimeFormat(cell.numberFormat)));
            return;
        case Cell::Type::Boolean:
            line_.append(cell.boolean ? "TRUE" : "FALSE");
            return;
        }
    }

    StagedFile staged_;
    BufferedOut out_;
    QByteArray line_;
    bool finished_ = false;
};

} // namespace

std::unique_ptr<SheetWriter> createCsvWriter(const QString& path)
{
    return std::make_unique<CsvSheetWriter>(path);
}

} // namespace tarvik::engine::detail
