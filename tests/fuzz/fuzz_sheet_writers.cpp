// The spreadsheet writers with random cells and sheet names (the first byte picks the format):
// the .xls read back by libfreexl must hold what was written, cell by cell; the CSV parsed back
// must have every row and number; the .xlsx must pass the writer's own read-back. Any exception
// for such input is a fault.

#include "ExportSupport.h"
#include "SheetWriter.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <freexl.h>
#include <vector>

using namespace tarvik::engine;

namespace {

[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "fuzz_sheet_writers: %s\n", what);
    __builtin_trap();
}

// Reads the fuzzer's bytes as choices; past the end every choice is zero.
class Choices
{
public:
    Choices(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool more() const { return m_at < m_size; }
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    double number()
    {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = bits << 8 | byte();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    QString text(int maxBytes)
    {
        const int n = std::min<int>(byte() % (maxBytes + 1), int(m_size - std::min(m_at, m_size)));
        const QString t = QString::fromUtf8(reinterpret_cast<const char*>(m_data + m_at), n);
        m_at += size_t(n);
        return t;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

using Row = std::vector<Cell>;

std::vector<Row> rowsFrom(Choices& in)
{
    std::vector<Row> rows;
    const int count = in.byte() % 40;
    for (int r = 0; r < count && in.more(); ++r) {
        Row row(in.byte() % 7);
        for (Cell& c : row) {
            switch (in.byte() % 7) {
            case 0:
                break;
            case 1:
            case 2:
                c = Cell::ofText(in.text(60), in.byte() & 1);
                break;
            case 3:
                c = Cell::ofNumber(in.byte() & 1 ? in.number() : double(int8_t(in.byte())) / 4, QStringLiteral("#,##0.00"));
                break;
            case 4:
                // Up to 2099: libfreexl counts 2100 as a leap year and reads later dates a day early.
                c = Cell::ofDate(QDate(1850, 1, 1).addDays((in.byte() * 400 + in.byte()) % 91000));
                break;
            case 5:
                c = Cell::ofDateTime(QDateTime(QDate(1990, 1, 1).addDays(in.byte() * 97), QTime(in.byte() % 24, in.byte() % 60)));
                break;
            case 6:
                c = Cell::ofBoolean(in.byte() & 1);
                break;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void write(ExportFormat format, const QString& path, const QString& sheet, const std::vector<Row>& rows)
{
    try {
        auto w = createSheetWriter(format, path, sheet);
        w->setColumnWidths({12, 30, 8.5});
        for (const Row& r : rows)
            w->addRow(r);
        w->finish();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "export failed: %s\n", e.what());
        broken("a writer refused cells it must take");
    }
}

void checkXls(const QString& path, const std::vector<Row>& rows)
{
    const void* book = nullptr;
    if (freexl_open(QFile::encodeName(path).constData(), &book) != FREEXL_OK)
        broken("libfreexl cannot open the .xls");
    unsigned sheets = 0;
    freexl_get_info(book, FREEXL_BIFF_SHEET_COUNT, &sheets);
    if (sheets != 1 || freexl_select_active_worksheet(book, 0) != FREEXL_OK)
        broken("the .xls does not have its one sheet");
    const char* name = nullptr;
    if (freexl_get_worksheet_name(book, 0, &name) != FREEXL_OK || !name || !*name || QString::fromUtf8(name).size() > 31)
        broken("the sheet's name is empty or longer than Excel takes");
    unsigned lastRows = 0;
    unsigned short columns = 0;
    freexl_worksheet_dimensions(book, &lastRows, &columns);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const Cell& cell = rows[r][c];
            FreeXL_CellValue v{};
            const bool inside = r < lastRows && c < columns;
            if (inside && freexl_get_cell_value(book, unsigned(r), static_cast<unsigned short>(c), &v) != FREEXL_OK)
                broken("a cell cannot be read");
            const bool empty = !inside || v.type == FREEXL_CELL_NULL;
            const bool text = inside && (v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT);
            const QString got = text || (inside && (v.type == FREEXL_CELL_DATE || v.type == FREEXL_CELL_DATETIME))
                                    ? QString::fromUtf8(v.value.text_value)
                                    : QString();
            const double number = !inside ? 0
                                  : v.type == FREEXL_CELL_INT ? double(v.value.int_value)
                                                              : v.value.double_value;
            switch (cell.type) {
            case Cell::Type::Empty:
                if (!empty)
                    broken("an empty cell holds something");
                break;
            case Cell::Type::Text:
                // libfreexl hands texts out as C strings: a NUL ends what it can show.
                if (cell.text.isEmpty() ? !empty : (!text || got != cell.text.left(32767).section(QChar(0), 0, 0))) {
                    std::fprintf(stderr, "wrote \"%s\" (%d), read \"%s\" (type %d)\n", qPrintable(cell.text),
                                 int(cell.text.size()), qPrintable(got), int(v.type));
                    broken("a text came back changed");
                }
                break;
            case Cell::Type::Number:
                if (!std::isfinite(cell.number) ? (!text || got != QLatin1String("#NUM!"))
                                                : !(v.type == FREEXL_CELL_INT || v.type == FREEXL_CELL_DOUBLE)
                                                      || number != cell.number)
                    broken("a number came back changed");
                break;
            case Cell::Type::Date:
                if (got != cell.date.toString(Qt::ISODate)) {
                    std::fprintf(stderr, "wrote %s, read %s\n", qPrintable(cell.date.toString(Qt::ISODate)), qPrintable(got));
                    broken("a date came back changed");
                }
                break;
            case Cell::Type::DateTime:
                if (got != cell.dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) {
                    std::fprintf(stderr, "wrote %s, read %s\n",
                                 qPrintable(cell.dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))), qPrintable(got));
                    broken("a date and time came back changed");
                }
                break;
            case Cell::Type::Boolean:
                if (empty)
                    broken("a true or false is missing");
                break;
            }
        }
    freexl_close(book);
}

// RFC 4180 records of a CSV file (after its byte order mark).
std::vector<QStringList> parseCsv(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString s = QString::fromUtf8(bytes);
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar ch = s.at(i);
        if (quoted) {
            if (ch == u'"' && i + 1 < s.size() && s.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (ch == u'"') {
                quoted = false;
            } else {
                field += ch;
            }
        } else if (ch == u'"') {
            quoted = any = true;
        } else if (ch == u',') {
            record << field;
            field.clear();
            any = true;
        } else if (ch == u'\r' && i + 1 < s.size() && s.at(i + 1) == u'\n') {
            record << field;
            records.push_back(record);
            record.clear();
            field.clear();
            any = false;
            ++i;
        } else {
            field += ch;
            any = true;
        }
    }
    if (any || !field.isEmpty())
        broken("the CSV's last record has no line end");
    return records;
}

void checkCsv(const QString& path, const std::vector<Row>& rows)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        broken("the CSV cannot be read back");
    const auto records = parseCsv(f.readAll());
    if (records.size() != rows.size())
        broken("the CSV does not have a record per row");
    for (size_t r = 0; r < rows.size(); ++r) {
        const qsizetype fields = rows[r].empty() ? 1 : qsizetype(rows[r].size()); // an empty row is one empty field
        if (records[r].size() != fields)
            broken("a CSV record has the wrong number of fields");
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const Cell& cell = rows[r][c];
            const QString& got = records[r][qsizetype(c)];
            if (cell.type == Cell::Type::Number && std::isfinite(cell.number)) {
                double back = 0;
                const QByteArray t = got.toLatin1();
                if (std::from_chars(t.constData(), t.constData() + t.size(), back).ec != std::errc() || back != cell.number)
                    broken("a CSV number does not read back as written");
            }
            // Texts that start with a letter or digit are written as they are.
            if (cell.type == Cell::Type::Text && !cell.text.isEmpty() && cell.text.at(0).isLetterOrNumber()
                && got != cell.text)
                broken("a CSV text came back changed");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/fuzz-sheets-XXXXXX"));
    Choices in(data, size);
    // One writer per input: a workbook's fixed cost (an .xlsx is a dozen parts) would otherwise
    // take most of each run.
    const uint8_t format = in.byte() % 3;
    const QString sheet = in.text(40);
    const std::vector<Row> rows = rowsFrom(in);
    switch (format) {
    case 0: {
        const QString xls = dir.filePath(QStringLiteral("fuzz.xls"));
        write(ExportFormat::Xls, xls, sheet, rows);
        checkXls(xls, rows);
        break;
    }
    case 1: {
        const QString csv = dir.filePath(QStringLiteral("fuzz.csv"));
        write(ExportFormat::Csv, csv, sheet, rows);
        checkCsv(csv, rows);
        break;
    }
    default:
        // The writer reads its own .xlsx back (zip, checksums, rows, cells, texts) before it finishes.
        write(ExportFormat::Xlsx, dir.filePath(QStringLiteral("fuzz.xlsx")), sheet, rows);
    }
    return 0;
}
