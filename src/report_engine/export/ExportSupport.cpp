#include "ExportSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik::engine::detail {

Q_LOGGING_CATEGORY(lcExport, "tarvik.engine.export")

namespace {

constexpr qint64 kBufferSize = 256 * 1024;

[[noreturn]] void throwFor(const QString& target, const QString& what)
{
    throw std::runtime_error(
        QStringLiteral("Cannot export to %1: %2").arg(QDir::toNativeSeparators(target), what).toStdString());
}

QString systemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

// The folder the export goes to must exist and be a folder; its own error says which.
QString checkedFolder(const QString& targetPath)
{
    if (targetPath.isEmpty())
        throw std::runtime_error("Cannot export: no file name was given");
    const QFileInfo target(targetPath);
    const QString folder = target.absolutePath();
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists())
        throwFor(targetPath, QStringLiteral("the folder %1 does not exist").arg(folder));
    if (!folderInfo.isDir())
        throwFor(targetPath, QStringLiteral("%1 is not a folder").arg(folder));
    if (target.isDir())
        throwFor(targetPath, QStringLiteral("a folder of that name is in the way"));
    return folder;
}

// Creates a new file with O_EXCL under a random name so two exports never share one, readable
// by its owner only, and locks it for as long as it is open.
int createUnique(const QString& folder, const QString& stem, QString* pathOut)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = QStringLiteral("%1/.%2.%3.part")
                                 .arg(folder, stem)
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QByteArray encoded = QFile::encodeName(path);
        const int fd = ::open(encoded.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX | LOCK_NB); // a new file: nobody else can hold it
            *pathOut = path;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

std::atomic<bool> g_stopExports{false};

struct Faults
{
    std::mutex mutex;
    FaultInjector injector;
};

Faults& faults()
{
    static Faults f;
    return f;
}

int injectedFault(FileStep step, const QString& target)
{
    Faults& f = faults();
    const std::lock_guard lock(f.mutex);
    return f.injector ? f.injector(step, target) : 0;
}

// The temporary files being written now, for removeUnfinishedExports.
struct LiveFiles
{
    std::mutex mutex;
    std::set<std::string> paths;
    bool closed = false; // removeUnfinishedExports has run: no new file may start
};

LiveFiles& liveFiles()
{
    static LiveFiles live;
    return live;
}

// Creates a staged (keep) or scratch file under the registry's lock: a removal of everything
// unfinished never misses a file being created at that moment, and none starts after it.
int createRegistered(const QString& folder, const QString& stem, bool keep, QString* pathOut)
{
    LiveFiles& l = liveFiles();
    const std::lock_guard lock(l.mutex);
    if (l.closed) {
        errno = ECANCELED;
        return -1;
    }
    const int fd = createUnique(folder, stem, pathOut);
    if (fd >= 0 && keep)
        l.paths.insert(QFile::encodeName(*pathOut).toStdString());
    else if (fd >= 0)
        ::unlink(QFile::encodeName(*pathOut).constData());
    return fd;
}

void removeLive(const QString& path)
{
    LiveFiles& l = liveFiles();
    const std::lock_guard lock(l.mutex);
    l.paths.erase(QFile::encodeName(path).toStdString());
}

} // namespace

void setFaultInjector(FaultInjector injector)
{
    Faults& f = faults();
    const std::lock_guard lock(f.mutex);
    f.injector = std::move(injector);
}

QString clippedCellText(const QString& text)
{
    if (text.size() <= kMaxCellChars)
        return text;
    qsizetype cut = kMaxCellChars;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    qCWarning(lcExport) << "A text of" << text.size() << "characters was cut to the" << cut
                        << "a spreadsheet cell holds";
    return text.left(cut);
}

std::optional<double> excelSerial(const QDate& date)
{
    if (!date.isValid() || date.year() < 1900)
        return std::nullopt;
    // Excel counts a 29 February 1900 that never was, so from March 1900 on the day number is one
    // more than the days since 31 December 1899.
    static const QDate kBefore1900(1899, 12, 31);
    static const QDate kMarch1900(1900, 3, 1);
    const qint64 days = kBefore1900.daysTo(date);
    return double(date < kMarch1900 ? days : days + 1);
}

std::optional<double> excelSerial(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return std::nullopt;
    const auto day = excelSerial(dateTime.date());
    if (!day)
        return std::nullopt;
    return *day + dateTime.time().msecsSinceStartOfDay() / 86400000.0;
}

