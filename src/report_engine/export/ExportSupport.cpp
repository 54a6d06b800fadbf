#include "ExportSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
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

// Creates a new file with O_EXCL under a random name so two exports never share one, with the
// ordinary permissions (0666 less the umask) rather than a temporary file's 0600.
int createUnique(const QString& folder, const QString& stem, QString* pathOut)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = QStringLiteral("%1/.%2.%3.part")
                                 .arg(folder, stem)
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QByteArray encoded = QFile::encodeName(path);
        const int fd = ::open(encoded.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            *pathOut = path;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

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

StagedFile::StagedFile(const QString& targetPath) : target_(targetPath)
{
    const QString folder = checkedFolder(targetPath);
    const int fd = createUnique(folder, QFileInfo(targetPath).fileName(), &temp_);
    if (fd < 0)
        throwFor(targetPath, QStringLiteral("cannot create a file in %1: %2").arg(folder, systemReason()));
    file_ = std::make_unique<QFile>();
    if (!file_->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        QFile::remove(temp_);
        throwFor(targetPath, file_->errorString());
    }
    // An existing file keeps its permissions when it is replaced.
    if (QFileInfo::exists(targetPath))
        file_->setPermissions(QFile::permissions(targetPath));
}

StagedFile::~StagedFile()
{
    if (committed_)
        return;
    file_->close();
    QFile::remove(temp_);
}

void StagedFile::commit()
{
    if (file_->isOpen()) {
        if (!file_->flush())
            throwFor(target_, file_->errorString());
        // The new contents reach the disk before the name does, so a crash cannot leave an empty
        // file under the target's name.
        if (::fsync(file_->handle()) != 0)
            throwFor(target_, systemReason());
        file_->close();
    } else {
        QFile reopened(temp_);
        if (!reopened.open(QIODevice::ReadOnly))
            throwFor(target_, reopened.errorString());
        if (::fsync(reopened.handle()) != 0)
            throwFor(target_, systemReason());
    }
    const QByteArray from = QFile::encodeName(temp_);
    const QByteArray to = QFile::encodeName(target_);
    if (::rename(from.constData(), to.constData()) != 0)
        throwFor(target_, systemReason());
    committed_ = true;
}

std::unique_ptr<QFile> openScratchFile(const QString& targetPath)
{
    const QString folder = checkedFolder(targetPath);
    QString path;
    const int fd = createUnique(folder, QFileInfo(targetPath).fileName() + QStringLiteral(".scratch"), &path);
    if (fd < 0)
        throwFor(targetPath, QStringLiteral("cannot create a file in %1: %2").arg(folder, systemReason()));
    ::unlink(QFile::encodeName(path).constData());
    auto file = std::make_unique<QFile>();
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
