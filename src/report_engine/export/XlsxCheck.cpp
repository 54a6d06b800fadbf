#include "XlsxCheck.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <functional>
#include <stdexcept>
#include <zlib.h>

namespace tarvik::engine::detail {

namespace {

constexpr quint32 kEndOfDirectory = 0x06054b50;
constexpr quint32 kDirectoryEntry = 0x02014b50;
constexpr quint32 kLocalHeader = 0x04034b50;

quint16 u16At(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at])) | quint16(quint16(quint8(b[at + 1])) << 8);
}

quint32 u32At(const QByteArray& b, qsizetype at)
{
    return quint32(u16At(b, at)) | (quint32(u16At(b, at + 2)) << 16);
}

struct Entry
{
    QString name;
    quint16 method = 0;
    quint32 crc = 0;
    quint32 compressedSize = 0;
    quint32 size = 0;
    quint32 localOffset = 0;
};

class Checker
{
public:
    Checker(const QString& path, const QString& target) : file_(path), target_(target) {}

    [[noreturn]] void fail(const QString& what) const
    {
        throw std::runtime_error(
            QStringLiteral("Cannot export to %1: the finished workbook is damaged (%2); the earlier file, if "
                           "any, was kept")
                .arg(target_, what)
                .toStdString());
    }

    std::vector<Entry> directory()
    {
        if (!file_.open(QIODevice::ReadOnly))
            fail(QStringLiteral("it cannot be read back: %1").arg(file_.errorString()));
        const qint64 size = file_.size();
        if (size < 22)
            fail(QStringLiteral("it is %1 bytes long").arg(size));
        // The end record sits in the last 22 bytes plus a comment of up to 64 KiB.
        const qint64 tailAt = std::max<qint64>(0, size - 22 - 65535);
        const QByteArray tail = readAt(tailAt, size - tailAt);
        qsizetype end = -1;
        for (qsizetype i = tail.size() - 22; i >= 0; --i)
            if (u32At(tail, i) == kEndOfDirectory) {
                end = i;
                break;
            }
        if (end < 0)
            fail(QStringLiteral("its zip directory is missing"));
        const quint16 count = u16At(tail, end + 10);
        const quint32 dirSize = u32At(tail, end + 12);
        const quint32 dirOffset = u32At(tail, end + 16);
        if (qint64(dirOffset) + dirSize > tailAt + end)
            fail(QStringLiteral("its zip directory lies outside the file"));
        const QByteArray dir = readAt(dirOffset, dirSize);
        std::vector<Entry> entries;
        qsizetype at = 0;
        for (int i = 0; i < count; ++i) {
            if (at + 46 > dir.size() || u32At(dir, at) != kDirectoryEntry)
                fail(QStringLiteral("its zip directory is cut short"));
            Entry e;
            e.method = u16At(dir, at + 10);
            e.crc = u32At(dir, at + 16);
            e.compressedSize = u32At(dir, at + 20);
            e.size = u32At(dir, at + 24);
            const quint16 nameLength = u16At(dir, at + 28);
            const quint16 extraLength = u16At(dir, at + 30);
            const quint16 commentLength = u16At(dir, at + 32);
            e.localOffset = u32At(dir, at + 42);
            if (at + 46 + nameLength > dir.size())
                fail(QStringLiteral("its zip directory is cut short"));
            e.name = QString::fromUtf8(dir.mid(at + 46, nameLength));
            entries.push_back(e);
            at += 46 + nameLength + extraLength + commentLength;
        }
        return entries;
    }

