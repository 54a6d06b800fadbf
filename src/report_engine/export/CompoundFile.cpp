#include "CompoundFile.h"

namespace tarvik::engine::detail {

namespace {

constexpr quint32 kSectorSize = 512;
constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr quint32 kEntriesPerFatSector = kSectorSize / 4;       // 128
constexpr quint32 kEntriesPerDifatSector = kEntriesPerFatSector - 1; // the last one links on
constexpr quint32 kHeaderDifatEntries = 109;

QByteArray directoryEntry(const QString& name, quint8 type, quint32 child, quint32 start, quint32 size)
{
    Bytes e;
    const QString clipped = name.left(31);
    for (const QChar c : clipped)
        e.u16(c.unicode());
    e.data.append(QByteArray(64 - e.data.size(), '\0'));
    e.u16(clipped.isEmpty() ? 0 : quint16((clipped.size() + 1) * 2));
    e.u8(type);
    e.u8(1); // black: a one-node tree is trivially balanced
    e.u32(kNoStream); // left sibling
    e.u32(kNoStream); // right sibling
    e.u32(child);
    e.data.append(QByteArray(16 + 4 + 8 + 8, '\0')); // class id, state bits, times
    e.u32(start);
    e.u32(size);
    e.u32(0);
    return e.data;
}

} // namespace

CompoundFileWriter::CompoundFileWriter(BufferedOut& out) : out_(out), start_(out.position())
{
    out_.zeros(kSectorSize); // the header, written last
}

void CompoundFileWriter::finish(const QString& streamName)
{
    qint64 streamSize = out_.position() - start_ - kSectorSize;
    if (streamSize < kMinStreamSize) {
        out_.zeros(kMinStreamSize - streamSize);
        streamSize = kMinStreamSize;
    }
    // Version 3 files address at most 2^32 sectors but readers take sizes as signed 32-bit.
    if (streamSize > 0x7FFFFFFF)
        out_.fail(QStringLiteral("the workbook is larger than 2 GB, the most an .xls file can hold"));
    const quint32 streamSectors = quint32((streamSize + kSectorSize - 1) / kSectorSize);
    out_.zeros(qint64(streamSectors) * kSectorSize - streamSize);

    // Sector layout: [stream][directory][FAT][DIFAT]. The FAT also covers itself and the DIFAT,
    // so their sizes are found by iterating to a fixed point.
    const quint32 dirSector = streamSectors;
    quint32 fatSectors = 1;
    quint32 difatSectors = 0;
    for (;;) {
        const quint64 total = quint64(streamSectors) + 1 + fatSectors + difatSectors;
        const quint32 f = quint32((total + kEntriesPerFatSector - 1) / kEntriesPerFatSector);
        const quint32 d = f > kHeaderDifatEntries
                              ? (f - kHeaderDifatEntries + kEntriesPerDifatSector - 1) / kEntriesPerDifatSector
                              : 0;
        if (f == fatSectors && d == difatSectors)
            break;
        fatSectors = f;
        difatSectors = d;
    }
    const quint32 firstFat = dirSector + 1;
    const quint32 firstDifat = firstFat + fatSectors;

    // Directory: root, the stream, two unused entries.
    out_.write(directoryEntry(QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0));
    out_.write(directoryEntry(streamName, 2, kNoStream, 0, quint32(streamSize)));
    out_.write(directoryEntry(QString(), 0, kNoStream, 0, 0));
    out_.write(directoryEntry(QString(), 0, kNoStream, 0, 0));

    // FAT: the stream is one chain of consecutive sectors.
    const quint64 fatEntries = quint64(fatSectors) * kEntriesPerFatSector;
    for (quint64 s = 0; s < fatEntries; ++s) {
        quint32 v = kFreeSect;
        if (s + 1 < streamSectors)
            v = quint32(s + 1);
        else if (s + 1 == streamSectors || s == dirSector)
            v = kEndOfChain;
        else if (s >= firstFat && s < firstDifat)
            v = kFatSect;
        else if (s >= firstDifat && s < firstDifat + difatSectors)
            v = kDifSect;
        out_.u32(v);
    }

    // DIFAT sectors list the FAT sectors past the 109 the header holds.
    quint32 fatIndex = kHeaderDifatEntries;
    for (quint32 d = 0; d < difatSectors; ++d) {
        for (quint32 i = 0; i < kEntriesPerDifatSector; ++i, ++fatIndex)
            out_.u32(fatIndex < fatSectors ? firstFat + fatIndex : kFreeSect);
        out_.u32(d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
    }

    Bytes h;
    h.append(QByteArray::fromHex("D0CF11E0A1B11AE1"));
    h.append(QByteArray(16, '\0'));     // class id
    h.u16(0x003E);                      // minor version
    h.u16(0x0003);                      // major version 3: 512-byte sectors
    h.u16(0xFFFE);                      // little-endian
    h.u16(9);                           // sector size 2^9
    h.u16(6);                           // mini sector size 2^6
    h.append(QByteArray(6, '\0'));
    h.u32(0);                           // directory sector count (always 0 in version 3)
    h.u32(fatSectors);
    h.u32(dirSector);
    h.u32(0);                           // transaction signature
    h.u32(CompoundFileWriter::kMinStreamSize);
    h.u32(kEndOfChain);                 // no mini FAT
    h.u32(0);
    h.u32(difatSectors ? firstDifat : kEndOfChain);
    h.u32(difatSectors);
    for (quint32 i = 0; i < kHeaderDifatEntries; ++i)
        h.u32(i < fatSectors ? firstFat + i : kFreeSect);
    out_.patch(start_, h.data);
    out_.flush();
}

} // namespace tarvik::engine::detail