QString sheetNameFor(const QString& requested, int sheetNumber)
{
    QString base;
    base.reserve(requested.size());
    for (const QChar c : requested) {
        switch (c.unicode()) {
        case '[': case ']': case ':': case '*': case '?': case '/': case '\\':
            base.append(QLatin1Char('_'));
            break;
        default:
            base.append(c.unicode() < 0x20 ? QChar(QLatin1Char(' ')) : c);
        }
    }
    base = base.trimmed();
    // Excel refuses a name that starts or ends with an apostrophe.
    while (base.startsWith(QLatin1Char('\'')))
        base.remove(0, 1);
    while (base.endsWith(QLatin1Char('\'')))
        base.chop(1);
    if (base.isEmpty())
        base = QStringLiteral("Sheet");
    const QString suffix = sheetNumber > 1 ? QStringLiteral(" (%1)").arg(sheetNumber) : QString();
    const qsizetype room = 31 - suffix.size();
    if (base.size() > room) {
        base.truncate(room);
        if (base.back().isHighSurrogate())
            base.chop(1);
        while (base.endsWith(QLatin1Char('\'')))
            base.chop(1);
    }
    return base + suffix;
}

QString qtDateTimeFormat(const QString& excelFormat)
{
    // Strip colour and locale sections such as [Red] or [$-409].
    QString f;
    bool inBracket = false;
    for (const QChar c : excelFormat) {
        if (c == QLatin1Char('['))
            inBracket = true;
        else if (c == QLatin1Char(']'))
            inBracket = false;
        else if (!inBracket)
            f.append(c);
    }
    if (f.trimmed().isEmpty())
        return QStringLiteral("MM/dd/yyyy");

    const bool twelveHour = f.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive)
                            || f.contains(QLatin1String("A/P"), Qt::CaseInsensitive);
    QString out;
    bool lastWasHour = false;
    for (qsizetype i = 0; i < f.size();) {
        const QChar c = f.at(i);
        const QChar lower = c.toLower();
        qsizetype run = 1;
        while (i + run < f.size() && f.at(i + run).toLower() == lower)
            ++run;
        if (f.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            out += QLatin1String("AP");
            i += 5;
            continue;
        }
        if (lower == QLatin1Char('y')) {
            out += run <= 2 ? QLatin1String("yy") : QLatin1String("yyyy");
        } else if (lower == QLatin1Char('d')) {
            out += QString(qMin<qsizetype>(run, 4), QLatin1Char('d'));
        } else if (lower == QLatin1Char('h')) {
            out += QString(qMin<qsizetype>(run, 2), twelveHour ? QLatin1Char('h') : QLatin1Char('H'));
            lastWasHour = true;
            i += run;
            continue;
        } else if (lower == QLatin1Char('m')) {
            // "m" after an hour or before seconds is minutes; otherwise it is the month.
            qsizetype next = i + run;
            while (next < f.size() && !f.at(next).isLetter())
                ++next;
            const bool beforeSeconds = next < f.size() && f.at(next).toLower() == QLatin1Char('s');
            if (lastWasHour || beforeSeconds)
                out += QString(qMin<qsizetype>(run, 2), QLatin1Char('m'));
            else
                out += QString(qMin<qsizetype>(run, 4), QLatin1Char('M'));
        } else if (lower == QLatin1Char('s')) {
            out += QString(qMin<qsizetype>(run, 2), QLatin1Char('s'));
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            // Quoted literal text in the format: copy it quoted for Qt.
            qsizetype end = i + 1;
            if (c == QLatin1Char('"')) {
                while (end < f.size() && f.at(end) != QLatin1Char('"'))
                    ++end;
                out += QLatin1Char('\'') + f.mid(i + 1, end - i - 1) + QLatin1Char('\'');
                i = end + 1;
            } else {
                out += QLatin1Char('\'') + f.mid(i + 1, 1) + QLatin1Char('\'');
                i += 2;
            }
            continue;
        } else if (c.isLetter()) {
            out += QLatin1Char('\'') + f.mid(i, run) + QLatin1Char('\'');
        } else {
            out += f.mid(i, run);
        }
        if (c.isLetter())
            lastWasHour = false;
        i += run;
    }
    return out;
}

