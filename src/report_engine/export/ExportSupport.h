#pragma once

// Pieces shared by the export filters: the staged output file, a buffered writer that reports
// failures with the path, Excel serial dates and sheet names.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace tarvik::engine {

// Stops every export of the process at its next write (the command line's answer to SIGTERM):
// the export fails with "the export was stopped" and leaves no file of its own behind.
void requestExportStop();
void clearExportStop();

// Deletes the temporary files of every export still being written, and refuses every export
// that would start after: for a process that has to end at once, when a stop was not answered in
// time. Safe from any thread.
void removeUnfinishedExports();

// One export's cancel and progress, shared between the thread that runs it and the window that
// shows it. While an ExportControlScope lives on a thread, the exports there count what they
// wrote and, once `cancel` is set, fail at their next row, page or write with "the export was
// cancelled", leaving no file of their own and any earlier file at the path as it was.
struct ExportControl
{
    std::atomic<bool> cancel{false};
    std::atomic<int> done{0};  // rows or pages written so far
    std::atomic<int> total{0}; // pages of a PDF; 0 while not known
};

class ExportControlScope
{
public:
    explicit ExportControlScope(ExportControl* control);
    ~ExportControlScope();
    ExportControlScope(const ExportControlScope&) = delete;
    ExportControlScope& operator=(const ExportControlScope&) = delete;

private:
    ExportControl* previous_;
};

// The control of the export running on this thread, or nullptr.
ExportControl* currentExportControl();
// Throws std::runtime_error("the export was cancelled") when this thread's export is cancelled.
void throwIfExportCancelled();
inline constexpr const char* kExportCancelledText = "the export was cancelled";

// Deletes the temporary files that earlier exports left in folder (a run killed or cut off by
// a power failure): files named as a staged export is, at least minAgeSeconds old, that no
// process holds open any more. Returns how many went.
int removeStaleExportFiles(const QString& folder, int minAgeSeconds = 10);

} // namespace tarvik::engine

namespace tarvik::engine::detail {

// The file layer's fault injection, for tests (no full disk or failing device needed): before
// each step of a staged or scratch file it is asked for an errno, and a non-zero one makes the
// step fail as the system would. Empty (the default) injects nothing.
enum class FileStep { Write, Sync, Rename };
using FaultInjector = std::function<int(FileStep step, const QString& targetPath)>;
void setFaultInjector(FaultInjector injector);

Q_DECLARE_LOGGING_CATEGORY(lcExport)

// Excel keeps at most this many characters in a cell.
inline constexpr int kMaxCellChars = 32767;

// The text cut to what a cell can hold (never inside a surrogate pair); a longer text is logged.
QString clippedCellText(const QString& text);

// Day number in Excel's 1900 date system, or nothing for dates it cannot show (before 1900,
// invalid). Days before 1 March 1900 follow Excel's numbering, which counts a 29 February 1900.
std::optional<double> excelSerial(const QDate& date);
std::optional<double> excelSerial(const QDateTime& dateTime);

// A sheet name Excel accepts: forbidden characters replaced, at most 31 characters, never empty.
// Sheet n > 1 gets " (n)" appended, shortening the base so the suffix fits.
QString sheetNameFor(const QString& requested, int sheetNumber);

// An Excel date/time format code ("mm/dd/yyyy hh:mm AM/PM") as a QDateTime format string.
QString qtDateTimeFormat(const QString& excelFormat);

// "yyyy-MM-dd" text for a date Excel cannot hold as a number.
QString isoDateText(const QDate& date);
QString isoDateTimeText(const QDateTime& dateTime);

// A file of the export layer: every write goes through the fault injection and the stop, and
// the first failure is kept with the system's reason (QPdfWriter, for one, ignores what its
// writes return, so a later check must still see that one failed).
class GuardedFile final : public QFile
{
public:
    explicit GuardedFile(QString targetPath) : target_(std::move(targetPath)) {}
    // The first write failure ("No space left on device"); empty while every write succeeded.
    const QString& failure() const { return failure_; }

protected:
    qint64 writeData(const char* data, qint64 len) override;

private:
    QString target_;
    QString failure_;
};

// A file written beside its target under a hidden temporary name (".<name>.<8 hex>.part") and
// renamed over the target by commit(). Until then the target is untouched; the destructor
// removes an uncommitted file. A new file is readable by its owner only (0600 less the umask:
// reports hold patients' data); a replaced file keeps the mode it had. The temporary file is
// locked while it lives, so removeStaleExportFiles can tell it from a dead run's.
class StagedFile
{
public:
    explicit StagedFile(const QString& targetPath);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    const QString& targetPath() const { return target_; }
    const QString& tempPath() const { return temp_; }
    GuardedFile& file() { return *file_; }

    // Checks every write, flushes, syncs and renames the temporary file over the target; any
    // failure throws with the target's path and the system's reason.
    void commit();

private:
    QString target_;
    QString temp_;
    std::unique_ptr<GuardedFile> file_;
    bool committed_ = false;
};

// An anonymous scratch file in the target's folder (unlinked at once, so nothing is left behind
// even after a crash). Scratch data stays on the disk the export goes to, not in memory.
std::unique_ptr<GuardedFile> openScratchFile(const QString& targetPath);

// Little-endian buffered output to a QFile. Every failure throws with the export's target path.
class BufferedOut
{
public:
    BufferedOut(QFile& file, QString targetPath);
    ~BufferedOut() = default;

    void write(const char* data, qint64 size);
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void u8(quint8 v) { put(&v, 1); }
    void u16(quint16 v);
    void u32(quint32 v);
    void f64(double v);
    void zeros(qint64 count);
    qint64 position() const { return flushed_ + buffer_.size(); }
    void flush();
    // Overwrites bytes already written at an earlier position.
    void patch(qint64 position, const QByteArray& bytes);
    [[noreturn]] void fail(const QString& what) const;

private:
    void put(const void* data, qint64 size);

    QFile& file_;
    QString target_;
    QByteArray buffer_;
    qint64 flushed_ = 0;
};

// Little-endian record builder for in-memory parts of a file.
struct Bytes
{
    QByteArray data;
    void u8(quint8 v) { data.append(char(v)); }
    void u16(quint16 v);
    void u32(quint32 v);
    void f64(double v);
    void append(const QByteArray& b) { data.append(b); }
};

} // namespace tarvik::engine::detail
