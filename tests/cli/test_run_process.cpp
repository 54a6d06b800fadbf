// `tarvik-reports run` as cron would start it: a process with no display, on a small demo
// hospital generated once for this test program, logging in with a password file.

#include "DataFolder.h"
#include "HospitalDb.h"
#include "PrintedPdf.h"
#include "RunProcess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

const QString kDay = QStringLiteral("03/09/2026");     // a busy Monday
const QString kFileDay = QStringLiteral("03-09-2026");

using namespace clitest;
using tarvik::testsupport::exec;
using tarvik::testsupport::pdfText;
using tarvik::testsupport::queryRow;

QString hospitalName()
{
    return queryRow(demoFolder(), QStringLiteral("SELECT Company FROM Patient_data.tbHospitalInfo LIMIT 1")).value(0).toString();
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every cell of every sheet, read by an independent reader of the Excel 97-2003 format.
QString xlsText(const QString& xls)
{
    return run(QStringLiteral("perl"),
               {QStringLiteral("-MSpreadsheet::ParseExcel"), QStringLiteral("-e"),
                QStringLiteral("my $b = Spreadsheet::ParseExcel->new->parse($ARGV[0]) or die; "
                               "for my $s ($b->worksheets) { my ($r0, $r1) = $s->row_range; my ($c0, $c1) = $s->col_range; "
                               "for my $r ($r0 .. $r1) { for my $c ($c0 .. $c1) { my $x = $s->get_cell($r, $c); "
                               "print $x->value, \"\\t\" if $x } print \"\\n\" } }"),
                xls});
}

} // namespace

TEST(RunCommand, OneReportToPdfAndXlsNamedAsThePresetWithATrace)
{
    const QString out = freshDir(QStringLiteral("one"));
    const QString trace = QDir(out).filePath(QStringLiteral("trace.txt"));
    const QString files = QDir(out).filePath(QStringLiteral("files"));
    const Result r = runCli(QStringList{QStringLiteral("Daily Summary Of Discharges"), QStringLiteral("--date"), kDay,
                                        QStringLiteral("--pdf"), files, QStringLiteral("--xls"), files,
                                        QStringLiteral("--trace"), trace}
                            + logIn());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    const QString base = QStringLiteral("Daily Summary Of Discharges ") + kFileDay;
    EXPECT_EQ(filesIn(files), (QStringList{base + ".pdf", base + ".xls"}));
    EXPECT_TRUE(r.err.contains(QStringLiteral("[1/1] Daily Summary Of Discharges ... done"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QDir(files).filePath(base + ".pdf"))) << r.out.toStdString();

    const QString pdf = pdfText(QDir(files).filePath(base + ".pdf"));
    EXPECT_TRUE(pdf.contains(hospitalName())) << pdf.left(400).toStdString();
    EXPECT_TRUE(pdf.contains(QStringLiteral("Summary of Discharges"), Qt::CaseInsensitive)) << pdf.left(400).toStdString();
    // The spreadsheet holds the same patients as the page.
    const QString xls = xlsText(QDir(files).filePath(base + ".xls"));
    static const QRegularExpression account(QStringLiteral("IP-\\d+"));
    int accounts = 0;
    for (auto it = account.globalMatch(pdf); it.hasNext(); ++accounts) {
        const QString number = it.next().captured();
        EXPECT_TRUE(xls.contains(number)) << number.toStdString() << " is missing from the .xls";
    }
    EXPECT_GT(accounts, 0) << pdf.toStdString();

    // The dialog's command texts, blanks and all, then the report with its values in order.
    QFile t(trace);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(t.readAll()).split(QLatin1Char('\n'));
    const QStringList expectedCommands{
        QStringLiteral("Select *, GetDate() as CurDate From Patient_data..tbHospitalInfo"),
        QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfDischarges  '03/09/2026'"),
        QStringLiteral("Reports..sp_RepRecomputeExtensionInPatient  '03/09/2026'"),
        QStringLiteral("Reports..sp_Rep_GetComputedInPatients '03/09/2026'")};
    QStringList commands;
    for (const QString& line : lines)
        if (!line.isEmpty() && !line.startsWith(QStringLiteral("--")))
            commands << line;
    EXPECT_EQ(commands, expectedCommands);
    const qsizetype at = lines.indexOf(QStringLiteral("-- report: ") + QFileInfo(QStringLiteral(TARVIK_REPORTS_EXE)).absolutePath()
                                       + QStringLiteral("/REPORTS/rptDailySummaryOfDischargesColumns.rpt"));
    ASSERT_GE(at, 0) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.value(at + 1), QStringLiteral("--   database: Reports"));
    const QVariantList address = queryRow(demoFolder(), QStringLiteral("SELECT Address1 FROM Patient_data.tbHospitalInfo LIMIT 1"));
    EXPECT_TRUE(lines.value(at + 2).startsWith(QStringLiteral("--   values: '03/09/2026', '03/09/2026', '%1', ")
                                                   .arg(address.value(0).toString().replace("'", "''"))))
        << lines.value(at + 2).toStdString();
    EXPECT_EQ(lines.value(at + 3), QStringLiteral("--   caption: Daily Summary Of Discharges"));
}

