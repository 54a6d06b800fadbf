// The export file layer under faults a test can make without a full disk: failing writes,
// syncs and renames injected into the layer, a file size limit that makes libxlsxwriter's own
// writes fail, an unwritable temp folder, a stop, and the leftovers of killed runs.

#include "ExportSupport.h"
#include "ExportTestSupport.h"
#include "SheetWriter.h"
#include "XlsxCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

using namespace tarvik::engine;
using namespace tarvik::test;
using detail::FileStep;

namespace {

const QByteArray kEarlier = "the earlier export";

std::vector<Cell> numberedRow(int i)
{
    return {Cell::ofText(QStringLiteral("Patient %1, ward %2").arg(i).arg(i % 17)), Cell::ofNumber(i * 1.25),
            Cell::ofDate(QDate(2026, 3, 1).addDays(i % 300))};
}

// Writes `rows` rows to path in the format; the error it ended with, if any.
QString exportRows(ExportFormat format, const QString& path, int rows)
{
    try {
        auto w = createSheetWriter(format, path, QStringLiteral("Logbook"));
        for (int i = 0; i < rows; ++i)
            w->addRow(numberedRow(i));
        w->finish();
    } catch (const std::runtime_error& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

struct InjectedFault
{
    const char* why;
    ExportFormat format;
    const char* suffix;
    FileStep step;
    int error;
    const char* reason;
};

std::ostream& operator<<(std::ostream& out, const InjectedFault& f) { return out << f.why; }

class InjectedFaults : public ::testing::TestWithParam<InjectedFault>
{
protected:
    void TearDown() override { detail::setFaultInjector({}); }
    QTemporaryDir dir;
};

TEST_P(InjectedFaults, SayWhatHappenedAndKeepTheEarlierFile)
{
    const InjectedFault& f = GetParam();
    const QString target = dir.filePath(QStringLiteral("Daily Admission Logbook 03-09-2026.") + f.suffix);
    writeAll(target, kEarlier);
    detail::setFaultInjector([&f](FileStep step, const QString&) { return step == f.step ? f.error : 0; });
    const QString message = exportRows(f.format, target, 20000);
    EXPECT_TRUE(message.contains(QString::fromUtf8(f.reason))) << f.why << ": " << message.toStdString();
    EXPECT_TRUE(message.contains(target)) << f.why << ": " << message.toStdString();
    EXPECT_EQ(readAll(target), kEarlier) << f.why;
    EXPECT_EQ(filesIn(dir.path()), QStringList{QFileInfo(target).fileName()}) << f.why << ": something was left";
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InjectedFaults,
    ::testing::Values(
        InjectedFault{"a full disk under an .xls", ExportFormat::Xls, "xls", FileStep::Write, ENOSPC,
                      "No space left on device"},
        InjectedFault{"a full disk under a CSV", ExportFormat::Csv, "csv", FileStep::Write, ENOSPC,
                      "No space left on device"},
        InjectedFault{"a device error at the sync of an .xls", ExportFormat::Xls, "xls", FileStep::Sync, EIO,
                      "Input/output error"},
        InjectedFault{"a device error at the sync of an .xlsx", ExportFormat::Xlsx, "xlsx", FileStep::Sync, EIO,
                      "Input/output error"},
        InjectedFault{"a rename that fails for a CSV", ExportFormat::Csv, "csv", FileStep::Rename, EROFS,
                      "Read-only file system"},
        InjectedFault{"a rename that fails for an .xlsx", ExportFormat::Xlsx, "xlsx", FileStep::Rename, ENOSPC,
                      "No space left on device"}));

TEST(ExportStop, EndsTheExportAtItsNextWriteAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Stopped.csv"));
    writeAll(target, kEarlier);
    auto w = createSheetWriter(ExportFormat::Csv, target, QStringLiteral("S"));
    w->addRow(numberedRow(1));
    requestExportStop();
    QString message;
    try {
        for (int i = 0; i < 50000; ++i)
            w->addRow(numberedRow(i));
        w->finish();
    } catch (const std::runtime_error& e) {
        message = QString::fromUtf8(e.what());
    }
    clearExportStop();
    EXPECT_TRUE(message.contains(QStringLiteral("the export was stopped"))) << message.toStdString();
    w.reset();
    EXPECT_EQ(readAll(target), kEarlier);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("Stopped.csv")});
}

// libxlsxwriter ignores failed writes of its temporary files and of the workbook itself; a file
// size limit makes those writes fail (as a full disk would) in a child process.
TEST(XlsxLibraryWrites, ThatFailAreCaughtBeforeTheWorkbookReplacesAnything)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Income Report 03-2026.xlsx"));
    writeAll(target, kEarlier);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of ending the process
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const QString message = exportRows(ExportFormat::Xlsx, target, 30000);
        const bool ok = message.contains(QStringLiteral("damaged")) && message.contains(target);
        if (!ok)
            std::fprintf(stderr, "export ended with: %s\n", qPrintable(message));
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a damaged workbook was taken as finished";
    EXPECT_EQ(readAll(target), kEarlier);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QFileInfo(target).fileName()});
    // Without the limit the same export is whole.
    EXPECT_EQ(exportRows(ExportFormat::Xlsx, target, 30000), QString());
    EXPECT_EQ(readXlsxSheetWithXlsx2csv(target, 1).size(), 30000u);
}