    // Inflates one part, checks its CRC and size, and hands its bytes on as they come.
    void readPart(const Entry& e, const std::function<void(const QByteArray&)>& sink)
    {
        const QByteArray local = readAt(e.localOffset, 30);
        if (local.size() < 30 || u32At(local, 0) != kLocalHeader)
            fail(QStringLiteral("the part %1 is missing from the zip").arg(e.name));
        qint64 dataAt = qint64(e.localOffset) + 30 + u16At(local, 26) + u16At(local, 28);
        if (dataAt + e.compressedSize > file_.size())
            fail(QStringLiteral("the part %1 is cut short").arg(e.name));
        if (e.method != 0 && e.method != Z_DEFLATED)
            fail(QStringLiteral("the part %1 is packed in an unknown way").arg(e.name));

        z_stream z{};
        if (e.method == Z_DEFLATED && inflateInit2(&z, -MAX_WBITS) != Z_OK)
            fail(QStringLiteral("there is not enough memory to read it back"));
        struct End
        {
            z_stream* z;
            bool on;
            ~End()
            {
                if (on)
                    inflateEnd(z);
            }
        } end{&z, e.method == Z_DEFLATED};

        uLong crc = crc32(0, nullptr, 0);
        quint64 produced = 0;
        qint64 left = e.compressedSize;
        QByteArray out(64 * 1024, Qt::Uninitialized);
        bool finished = e.method == 0 && left == 0;
        while (left > 0 && !finished) {
            QByteArray in = readAt(dataAt, std::min<qint64>(left, 64 * 1024));
            if (in.isEmpty())
                fail(QStringLiteral("the part %1 is cut short").arg(e.name));
            dataAt += in.size();
            left -= in.size();
            if (e.method == 0) {
                crc = crc32(crc, reinterpret_cast<const Bytef*>(in.constData()), uInt(in.size()));
                produced += quint64(in.size());
                sink(in);
                finished = left == 0;
                continue;
            }
            z.next_in = reinterpret_cast<Bytef*>(in.data());
            z.avail_in = uInt(in.size());
            while (z.avail_in > 0 && !finished) {
                z.next_out = reinterpret_cast<Bytef*>(out.data());
                z.avail_out = uInt(out.size());
                const int rc = inflate(&z, Z_NO_FLUSH);
                if (rc != Z_OK && rc != Z_STREAM_END)
                    fail(QStringLiteral("the part %1 does not unpack").arg(e.name));
                const qsizetype n = out.size() - qsizetype(z.avail_out);
                if (n > 0) {
                    crc = crc32(crc, reinterpret_cast<const Bytef*>(out.constData()), uInt(n));
                    produced += quint64(n);
                    sink(QByteArray(out.constData(), n));
                }
                finished = rc == Z_STREAM_END;
                if (rc == Z_OK && n == 0 && z.avail_in > 0)
                    fail(QStringLiteral("the part %1 does not unpack").arg(e.name));
            }
        }
        if (!finished || left != 0)
            fail(QStringLiteral("the part %1 ends early").arg(e.name));
        if (crc != e.crc || produced != e.size)
            fail(QStringLiteral("the part %1 does not match its checksum").arg(e.name));
    }

private:
    QByteArray readAt(qint64 at, qint64 size)
    {
        if (!file_.seek(at))
            fail(QStringLiteral("it cannot be read back: %1").arg(file_.errorString()));
        const QByteArray bytes = file_.read(size);
        if (bytes.size() != size)
            fail(QStringLiteral("it is cut short"));
        return bytes;
    }

    QFile file_;
    QString target_;
};

} // namespace

void SheetContent::addText(const QByteArray& utf8)
{
    // libxlsxwriter spells a carriage return as the format's escape _x000D_ (the other control
    // characters are gone before it sees a text), and the read-back sees that spelling.
    QByteArray text = utf8;
    text.replace('\r', "_x000D_");
    textChecksum = quint32(crc32(textChecksum, reinterpret_cast<const Bytef*>(text.constData()), uInt(text.size())));
    // Texts end: "ab" + "c" and "a" + "bc" must not read alike.
    const char end = '\0';
    textChecksum = quint32(crc32(textChecksum, reinterpret_cast<const Bytef*>(&end), 1));
}