TEST(RunCommand, TheWholeEndOfDayBatchInBatchOrder)
{
    const QString out = freshDir(QStringLiteral("batch"));
    const Result r = runCli(QStringList{QStringLiteral("end-of-day"), QStringLiteral("--date"), kDay,
                                        QStringLiteral("--all"), QStringLiteral("--pdf"), out}
                            + logIn());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    const QStringList expected{
        "Daily Summary Of Discharges", "Daily Summary Of Services", "Daily Admission Logbook",
        "Daily OPD Registration LogBook", "Daily Laboratory Examination Logbook", "Daily X-Ray Examination Logbook",
        "Daily Ultrasound Examination Logbook", "Daily Audit Trail - Detailed", "Daily Audit Trail - Summary by AR",
        "Daily Audit Trail - Summary by GL", "Daily CT Scan Examination Logbook", "Daily Discharges - Demography",
        "Daily Adjustment Report"};
    QStringList files;
    for (const QString& name : expected)
        files << name + QLatin1Char(' ') + kFileDay + QStringLiteral(".pdf");
    QStringList sorted = files;
    sorted.sort();
    EXPECT_EQ(filesIn(out), sorted);

    // Progress in batch order, one line per report.
    qsizetype from = 0;
    for (int i = 0; i < expected.size(); ++i) {
        const QString line = QStringLiteral("[%1/13] %2").arg(i + 1).arg(expected[i]);
        const qsizetype at = r.err.indexOf(line, from);
        EXPECT_GE(at, from) << line.toStdString() << "\n" << r.err.toStdString();
        from = std::max(from, at);
    }
    // The batch asks the audit trail for every patient of the day: it has rows.
    const QString audit = pdfText(QDir(out).filePath(files[7]));
    EXPECT_TRUE(audit.contains(hospitalName()));
    EXPECT_TRUE(audit.contains(QRegularExpression(QStringLiteral("IP-\\d+ +I "))) && audit.contains(QRegularExpression(QStringLiteral("OP-\\d+ +O "))))
        << audit.left(2000).toStdString();
    const QString lab = pdfText(QDir(out).filePath(files[4]));
    EXPECT_TRUE(lab.contains(QStringLiteral("Laboratory"), Qt::CaseInsensitive));
}

TEST(RunCommand, AccountStatusBySortOrderOnBilling)
{
    const QString out = freshDir(QStringLiteral("account"));
    const QString trace = QDir(out).filePath(QStringLiteral("trace.txt"));
    const QString files = QDir(out).filePath(QStringLiteral("csv"));
    const Result r = runCli(QStringList{QStringLiteral("patients-account-status-report"), QStringLiteral("--date"),
                                        kDay, QStringLiteral("--sort"), QStringLiteral("station"),
                                        QStringLiteral("--csv"), files, QStringLiteral("--trace"), trace}
                            + logIn());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(filesIn(files), QStringList{QStringLiteral("Patients Account Status Report ") + kFileDay + ".csv"});
    QFile t(trace);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(t.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("/REPORTS/PatientsAccountStatusReportByStation.rpt\n--   database: BILLING\n")))
        << text.toStdString();
}

