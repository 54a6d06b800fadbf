#include "ExportTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <freexl.h>
#include <gtest/gtest.h>

namespace tarvik::test {

namespace {

QString unescape(const QString& s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) != QLatin1Char('\\') || i + 1 == s.size()) {
            out.append(s.at(i));
            continue;
        }
        const QChar n = s.at(++i);
        out.append(n == QLatin1Char('t') ? QChar(QLatin1Char('\t'))
                   : n == QLatin1Char('n') ? QChar(QLatin1Char('\n'))
                   : n == QLatin1Char('r') ? QChar(QLatin1Char('\r'))
                                           : n);
    }
    return out;
}

QByteArray run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(300000)) {
        ADD_FAILURE() << program.toStdString() << " did not finish";
        return {};
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

} // namespace

std::vector<ReadSheet> readXlsWithPerl(const QString& path)
{
    const QByteArray out = run(QStringLiteral("perl"), {QStringLiteral(TARVIK_READ_XLS_SCRIPT), path});
    std::vector<ReadSheet> sheets;
    for (const QString& line : QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.at(0) == QLatin1String("S") && f.size() >= 4) {
            ReadSheet s;
            s.name = unescape(f.at(1));
            s.lastRow = f.at(2).toInt();
            s.lastColumn = f.at(3).toInt();
            sheets.push_back(s);
        } else if (f.at(0) == QLatin1String("C") && f.size() >= 9) {
            ReadCell c{f.at(4), unescape(f.at(5)), unescape(f.at(6)), f.at(7) == QLatin1String("1"), f.at(8)};
            sheets.at(f.at(1).toUInt()).cells[{f.at(2).toInt(), f.at(3).toInt()}] = c;
        }
    }
    return sheets;
}

FreeXlBook openWithFreeXl(const QString& path, std::vector<std::vector<std::vector<FreeXlCell>>>* cellsOut,
                          unsigned maxRowsPerSheet)
{
    FreeXlBook book;
    const void* handle = nullptr;
    const QByteArray name = QFile::encodeName(path);
    int rc = freexl_open(name.constData(), &handle);
    if (rc != FREEXL_OK) {
        book.error = QStringLiteral("freexl_open: %1").arg(rc);
        if (handle)
            freexl_close(handle);
        return book;
    }
    unsigned info = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_STRING_COUNT, &info) == FREEXL_OK)
        book.sstStrings = info;
    unsigned sheetCount = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount);
    for (unsigned s = 0; s < sheetCount; ++s) {
        FreeXlSheet sheet;
        const char* sheetName = nullptr;
        freexl_get_worksheet_name(handle, static_cast<unsigned short>(s), &sheetName);
        sheet.name = QString::fromUtf8(sheetName);
        if ((rc = freexl_select_active_worksheet(handle, static_cast<unsigned short>(s))) != FREEXL_OK
            || (rc = freexl_worksheet_dimensions(handle, &sheet.rows, &sheet.columns)) != FREEXL_OK) {
            book.error = QStringLiteral("sheet %1: %2").arg(s).arg(rc);
            freexl_close(handle);
            return book;
        }
        book.sheets.push_back(sheet);
        if (!cellsOut)
            continue;
        auto& rows = cellsOut->emplace_back();
        for (unsigned r = 0; r < sheet.rows && r < maxRowsPerSheet; ++r) {
            auto& row = rows.emplace_back();
            for (unsigned short c = 0; c < sheet.columns; ++c) {
                FreeXL_CellValue v;
                FreeXlCell cell;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK) {
                    cell.type = QStringLiteral("error");
                } else {
                    switch (v.type) {
                    case FREEXL_CELL_INT: cell.type = QStringLiteral("int"); cell.number = v.value.int_value; break;
                    case FREEXL_CELL_DOUBLE: cell.type = QStringLiteral("double"); cell.number = v.value.double_value; break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT: cell.type = QStringLiteral("text"); cell.text = QString::fromUtf8(v.value.text_value); break;
                    case FREEXL_CELL_DATE: cell.type = QStringLiteral("date"); cell.text = QString::fromUtf8(v.value.text_value); break;
                    case FREEXL_CELL_DATETIME: cell.type = QStringLiteral("datetime"); cell.text = QString::fromUtf8(v.value.text_value); break;
                    case FREEXL_CELL_TIME: cell.type = QStringLiteral("time"); cell.text = QString::fromUtf8(v.value.text_value); break;
                    default: cell.type = QStringLiteral("null"); break;
                    }
                }
                row.push_back(cell);
            }
        }
    }
    freexl_close(handle);
    book.ok = true;
    return book;
}

std::vector<QStringList> readXlsxSheetWithXlsx2csv(const QString& path, int sheetNumber)
{
    const QByteArray out = run(QStringLiteral("xlsx2csv"),
                               {QStringLiteral("--sheet=%1").arg(sheetNumber), QStringLiteral("--dateformat=%Y-%m-%d"),
                                QStringLiteral("--floatformat=%.17g"), path});
    return parseCsv(out);
}

QString xlsxPart(const QString& path, const QString& part)
{
    return QString::fromUtf8(run(QStringLiteral("unzip"), {QStringLiteral("-p"), path, part}));
}

std::vector<QStringList> parseCsv(const QByteArray& utf8)
{
    const QString text = QString::fromUtf8(utf8);
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        any = true;
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field.append(c);
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field.append(c);
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row.append(field);
            field.clear();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            row.append(field);
            field.clear();
            rows.push_back(row);
            row.clear();
            any = false;
        } else {
            field.append(c);
        }
    }
    if (any) {
        row.append(field);
        rows.push_back(row);
    }
    return rows;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

std::vector<std::vector<engine::Cell>> sampleRows()
{
    using engine::Cell;
    return {
        {Cell::ofText(QStringLiteral("Daily Summary of Discharges"), true)},
        {},
        {Cell::ofText(QStringLiteral("Date"), true), Cell::ofText(QStringLiteral("Patient"), true),
         Cell::ofText(QStringLiteral("Amount"), true), Cell::ofText(QStringLiteral("Paid"), true)},
        {Cell::ofDate(QDate(2026, 1, 31)), Cell::ofText(QStringLiteral("O'Brien, Seán")),
         Cell::ofNumber(1234.5678901234567, QStringLiteral("#,##0.00")), Cell::ofBoolean(true)},
        {Cell::ofDate(QDate(2026, 2, 1)), Cell::ofText(QStringLiteral("Muñoz, José")),
         Cell::ofNumber(-0.1), Cell::ofBoolean(false)},
        {Cell::ofDateTime(QDateTime(QDate(2026, 2, 2), QTime(13, 30))), Cell::ofText(QStringLiteral("Chen, 陈")),
         Cell::ofNumber(1e15 + 0.5), Cell::empty()},
        {Cell::empty(), Cell::ofText(QStringLiteral("Total"), true),
         Cell::ofNumber(1234.5678901234567 - 0.1 + 1e15 + 0.5, QStringLiteral("#,##0.00"), true)},
    };
}

} // namespace tarvik::test