std::vector<SheetContent> readXlsxBack(const QString& path, const QString& targetPath, int sheets)
{
    Checker checker(path, targetPath);
    const std::vector<Entry> entries = checker.directory();
    QHash<QString, const Entry*> byName;
    for (const Entry& e : entries)
        byName.insert(e.name, &e);
    QStringList required{QStringLiteral("[Content_Types].xml"), QStringLiteral("_rels/.rels"),
                         QStringLiteral("xl/workbook.xml"), QStringLiteral("xl/_rels/workbook.xml.rels")};
    for (int i = 0; i < sheets; ++i)
        required << QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1);
    for (const QString& name : required)
        if (!byName.contains(name))
            checker.fail(QStringLiteral("the part %1 is missing").arg(name));

    std::vector<SheetContent> contents(size_t(std::max(sheets, 0)));
    static const QRegularExpression sheetName(QStringLiteral(R"(^xl/worksheets/sheet(\d+)\.xml$)"));
    for (const Entry& e : entries) {
        const bool xml = e.name.endsWith(QLatin1String(".xml")) || e.name.endsWith(QLatin1String(".rels"));
        if (!xml) {
            checker.readPart(e, [](const QByteArray&) {});
            continue;
        }
        const auto m = sheetName.match(e.name);
        const qsizetype index = m.hasMatch() ? m.captured(1).toInt() - 1 : -1;
        SheetContent scratch;
        SheetContent& content = index >= 0 && index < qsizetype(contents.size()) ? contents[size_t(index)] : scratch;
        // Well formed to the end; a sheet's rows, cells and texts counted as they pass.
        QXmlStreamReader reader;
        bool complete = false;
        bool inText = false;
        QByteArray text;
        // Reads what has arrived; a premature end only means that more is to come.
        auto drain = [&] {
            while (!complete) {
                const auto token = reader.readNext();
                switch (token) {
                case QXmlStreamReader::StartElement:
                    if (reader.name() == QLatin1String("row"))
                        ++content.rows;
                    else if (reader.name() == QLatin1String("c"))
                        ++content.cells;
                    else if (reader.name() == QLatin1String("t")) {
                        inText = true;
                        text.clear();
                    }
                    break;
                case QXmlStreamReader::Characters:
                    if (inText)
                        text += reader.text().toUtf8();
                    break;
                case QXmlStreamReader::EndElement:
                    if (inText && reader.name() == QLatin1String("t")) {
                        content.addText(text);
                        inText = false;
                    }
                    break;
                case QXmlStreamReader::EndDocument:
                    complete = true;
                    break;
                case QXmlStreamReader::Invalid:
                    if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                        return;
                    checker.fail(QStringLiteral("the part %1 is not well formed: %2").arg(e.name, reader.errorString()));
                default:
                    break;
                }
            }
        };
        checker.readPart(e, [&](const QByteArray& bytes) {
            reader.addData(bytes);
            drain();
        });
        if (!complete)
            checker.fail(QStringLiteral("the part %1 ends before its document does").arg(e.name));
    }
    return contents;
}

void verifyXlsx(const QString& path, const QString& targetPath, const std::vector<SheetContent>& written)
{
    const std::vector<SheetContent> read = readXlsxBack(path, targetPath, int(written.size()));
    for (size_t i = 0; i < written.size(); ++i) {
        auto fail = [&](const QString& what) {
            throw std::runtime_error(QStringLiteral("Cannot export to %1: the finished workbook is damaged (the sheet %2 %3); "
                                                    "the earlier file, if any, was kept")
                                         .arg(targetPath)
                                         .arg(i + 1)
                                         .arg(what)
                                         .toStdString());
        };
        if (read[i].rows != written[i].rows)
            fail(QStringLiteral("holds %1 rows of the %2 written").arg(read[i].rows).arg(written[i].rows));
        if (read[i].cells != written[i].cells)
            fail(QStringLiteral("holds %1 cells of the %2 written").arg(read[i].cells).arg(written[i].cells));
        if (read[i].textChecksum != written[i].textChecksum)
            fail(QStringLiteral("holds texts other than those written"));
    }
}

} // namespace tarvik::engine::detail