TEST(RunCommand, BadInputsAreRefusedBeforeAnythingIsProduced)
{
    struct Case
    {
        const char* why;
        QStringList args;
        const char* message;
    };
    const QString out = freshDir(QStringLiteral("bad"));
    const QString files = QDir(out).filePath(QStringLiteral("files"));
    const std::vector<Case> cases{
        {"a day February does not have", {"admission-logbook", "--date", "02/30/2026", "--pdf", files}, "not a date"},
        {"a date in another form", {"admission-logbook", "--date", "2026-03-09", "--pdf", files}, "not a date"},
        {"a day after the server's date, which the dialogs cannot pick either",
         {"admission-logbook", "--date", "03/16/2026", "--pdf", files}, "after the server's date 03/15/2026"},
        {"an unknown report", {"Daily Summary Of Everything", "--date", kDay, "--pdf", files}, "Unknown report"},
        {"a batch without its reports", {"end-of-day", "--date", kDay, "--pdf", files}, "--all or --reports"},
        {"an unknown box of the batch", {"end-of-day", "--reports", "0,99", "--date", kDay, "--pdf", files}, "no report \"99\""},
        {"no output at all", {"admission-logbook", "--date", kDay}, "Nothing to produce"},
        {"a sort order for a report without one", {"admission-logbook", "--sort", "name", "--pdf", files}, "takes no --sort"},
        {"a period that starts after it ends",
         {"list-of-admissions", "--from", "03/10/2026", "--to", "03/09/2026", "--pdf", files}, "Invalid Report Period..."},
        {"a period past the server's day",
         {"adjustments-report", "--from", "03/10/2026", "--to", "03/16/2026", "--pdf", files}, "after the server's date"},
        {"a balance class the aging does not have",
         {"aging-analysis-summary", "--class", "X", "--from", "03/01/2026", "--to", "03/09/2026", "--pdf", files},
         "--class takes one of P|N|A"},
        {"a patient class the audit trail does not have",
         {"daily-transactions-audit-trail", "--patients", "P", "--all", "--date", kDay, "--pdf", files},
         "--patients takes one of I|O|A"},
    };
    for (const Case& c : cases) {
        const Result r = runCli(c.args + logIn());
        EXPECT_EQ(r.status, 2) << c.why << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << c.why << "\n" << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(files)) << c.why;
    }
    // A refused period is told against the workstation's day, by its date.
    const Result r = runCli(QStringList{"list-of-admissions", "--from", "03/10/2026", "--to", "03/09/2026", "--pdf", files}
                            + logIn());
    EXPECT_TRUE(r.err.contains(QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")))) << r.err.toStdString();
}

TEST(RunCommand, PasswordsComeOnlyFromAPrivateFileOrStandardInput)
{
    const QString out = freshDir(QStringLiteral("pw"));
    const QStringList report{QStringLiteral("admission-logbook"), QStringLiteral("--date"), kDay, QStringLiteral("--pdf"), out};
    const QStringList data{QStringLiteral("--user"), QStringLiteral("demo"), QStringLiteral("--data"), demoFolder()};

    // A wrong password: refused, nothing produced.
    Result r = runCli(report + data + QStringList{QStringLiteral("--password-file"), passwordFile("not-the-password")});
    EXPECT_EQ(r.status, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("log-in refused"))) << r.err.toStdString();
    EXPECT_TRUE(filesIn(out).isEmpty());

    // A file others may read is refused without trying it.
    r = runCli(report + data
               + QStringList{QStringLiteral("--password-file"),
                             passwordFile("demo", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther)});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("0644"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("must be 0600 or 0400"))) << r.err.toStdString();
    EXPECT_TRUE(filesIn(out).isEmpty());

    // Never from the command line.
    r = runCli(report + data + QStringList{QStringLiteral("--password"), QStringLiteral("demo")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("never taken from the command line"))) << r.err.toStdString();
    EXPECT_TRUE(filesIn(out).isEmpty());

    // Standard input works.
    r = runCli(report + data + QStringList{QStringLiteral("--password-stdin")}, "demo\n");
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(filesIn(out), QStringList{QStringLiteral("Daily Admission Logbook ") + kFileDay + ".pdf"});
}

