// Every format replaces its file atomically: an export that fails or is abandoned leaves the
// earlier file as it was and no temporary file behind; a bad folder is a clear error.

#include "ExportTestSupport.h"
#include "SheetWriter.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tarvik::engine;
using namespace tarvik::test;

namespace {

struct FormatCase
{
    ExportFormat format;
    const char* suffix;
};

class AtomicExport : public ::testing::TestWithParam<FormatCase>
{
protected:
    QTemporaryDir dir;
    const QByteArray earlier = "the earlier export";

    QString target() const { return dir.filePath(QStringLiteral("Daily Admission Logbook 02-03-2005.") + GetParam().suffix); }
    std::unique_ptr<SheetWriter> writer(const QString& path) const
    {
        return createSheetWriter(GetParam().format, path, QStringLiteral("Logbook"));
    }
    static void addSomeRows(SheetWriter& w)
    {
        for (const auto& r : sampleRows())
            w.addRow(r);
    }
    std::string messageOf(const std::function<void()>& f) const
    {
        try {
            f();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        ADD_FAILURE() << "no error was raised";
        return {};
    }
};

TEST_P(AtomicExport, FinishReplacesTheEarlierFileAndLeavesNothingElse)
{
    writeAll(target(), earlier);
    auto w = writer(target());
    addSomeRows(*w);
    EXPECT_EQ(readAll(target()), earlier) << "the target is untouched until finish()";
    w->finish();
    EXPECT_NE(readAll(target()), earlier);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QFileInfo(target()).fileName()});
}

TEST_P(AtomicExport, AbandonedExportLeavesTheEarlierFileIntact)
{
    writeAll(target(), earlier);
    {
        auto w = writer(target());
        addSomeRows(*w);
        // Destroyed without finish(), as when the report fails halfway.
    }
    EXPECT_EQ(readAll(target()), earlier);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QFileInfo(target()).fileName()}) << "no temporary left behind";
}

TEST_P(AtomicExport, FailingFinishIsReportedAndLeavesNothingHalfDone)
{
    auto w = writer(target());
    addSomeRows(*w);
    // The rename at the end cannot put a file over a folder that holds something.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QFileInfo(target()).fileName() + QStringLiteral("/keep")));
    const std::string message = messageOf([&] { w->finish(); });
    EXPECT_NE(message.find(QFileInfo(target()).fileName().toStdString()), std::string::npos) << message;
    w.reset();
    EXPECT_TRUE(QFileInfo(target()).isDir());
    EXPECT_EQ(filesIn(dir.path()), QStringList{}) << "the staged file is removed after the failure";
}

TEST_P(AtomicExport, MissingFolderIsAClearError)
{
    const QString path = dir.filePath(QStringLiteral("no such folder/report.") + GetParam().suffix);
    const std::string message = messageOf([&] { writer(path); });
    EXPECT_NE(message.find("no such folder"), std::string::npos) << message;
    EXPECT_NE(message.find("does not exist"), std::string::npos) << message;
}

TEST_P(AtomicExport, FileInPlaceOfTheFolderIsAClearError)
{
    writeAll(dir.filePath(QStringLiteral("plain file")), "x");
    const QString path = dir.filePath(QStringLiteral("plain file/report.") + GetParam().suffix);
    const std::string message = messageOf([&] { writer(path); });
    EXPECT_NE(message.find("is not a folder"), std::string::npos) << message;
}

TEST_P(AtomicExport, UnwritableFolderGivesTheSystemsReason)
{
    // /proc refuses new files even to the superuser, who ignores permission bits.
    const std::string message = messageOf([&] { writer(QStringLiteral("/proc/report.") + GetParam().suffix); });
    EXPECT_NE(message.find("/proc"), std::string::npos) << message;
    EXPECT_NE(message.find("cannot create a file"), std::string::npos) << message;
}

TEST_P(AtomicExport, NewFileIsReadableByItsOwnerOnly)
{
    const mode_t old = ::umask(022);
    auto w = writer(target());
    w->finish();
    ::umask(old);
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(target()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "a report holds patients' data; the usual umask would open it to all";
}

TEST_P(AtomicExport, ReplacedFileKeepsItsPermissions)
{
    writeAll(target(), earlier);
    ASSERT_TRUE(QFile::setPermissions(target(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    auto w = writer(target());
    w->finish();
    EXPECT_EQ(QFile::permissions(target()) & 0x0FFF & ~QFile::ReadUser & ~QFile::WriteUser & ~QFile::ExeUser,
              QFile::ReadGroup);
}

INSTANTIATE_TEST_SUITE_P(Formats, AtomicExport,
                         ::testing::Values(FormatCase{ExportFormat::Xls, "xls"}, FormatCase{ExportFormat::Xlsx, "xlsx"},
                                           FormatCase{ExportFormat::Csv, "csv"}),
                         [](const auto& info) { return std::string(info.param.suffix); });

TEST(ExportFormats, PdfIsNotASheetFormat)
{
    QTemporaryDir dir;
    EXPECT_THROW(createSheetWriter(ExportFormat::Pdf, dir.filePath(QStringLiteral("a.pdf")), QStringLiteral("x")),
                 std::invalid_argument);
}

} // namespace
