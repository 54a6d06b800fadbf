// What a report may do to the database and the disk: its query only reads, and its PDF goes
// through the export file layer (staged, synced, the replaced file's mode kept, every write
// checked).

#include "ExportSupport.h"
#include "fixture.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvik::engine;

namespace {

class FileSafety : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir();
        s_folder = enginetest::makeDataFolder(*s_dir, 60);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    void TearDown() override { detail::setFaultInjector({}); }

    static QStringList collection()
    {
        return enginetest::queryColumn(s_folder, QStringLiteral("SELECT Name || Debit FROM Patient_data.tbCollection ORDER BY rowid"));
    }
    static mode_t modeOf(const QString& path)
    {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QTemporaryDir* s_dir;
    static QString s_folder;
    QTemporaryDir m_dir;
};
QTemporaryDir* FileSafety::s_dir = nullptr;
QString FileSafety::s_folder;

struct WritingQuery
{
    const char* query;
    const char* cause;
};

std::ostream& operator<<(std::ostream& out, const WritingQuery& q) { return out << q.query; }

class WritingQueries : public FileSafety, public ::testing::WithParamInterface<WritingQuery> {};

TEST_P(WritingQueries, AreRefusedAndChangeNothing)
{
    const QStringList before = collection();
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("writes.rpt"), QStringLiteral(R"(<report version="1">
  <tables><table alias="T" location="Patient_data.dbo.tbCollection"/></tables>
  <query>%1</query>
  <detail height="12"><field column="Name" width="200"/></detail>
</report>)").arg(QString::fromUtf8(GetParam().query).toHtmlEscaped()).toUtf8());
    auto report = openReport(rpt);
    report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Patient_data"), {}, {});
    auto doc = report->layOut();
    doc->waitForFinished();
    EXPECT_TRUE(doc->hasFailed()) << GetParam().query;
    EXPECT_TRUE(doc->errorString().contains(QStringLiteral("writes.rpt:3:"))) << doc->errorString().toStdString();
    EXPECT_TRUE(doc->errorString().contains(QString::fromUtf8(GetParam().cause))) << doc->errorString().toStdString();
    EXPECT_EQ(collection(), before) << GetParam().query;
}

INSTANTIATE_TEST_SUITE_P(
    Queries, WritingQueries,
    ::testing::Values(WritingQuery{"DELETE FROM {T} RETURNING Name", "may only read data"},
                      WritingQuery{"UPDATE {T} SET Name = 'changed' RETURNING Name", "may only read data"},
                      WritingQuery{"INSERT INTO {T} (Name) VALUES ('added') RETURNING Name", "may only read data"},
                      WritingQuery{"WITH gone AS (SELECT 1) DELETE FROM {T} RETURNING Name", "may only read data"},
                      WritingQuery{"SELECT Name FROM {T}; DELETE FROM {T}", "multiple statements"}));

struct ModeCase
{
    const char* why;
    mode_t existing; // 0: no earlier file
    mode_t umask;
    mode_t expected;
};

std::ostream& operator<<(std::ostream& out, const ModeCase& c) { return out << c.why; }

class PdfModes : public FileSafety, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(PdfModes, FollowTheReplacedFileOrStayPrivate)
{
    const ModeCase& c = GetParam();
    const QString pdf = m_dir.filePath(QStringLiteral("Collections.pdf"));
    if (c.existing) {
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier");
        f.close();
        ASSERT_EQ(::chmod(QFile::encodeName(pdf).constData(), c.existing), 0);
    }
    const mode_t saved = ::umask(c.umask);
    writePdf(enginetest::openCollections(s_folder), pdf);
    ::umask(saved);
    EXPECT_EQ(modeOf(pdf), c.expected) << c.why;
    EXPECT_TRUE(contents(pdf).startsWith("%PDF")) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PdfModes,
    ::testing::Values(ModeCase{"a patient report kept private stays private", 0600, 022, 0600},
                      ModeCase{"a report shared with the group stays shared", 0640, 077, 0640},
                      ModeCase{"a new report is its owner's only", 0, 022, 0600},
                      ModeCase{"a new report under a stricter umask", 0, 077, 0600}));

struct PdfFault
{
    const char* why;
    detail::FileStep step;
    int error;
    const char* reason;
};

std::ostream& operator<<(std::ostream& out, const PdfFault& f) { return out << f.why; }

class PdfFaults : public FileSafety, public ::testing::WithParamInterface<PdfFault> {};

TEST_P(PdfFaults, SayWhatHappenedAndKeepTheEarlierFile)
{
    const PdfFault& f = GetParam();
    const QString pdf = m_dir.filePath(QStringLiteral("Collections.pdf"));
    {
        QFile earlier(pdf);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("the earlier report");
    }
    auto report = enginetest::openCollections(s_folder);
    detail::setFaultInjector([&f](detail::FileStep step, const QString&) { return step == f.step ? f.error : 0; });
    try {
        writePdf(report, pdf);
        ADD_FAILURE() << f.why << ": reported as written";
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains(QString::fromUtf8(f.reason))) << e.what();
        EXPECT_TRUE(e.message().contains(pdf)) << e.what();
    }
    detail::setFaultInjector({});
    EXPECT_EQ(contents(pdf), QByteArray("the earlier report"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Collections.pdf")});
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PdfFaults,
    ::testing::Values(PdfFault{"a full disk", detail::FileStep::Write, ENOSPC, "No space left on device"},
                      PdfFault{"a device error at the sync", detail::FileStep::Sync, EIO, "Input/output error"},
                      PdfFault{"a rename refused", detail::FileStep::Rename, EACCES, "Permission denied"}));


// Pages beyond the memory budget go to a temporary file; a disk that fills up under them must
// fail the layout with the system's reason, not leave pages that paint, print and export blank.
// The limit leaves out only the last page's tail.
TEST_F(FileSafety, PagesThatCannotBeStoredFailTheLayout)
{
    // A page a row, each with many lines: a file larger than the database's own files need.
    QByteArray fields;
    for (int i = 0; i < 80; ++i)
        fields += QByteArray(R"(<field column="Name" x=")") + QByteArray::number(i % 2 * 220) + R"(" y=")" +
                  QByteArray::number(i / 2 * 12) + R"(" width="200"/>)";
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("tall.rpt"), QByteArray(R"(<report version="1">
  <tables><table alias="T" location="Patient_data.dbo.tbCollection"/></tables>
  <query>SELECT Name FROM {T}</query>
  <detail height="500">)") + fields + R"(</detail>
</report>)");
    QTemporaryDir temp;
    const QString sizeFile = m_dir.filePath(QStringLiteral("size"));
    // Lays the report out in a child whose files may grow to `limit` bytes (0: no limit); the
    // child's status says whether the layout failed as it should.
    const auto layOutInChild = [&](qint64 limit) {
        const pid_t child = ::fork();
        if (child != 0)
            return child;
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        detail::pageMemoryBudget = 0; // every page to the file
        if (limit > 0) {
            std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of ending the process
            const rlimit rl{rlim_t(limit), rlim_t(limit)};
            ::setrlimit(RLIMIT_FSIZE, &rl);
        }
        auto report = openReport(rpt);
        report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Patient_data"), {}, {});
        auto doc = report->layOut();
        doc->waitForFinished();
        const bool failed = doc->hasFailed() && doc->errorString().contains(QStringLiteral("report's pages")) &&
                            doc->errorString().contains(QStringLiteral("File too large"));
        if (limit == 0) {
            // The page file may have no name (O_TMPFILE): find it among the open descriptors.
            qint64 size = 0;
            const QDir fds(QStringLiteral("/proc/self/fd"));
            for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
                struct stat st {};
                if (QFile::symLinkTarget(fds.filePath(fd)).startsWith(temp.path()) && ::fstat(fd.toInt(), &st) == 0)
                    size += st.st_size;
            }
            QFile out(sizeFile);
            if (out.open(QIODevice::WriteOnly))
                out.write(QByteArray::number(size));
        }
        if (failed != (limit > 0))
            std::fprintf(stderr, "%d pages, failed %d: %s\n", doc->pageCount(), int(doc->hasFailed()),
                         qPrintable(doc->errorString()));
        ::_exit(failed == (limit > 0) ? 0 : 1);
    };
    const auto statusOf = [](pid_t child) {
        int status = 0;
        return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(statusOf(layOutInChild(0)), 0) << "the layout failed without a limit";
    const qint64 whole = contents(sizeFile).toLongLong();
    ASSERT_GT(whole, 64 * 1024) << "the pages never went to the file";
    EXPECT_EQ(statusOf(layOutInChild(whole - 10)), 0) << "a full disk under the last page went unnoticed";
}

} // namespace