TEST(RunCommand, WithoutADateTheServersDayAsTheDialogsStart)
{
    // The server's clock says 03/15/2026 whatever the workstation's says.
    const QString out = freshDir(QStringLiteral("today"));
    const Result r = runCli({QStringLiteral("Admission Logbook"), QStringLiteral("--pdf"), out, QStringLiteral("--user"),
                             QStringLiteral("demo"), QStringLiteral("--password-stdin"), QStringLiteral("--data"), demoFolder()},
                            "demo\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(filesIn(out), QStringList{QStringLiteral("Daily Admission Logbook 03-15-2026.pdf")});
}

TEST(RunCommand, DataThatCannotBeReachedRefusesTheLogIn)
{
    const QString out = freshDir(QStringLiteral("unreachable"));
    const QStringList report{QStringLiteral("admission-logbook"), QStringLiteral("--date"), kDay, QStringLiteral("--pdf"), out,
                             QStringLiteral("--user"), QStringLiteral("demo"), QStringLiteral("--password-file"), passwordFile()};
    Result r = runCli(report + QStringList{QStringLiteral("--data"), workDir().filePath(QStringLiteral("no-such-folder"))});
    EXPECT_EQ(r.status, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("no-such-folder"))) << r.err.toStdString();
    r = runCli(report + QStringList{QStringLiteral("--odbc"), QStringLiteral("DRIVER={No Such Driver};SERVER=nowhere")});
    EXPECT_EQ(r.status, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("No Such Driver"))) << r.err.toStdString();
    EXPECT_TRUE(filesIn(out).isEmpty());
}

