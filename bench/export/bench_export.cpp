// Export speed and memory: N ledger rows of seven columns (date, account, name, description,
// debit, credit, balance) to .xls, .xlsx and CSV, beside a bare libxlsxwriter constant-memory
// loop writing the same cells. Each run is a child process, so its peak memory is its own.
//
// usage: bench_export [ROWS...] [--dir FOLDER]    (default 20000 rows; --help tells more)

#include "ProgramOptions.h"
#include "SheetWriter.h"

#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xlsxwriter.h>

using namespace tarvik::engine;

namespace {

struct Pools
{
    std::vector<QString> names, descriptions, accounts;
    std::vector<QByteArray> names8, descriptions8, accounts8;

    Pools()
    {
        const char* first[] = {"José", "Maria", "Seán", "Ana", "Luis", "Carmen", "John", "Peña", "Wei", "Fatima", "Olga"};
        const char* last[] = {"O'Brien", "Muñoz", "Santos", "Reyes", "Cruz", "Smith", "Chen", "García", "Bautista"};
        for (int i = 0; i < 997; ++i)
            names.push_back(QStringLiteral("%1, %2 %3").arg(QString::fromUtf8(last[i % 9]), QString::fromUtf8(first[i % 11])).arg(i));
        const char* what[] = {"Room and board", "Laboratory", "Pharmacy", "Radiology", "Professional fee", "Deposit"};
        for (int i = 0; i < 150; ++i)
            descriptions.push_back(QStringLiteral("%1 - ward %2").arg(QString::fromUtf8(what[i % 6])).arg(i));
        for (int i = 0; i < 20000; ++i)
            accounts.push_back(QStringLiteral("A%1").arg(i, 7, 10, QLatin1Char('0')));
        for (const auto& s : names) names8.push_back(s.toUtf8());
        for (const auto& s : descriptions) descriptions8.push_back(s.toUtf8());
        for (const auto& s : accounts) accounts8.push_back(s.toUtf8());
    }
};

struct RowValues
{
    double date, debit, credit, balance;
    size_t name, description, account;
};

// The same row for every writer.
RowValues rowAt(long i, double* balance)
{
    RowValues v{};
    v.date = 45658 + double(i / 3000); // from 1 January 2025
    v.debit = double(i % 1000) * 1.25;
    v.credit = i % 7 == 0 ? 100.5 : 0.0;
    *balance += v.debit - v.credit;
    v.balance = *balance;
    v.name = size_t(i % 997);
    v.description = size_t(i % 150);
    v.account = size_t(i % 20000);
    return v;
}

void bareLibxlsxwriter(const Pools& p, long n, const QString& path)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook* wb = workbook_new_opt(file.constData(), &options);
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "mm/dd/yyyy");
    lxw_format* money = workbook_add_format(wb);
    format_set_num_format(money, "#,##0.00");
    lxw_worksheet* ws = nullptr;
    double balance = 0;
    lxw_row_t r = 0;
    int sheet = 0;
    for (long i = 0; i < n; ++i, ++r) {
        if (!ws || r == 1048576) {
            const std::string name = "Ledger" + (sheet ? " (" + std::to_string(sheet + 1) + ")" : std::string());
            ws = workbook_add_worksheet(wb, name.c_str());
            ++sheet;
            r = 0;
        }
        const RowValues v = rowAt(i, &balance);
        worksheet_write_number(ws, r, 0, v.date, date);
        worksheet_write_string(ws, r, 1, p.accounts8[v.account].constData(), nullptr);
        worksheet_write_string(ws, r, 2, p.names8[v.name].constData(), nullptr);
        worksheet_write_string(ws, r, 3, p.descriptions8[v.description].constData(), nullptr);
        worksheet_write_number(ws, r, 4, v.debit, money);
        worksheet_write_number(ws, r, 5, v.credit, money);
        worksheet_write_number(ws, r, 6, v.balance, money);
    }
    if (workbook_close(wb) != LXW_NO_ERROR)
        std::exit(2);
}

void ourWriter(const Pools& p, long n, ExportFormat format, const QString& path)
{
    auto w = createSheetWriter(format, path, QStringLiteral("Ledger"));
    w->setColumnWidths({11, 10, 28, 30, 12, 12, 14});
    const QString money = QStringLiteral("#,##0.00");
    const QDate epoch(1899, 12, 30);
    std::vector<Cell> row(7);
    double balance = 0;
    for (long i = 0; i < n; ++i) {
        const RowValues v = rowAt(i, &balance);
        row[0] = Cell::ofDate(epoch.addDays(qint64(v.date)));
        row[1] = Cell::ofText(p.accounts[v.account]);
        row[2] = Cell::ofText(p.names[v.name]);
        row[3] = Cell::ofText(p.descriptions[v.description]);
        row[4] = Cell::ofNumber(v.debit, money);
        row[5] = Cell::ofNumber(v.credit, money);
        row[6] = Cell::ofNumber(v.balance, money);
        w->addRow(row);
    }
    w->finish();
}

// Runs one export in a child process and prints its line: its own time and peak memory.
void measure(const char* label, long n, const QString& path, const std::function<void()>& body)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        const auto start = std::chrono::steady_clock::now();
        try {
            body();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", label, e.what());
            _exit(1);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%-16s %10ld %9.2f %12.0f %10.1f %10.1f\n", label, n, seconds, n / seconds,
                    usage.ru_maxrss / 1024.0, QFileInfo(path).size() / 1048576.0);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    QFile::remove(path);
}

} // namespace

int main(int argc, char** argv)
{
    const tarvik::ProgramOptions cl =
        tarvik::ProgramOptions("bench_export", "[--dir FOLDER] [ROWS...]",
                               "Times the export of ROWS ledger rows of seven columns to .xls, .xlsx and CSV, beside "
                               "a bare libxlsxwriter constant-memory loop writing the same cells, and prints each "
                               "writer's seconds, rows per second, peak memory and file size.")
            .option({"dir"}, "Folder for the files written (default: the temporary folder).", "FOLDER")
            .argument("ROWS", "Rows to write, from 1 to 100000000; several give several runs (default 20000).")
            .process(argc, argv);
    std::vector<long> counts;
    const QString folder = cl.value("dir");
    for (const QString& n : cl.positional())
        counts.push_back(long(cl.integerArgument(n, QStringLiteral("ROWS"), 1, 100'000'000)));
    if (counts.empty())
        counts.push_back(20000);
    QTemporaryDir temp(folder.isEmpty() ? QDir::tempPath() + QStringLiteral("/bench_export-XXXXXX")
                                        : folder + QStringLiteral("/bench_export-XXXXXX"));
    const Pools pools;

    std::printf("%-16s %10s %9s %12s %10s %10s\n", "writer", "rows", "seconds", "rows/s", "peak MB", "file MB");
    for (const long n : counts) {
        const QString bare = temp.filePath(QStringLiteral("bare.xlsx"));
        measure("libxlsxwriter", n, bare, [&] { bareLibxlsxwriter(pools, n, bare); });
        const QString xlsx = temp.filePath(QStringLiteral("ours.xlsx"));
        measure("xlsx (ours)", n, xlsx, [&] { ourWriter(pools, n, ExportFormat::Xlsx, xlsx); });
        const QString xls = temp.filePath(QStringLiteral("ours.xls"));
        measure("xls (ours)", n, xls, [&] { ourWriter(pools, n, ExportFormat::Xls, xls); });
        const QString csv = temp.filePath(QStringLiteral("ours.csv"));
        measure("csv (ours)", n, csv, [&] { ourWriter(pools, n, ExportFormat::Csv, csv); });
    }
    return 0;
}