TEST(XlsxLibraryWrites, TemporaryFilesGoBesideTheTargetNotToTheTempFolder)
{
    QTemporaryDir dir;
    const QByteArray savedTmp = qgetenv("TMPDIR"), savedTmp2 = qgetenv("TMP"), savedTemp = qgetenv("TEMP");
    for (const char* name : {"TMPDIR", "TMP", "TEMP"})
        qputenv(name, "/proc/no-temp-here"); // nothing can be written there
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_CREATE), 0);
    const QString target = dir.filePath(QStringLiteral("Collections.xlsx"));
    const QString message = exportRows(ExportFormat::Xlsx, target, 2000);
    for (const char* name : {"TMPDIR", "TMP", "TEMP"})
        qunsetenv(name);
    if (!savedTmp.isEmpty())
        qputenv("TMPDIR", savedTmp);
    if (!savedTmp2.isEmpty())
        qputenv("TMP", savedTmp2);
    if (!savedTemp.isEmpty())
        qputenv("TEMP", savedTemp);
    EXPECT_EQ(message, QString()) << message.toStdString();

    QStringList created;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* p = buffer; p < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            if (e->len > 0)
                created << QString::fromLocal8Bit(e->name);
            p += sizeof(inotify_event) + e->len;
        }
    ::close(watch);
    EXPECT_FALSE(created.filter(QRegularExpression(QStringLiteral("^tmp\\."))).isEmpty())
        << "the library's temporary files went elsewhere: " << created.join(' ').toStdString();
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("Collections.xlsx")});
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

// libxlsxwriter leaves a sheet's temporary file open when the sheet has no cell, or when the
// workbook is abandoned: a long session would run out of descriptors (the fuzzer found it).
TEST(XlsxLibraryWrites, EmptyAndAbandonedWorkbooksLeaveNoFileOpen)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Empty.xlsx"));
    ASSERT_EQ(exportRows(ExportFormat::Xlsx, target, 0), QString()); // the first one opens what stays open
    const int before = openDescriptors();
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(exportRows(ExportFormat::Xlsx, target, 0), QString());
        auto abandoned = createSheetWriter(ExportFormat::Xlsx, target, QStringLiteral("S"));
        abandoned->addRow(numberedRow(i));
    }
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("Empty.xlsx")});
}

struct Damage
{
    const char* why;
    std::function<void(QByteArray&)> apply;                           // to the file's bytes
    std::function<void(std::vector<detail::SheetContent>&)> expect;   // to what was written
    const char* cause;
};

std::ostream& operator<<(std::ostream& out, const Damage& d) { return out << d.why; }