TEST(RunCommand, ADatabaseFailureInTheMiddleKeepsWhatCameBefore)
{
    // The admission logbook, third in batch order, reads a table this copy no longer has.
    const QString data = copyOfDemo();
    exec(data, {QStringLiteral("DROP TABLE Reports.tbRepAdmission")});
    const QString out = freshDir(QStringLiteral("fail"));
    const Result r = runCli(QStringList{QStringLiteral("end-of-day"), QStringLiteral("--date"), kDay,
                                        QStringLiteral("--reports"), QStringLiteral("0,1,2,3,8"),
                                        QStringLiteral("--pdf"), out}
                            + logIn(data));
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_EQ(filesIn(out), (QStringList{QStringLiteral("Daily Summary Of Discharges ") + kFileDay + ".pdf",
                                         QStringLiteral("Daily Summary Of Services ") + kFileDay + ".pdf"}));
    EXPECT_TRUE(r.err.contains(QStringLiteral("[3/5] ")) && r.err.contains(QStringLiteral("... failed")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("stopped at \"Admission Log Book\""))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("tbRepAdmission"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Produced before the failure"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QDir(out).filePath(QStringLiteral("Daily Summary Of Services ") + kFileDay + ".pdf")))
        << r.err.toStdString();
}

TEST(RunCommand, PrintsOnTheDefaultPrinter)
{
    // A hospital name no other job has, to find this run's page among CUPS-PDF's output.
    const QString data = copyOfDemo();
    const QString marker = QStringLiteral("Print Run %1").arg(QDateTime::currentMSecsSinceEpoch());
    exec(data, {QStringLiteral("UPDATE Patient_data.tbHospitalInfo SET Company = '%1'").arg(marker)});
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    const Result r = runCli(QStringList{QStringLiteral("payment-summary-report"), QStringLiteral("--date"), kDay,
                                        QStringLiteral("--print")}
                            + logIn(data));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    QString waited;
    const QString found = tarvik::testsupport::waitForPrintedPdf(marker, started, &waited);
    ASSERT_FALSE(found.isEmpty()) << "no printed page:\n" << waited.toStdString();
    EXPECT_TRUE(pdfText(found).contains(QStringLiteral("Payment Summary"), Qt::CaseInsensitive));
    QFile::remove(found);
}

TEST(RunCommand, ListsEveryReportAndBatchWithItsInputs)
{
    const Result r = runCli({QStringLiteral("--list")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    auto lineOf = [&](const QString& name) {
        for (const QString& l : lines)
            if (l.startsWith(name + QLatin1Char(' ')))
                return l;
        return QString();
    };
    EXPECT_TRUE(lineOf(QStringLiteral("daily-summary-of-discharges")).contains(QStringLiteral("Daily Summary Of Discharges")));
    EXPECT_TRUE(lineOf(QStringLiteral("daily-summary-of-discharges")).contains(QStringLiteral("--date")));
    EXPECT_TRUE(lineOf(QStringLiteral("patients-account-status-report")).contains(QStringLiteral("--sort")));
    EXPECT_TRUE(lineOf(QStringLiteral("end-of-day")).contains(QStringLiteral("--reports")));
    // The batch's thirteen reports, each with its number, on the lines under it.
    int boxes = 0;
    bool underEndOfDay = false;
    for (const QString& l : lines) {
        if (!l.startsWith(QStringLiteral("    ")))
            underEndOfDay = l.startsWith(QStringLiteral("end-of-day "));
        else if (underEndOfDay)
            ++boxes;
    }
    EXPECT_EQ(boxes, 13);
}

// A code typed with a quote and accents, kept with `misc-codes` and reported by `run`, after
// receipts for it were taken: stored, found and reported as typed, every command text quoted.
TEST(MiscCodesCommand, ACodeIsKeptFoundAndReportedAsTyped)
{
    const QString data = copyOfDemo();
    exec(data, {"INSERT INTO BILLING.tbReceipt (ORNo, ReceivedAt, ReceiptDate, CashierID, ReceivedFrom, Tender, Amount)"
                " VALUES ('T-1', '2026-03-02 10:00:00', '2026-03-02', 'C1', 'Café', 'CASH', 150000),"
                " ('T-2', '2026-03-03 10:00:00', '2026-03-03', 'C1', 'Café', 'CASH', 25050)",
                "INSERT INTO BILLING.tbReceiptLine (ORNo, LineNo, LineKind, MiscCode, Amount)"
                " VALUES ('T-1', 1, 'MISC', 'CAFÉ O''HARA', 150000), ('T-2', 1, 'MISC', 'CAFÉ O''HARA', 25050)"});
    const QStringList code{QStringLiteral("CAFÉ O'HARA"), QStringLiteral("Café O'Hara Concession")};

    const Result blank = runProgram(QStringList{"misc-codes", "set", "  ", "Nameless"} + logIn(data));
    EXPECT_EQ(blank.status, 2) << blank.err.toStdString();
    const Result set = runProgram(QStringList{"misc-codes", "set"} + code + logIn(data));
    ASSERT_EQ(set.status, 0) << set.err.toStdString();
    EXPECT_EQ(set.out, code.join('\t') + '\n');
    const Result list = runProgram(QStringList{"misc-codes", "list", "café o'h"} + logIn(data));
    ASSERT_EQ(list.status, 0) << list.err.toStdString();
    EXPECT_EQ(list.out, code.join('\t') + '\n');

    const QString out = freshDir(QStringLiteral("misc"));
    const QString trace = QDir(out).filePath(QStringLiteral("trace.txt"));
    const Result report = runCli(QStringList{"monthly-miscellaneous-report", "--code", "café o'hara", "--month", "03/2026",
                                             "--pdf", out, "--trace", trace}
                                 + logIn(data));
    ASSERT_EQ(report.status, 0) << report.err.toStdString();
    const QString pdf = QDir(out).filePath(QStringLiteral("Monthly Café O'Hara Concession Report 03-2026.pdf"));
    EXPECT_TRUE(report.out.contains(pdf)) << report.out.toStdString();
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Monthly Café O'Hara Concession Report"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("1,750.50"))) << text.toStdString();
    QFile t(trace);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(t.readAll()).split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '1', 'café o''hara'")));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("Reports..sp_Rep_MonthlyREcompute '03/01/2026', '03/31/2026', 'CAFÉ O''HARA', 'Y'")));

    const Result unknown = runCli(QStringList{"year-end-miscellaneous-report", "--code", "NO SUCH", "--year", "2026",
                                              "--pdf", out} + logIn(data));
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("There is no miscellaneous revenue code \"NO SUCH\""))) << unknown.err.toStdString();
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