QString isoDateText(const QDate& date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QString isoDateTimeText(const QDateTime& dateTime)
{
    return dateTime.isValid() ? dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

// ---------------------------------------------------------------------------------------------

qint64 GuardedFile::writeData(const char* data, qint64 len)
{
    int injected = 0;
    if (g_stopExports.load(std::memory_order_relaxed)) {
        failure_ = QStringLiteral("the export was stopped");
        setErrorString(failure_);
        return -1;
    }
    if (const ExportControl* control = currentExportControl(); control && control->cancel.load()) {
        failure_ = QLatin1String(kExportCancelledText);
        setErrorString(failure_);
        return -1;
    }
    if ((injected = injectedFault(FileStep::Write, target_)) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(injected));
        if (failure_.isEmpty())
            failure_ = reason;
        setErrorString(reason);
        return -1;
    }
    const qint64 written = QFile::writeData(data, len);
    if (written != len && failure_.isEmpty())
        failure_ = error() != QFileDevice::NoError ? errorString() : QStringLiteral("the write was cut short");
    return written;
}

StagedFile::StagedFile(const QString& targetPath) : target_(targetPath)
{
    const QString folder = checkedFolder(targetPath);
    const int fd = createRegistered(folder, QFileInfo(targetPath).fileName(), true, &temp_);
    if (fd < 0)
        throwFor(targetPath, QStringLiteral("cannot create a file in %1: %2").arg(folder, systemReason()));
    file_ = std::make_unique<GuardedFile>(targetPath);
    if (!file_->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        QFile::remove(temp_);
        removeLive(temp_);
        throwFor(targetPath, file_->errorString());
    }
    // A replaced file keeps its mode: a report that was readable by its owner only stays so.
    struct stat st {};
    if (::stat(QFile::encodeName(targetPath).constData(), &st) == 0 && S_ISREG(st.st_mode)
        && ::fchmod(fd, st.st_mode & 0777) != 0) {
        const QString reason = systemReason();
        file_->close();
        QFile::remove(temp_);
        removeLive(temp_);
        throwFor(targetPath, QStringLiteral("the file's permissions cannot be kept: %1").arg(reason));
    }
}

StagedFile::~StagedFile()
{
    if (committed_)
        return;
    file_->close();
    QFile::remove(temp_);
    removeLive(temp_);
}

void StagedFile::commit()
{
    auto failStep = [this](FileStep step) {
        if (const int e = injectedFault(step, target_)) {
            errno = e;
            throwFor(target_, systemReason());
        }
    };
    if (!file_->failure().isEmpty())
        throwFor(target_, file_->failure());
    if (!file_->isOpen())
        throwFor(target_, QStringLiteral("the file was closed before it was complete"));
    if (!file_->flush())
        throwFor(target_, file_->errorString());
    // The new contents reach the disk before the name does, so a crash cannot leave an empty
    // file under the target's name.
    failStep(FileStep::Sync);
    if (::fsync(file_->handle()) != 0)
        throwFor(target_, systemReason());
    // Renamed while still open (and locked), so a cleaner never takes it for a dead run's.
    failStep(FileStep::Rename);
    const QByteArray from = QFile::encodeName(temp_);
    const QByteArray to = QFile::encodeName(target_);
    if (::rename(from.constData(), to.constData()) != 0)
        throwFor(target_, systemReason());
    committed_ = true;
    removeLive(temp_);
    file_->close();
}

std::unique_ptr<GuardedFile> openScratchFile(const QString& targetPath)
{
    const QString folder = checkedFolder(targetPath);
    QString path;
    const int fd = createRegistered(folder, QFileInfo(targetPath).fileName() + QStringLiteral(".scratch"), false, &path);
    if (fd < 0)
        throwFor(targetPath, QStringLiteral("cannot create a file in %1: %2").arg(folder, systemReason()));
    auto file = std::make_unique<GuardedFile>(targetPath);
    if (!file->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throwFor(targetPath, file->errorString());
    }
    return file;
}

// ---------------------------------------------------------------------------------------------

BufferedOut::BufferedOut(QFile& file, QString targetPath) : file_(file), target_(std::move(targetPath))
{
    buffer_.reserve(kBufferSize);
    flushed_ = file_.pos();
}

void BufferedOut::fail(const QString& what) const { throwFor(target_, what); }

void BufferedOut::put(const void* data, qint64 size)
{
    if (buffer_.size() + size > kBufferSize)
        flush();
    if (size > kBufferSize) {
        if (file_.write(static_cast<const char*>(data), size) != size)
            fail(file_.errorString());
        flushed_ += size;
        return;
    }
    buffer_.append(static_cast<const char*>(data), size);
}

void BufferedOut::write(const char* data, qint64 size) { put(data, size); }

void BufferedOut::u16(quint16 v)
{
    const char b[2] = {char(v & 0xFF), char(v >> 8)};
    put(b, 2);
}

void BufferedOut::u32(quint32 v)
{
    const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
    put(b, 4);
}

void BufferedOut::f64(double v)
{
    quint64 bits = std::bit_cast<quint64>(v);
    char b[8];
    for (char& c : b) {
        c = char(bits & 0xFF);
        bits >>= 8;
    }
    put(b, 8);
}

void BufferedOut::zeros(qint64 count)
{
    static const char kZeros[512] = {};
    while (count > 0) {
        const qint64 n = qMin<qint64>(count, sizeof kZeros);
        put(kZeros, n);
        count -= n;
    }
}

void BufferedOut::flush()
{
    if (buffer_.isEmpty())
        return;
    if (file_.write(buffer_) != buffer_.size())
        fail(file_.errorString());
    flushed_ += buffer_.size();
    buffer_.clear();
}

void BufferedOut::patch(qint64 position, const QByteArray& bytes)
{
    flush();
    if (!file_.seek(position) || file_.write(bytes) != bytes.size() || !file_.seek(flushed_))
        fail(file_.errorString());
}

void Bytes::u16(quint16 v)
{
    data.append(char(v & 0xFF));
    data.append(char(v >> 8));
}

void Bytes::u32(quint32 v)
{
    u16(quint16(v & 0xFFFF));
    u16(quint16(v >> 16));
}

void Bytes::f64(double v)
{
    quint64 bits = std::bit_cast<quint64>(v);
    for (int i = 0; i < 8; ++i) {
        data.append(char(bits & 0xFF));
        bits >>= 8;
    }
}

} // namespace tarvik::engine::detail