class DamagedWorkbooks : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedWorkbooks, AreRefusedByTheReadBack)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.xlsx"));
    ASSERT_EQ(exportRows(ExportFormat::Xlsx, good, 500), QString());
    std::vector<detail::SheetContent> written = detail::readXlsxBack(good, good, 1);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].rows, 500);
    EXPECT_EQ(written[0].cells, 1500);
    QByteArray bytes = readAll(good);
    GetParam().apply(bytes);
    GetParam().expect(written);
    const QString bad = dir.filePath(QStringLiteral("bad.xlsx"));
    writeAll(bad, bytes);
    try {
        detail::verifyXlsx(bad, QStringLiteral("/reports/Report.xlsx"), written);
        ADD_FAILURE() << GetParam().why << ": accepted";
    } catch (const std::runtime_error& e) {
        const QString message = QString::fromUtf8(e.what());
        EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot export to /reports/Report.xlsx:"))) << e.what();
        EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().cause))) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedWorkbooks,
    ::testing::Values(
        Damage{"cut in half", [](QByteArray& b) { b.truncate(b.size() / 2); }, [](auto&) {}, "zip directory"},
        Damage{"a byte changed inside the sheet's data", [](QByteArray& b) { b[b.size() / 3] = char(b[b.size() / 3] ^ 0x5A); },
               [](auto&) {}, "sheet1.xml"},
        Damage{"an empty file", [](QByteArray& b) { b.clear(); }, [](auto&) {}, "0 bytes"},
        Damage{"fewer rows than were written", [](QByteArray&) {}, [](auto& w) { ++w[0].rows; }, "holds 500 rows of the 501"},
        Damage{"fewer cells than were written", [](QByteArray&) {}, [](auto& w) { ++w[0].cells; }, "1500 cells of the 1501"},
        Damage{"a text that lost its end", [](QByteArray&) {}, [](auto& w) { w[0].addText("Patient"); },
               "texts other than those written"},
        Damage{"a sheet that was never written", [](QByteArray&) {}, [](auto& w) { w.emplace_back(); },
               "sheet2.xml is missing"}));

struct Leftover
{
    const char* why;
    const char* name;
    int ageSeconds;
    bool heldOpen;
    bool removed;
};

std::ostream& operator<<(std::ostream& out, const Leftover& l) { return out << l.why; }

class Leftovers : public ::testing::TestWithParam<Leftover> {};

TEST_P(Leftovers, OfDeadRunsAreRemovedAndLiveOnesKept)
{
    const Leftover& l = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8(l.name));
    writeAll(path, "half a report");
    const time_t when = ::time(nullptr) - l.ageSeconds;
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
    int held = -1;
    if (l.heldOpen) { // as a live export holds its file
        held = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    }
    EXPECT_EQ(removeStaleExportFiles(dir.path()), l.removed ? 1 : 0) << l.why;
    EXPECT_EQ(QFileInfo::exists(path), !l.removed) << l.why;
    if (held >= 0)
        ::close(held);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Leftovers,
    ::testing::Values(
        Leftover{"a killed run's staged PDF", ".Daily Admission Logbook 03-09-2026.pdf.0a1b2c3d.part", 3600, false, true},
        Leftover{"an earlier version's staged PDF", ".Income.pdf.Ab3xYz.part", 3600, false, true},
        Leftover{"a staged file being written now", ".Income.xls.0a1b2c3d.part", 3600, true, false},
        Leftover{"a staged file only just created", ".Income.xls.0a1b2c3d.part", 0, false, false},
        Leftover{"a file of the user's that ends in .part", "movie.part", 3600, false, false},
        Leftover{"a report", "Income.xls", 3600, false, false}));

TEST(StagedFiles, LiveOnesAreLockedAndCleanedUpOnDemand)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Census.csv"));
    auto w = createSheetWriter(ExportFormat::Csv, target, QStringLiteral("S"));
    w->addRow(numberedRow(1));
    const QStringList staged = filesIn(dir.path());
    ASSERT_EQ(staged.size(), 1);
    EXPECT_EQ(removeStaleExportFiles(dir.path(), 0), 0) << "a live export's file was taken for a dead one";
    // What a process does when it must end at once (in a child: nothing may export after it).
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        removeUnfinishedExports();
        const bool gone = filesIn(dir.path()).isEmpty();
        const bool refused = !exportRows(ExportFormat::Csv, dir.filePath(QStringLiteral("Later.csv")), 1).isEmpty();
        ::_exit(gone && refused && filesIn(dir.path()).isEmpty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "an unfinished file stayed, or an export started after the removal";
}

} // namespace