namespace tarvik::engine {

namespace {
thread_local ExportControl* t_exportControl = nullptr;
} // namespace

ExportControlScope::ExportControlScope(ExportControl* control) : previous_(t_exportControl)
{
    t_exportControl = control;
}

ExportControlScope::~ExportControlScope() { t_exportControl = previous_; }

ExportControl* currentExportControl() { return t_exportControl; }

void throwIfExportCancelled()
{
    if (t_exportControl && t_exportControl->cancel.load())
        throw std::runtime_error(kExportCancelledText);
}

void requestExportStop() { detail::g_stopExports.store(true); }

void clearExportStop() { detail::g_stopExports.store(false); }

void removeUnfinishedExports()
{
    detail::LiveFiles& l = detail::liveFiles();
    const std::lock_guard lock(l.mutex);
    l.closed = true;
    for (const std::string& path : l.paths)
        ::unlink(path.c_str());
    l.paths.clear();
}

int removeStaleExportFiles(const QString& folder, int minAgeSeconds)
{
    // ".<target name>.<8 hex digits>.part", and the six-character names of earlier versions.
    static const QRegularExpression staged(QStringLiteral(R"(^\..+\.([0-9a-f]{8}|[0-9A-Za-z]{6})\.part$)"));
    int removed = 0;
    const QDir dir(folder);
    const QDateTime oldest = QDateTime::currentDateTime().addSecs(-minAgeSeconds);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!staged.match(name).hasMatch())
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat opened {}, named {};
        // A live export holds its lock until the file is renamed into place; a young file may
        // belong to an export that has not taken its lock yet.
        const bool stale = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)
                           && QDateTime::fromSecsSinceEpoch(opened.st_mtim.tv_sec) < oldest
                           && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        // The name must still be this file (not one put there since it was opened).
        if (stale && ::lstat(path.constData(), &named) == 0 && named.st_ino == opened.st_ino
            && named.st_dev == opened.st_dev && ::unlink(path.constData()) == 0) {
            ++removed;
            qCInfo(detail::lcExport).noquote() << "removed the unfinished export" << dir.filePath(name);
        }
        ::close(fd);
    }
    return removed;
}

} // namespace tarvik::engine
