#include "XlsWriter.h"

#include "CompoundFile.h"
#include "ExportSupport.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tarvik::engine::detail {

namespace {

// BIFF8 record types used here.
enum : quint16 {
    rtEof = 0x000A, rtCalcCount = 0x000C, rtCalcMode = 0x000D, rtPrecision = 0x000E, rtRefMode = 0x000F,
    rtDelta = 0x0010, rtIteration = 0x0011, rtProtect = 0x0012, rtPassword = 0x0013,
    rtWindowProtect = 0x0019, rtDateMode = 0x0022, rtPrintHeaders = 0x002A, rtPrintGridlines = 0x002B,
    rtFont = 0x0031, rtContinue = 0x003C, rtWindow1 = 0x003D, rtBackup = 0x0040, rtCodePage = 0x0042,
    rtDefColWidth = 0x0055, rtSaveRecalc = 0x005F, rtColInfo = 0x007D, rtGuts = 0x0080, rtWsBool = 0x0081,
    rtGridSet = 0x0082, rtBoundSheet = 0x0085, rtCountry = 0x008C, rtHideObj = 0x008D, rtMms = 0x00C1,
    rtBookBool = 0x00DA, rtXf = 0x00E0, rtInterfaceHdr = 0x00E1, rtInterfaceEnd = 0x00E2, rtSst = 0x00FC,
    rtLabelSst = 0x00FD, rtExtSst = 0x00FF, rtTabId = 0x013D, rtUsesElfs = 0x0160, rtDsf = 0x0161,
    rtProt4Rev = 0x01AF, rtRefreshAll = 0x01B7, rtProt4RevPass = 0x01BC, rtDimensions = 0x0200,
    rtBlank = 0x0201, rtNumber = 0x0203, rtBoolErr = 0x0205, rtWindow2 = 0x023E,
    rtDefaultRowHeight = 0x0225, rtStyle = 0x0293, rtFormat = 0x041E, rtBof = 0x0809,
};

constexpr int kMaxRecordData = 8224;     // BIFF8 record body limit; longer data goes on in CONTINUE
constexpr quint16 kFirstUserFormat = 164; // below are Excel's built-in number formats
constexpr quint16 kFirstCellXf = 16;      // 15 style XFs and the default cell XF come first
constexpr quint16 kDefaultCellXf = 15;
constexpr int kMaxXfs = 4000;
// Distinct texts remembered for sharing; beyond this new texts are still written, just not
// looked up again, so a report of endless distinct texts cannot grow memory without bound.
constexpr qsizetype kSstDedupChars = 8 * 1024 * 1024;

bool fitsLatin1(const QString& s)
{
    for (const QChar c : s)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

// Reads the scratch file back sequentially.
class ScratchReader
{
public:
    ScratchReader(QFile& file, const QString& target) : file_(file), target_(target)
    {
        if (!file_.seek(0))
            fail();
    }
    void read(char* out, qint64 n)
    {
        while (n > 0) {
            if (pos_ == buffer_.size()) {
                buffer_ = file_.read(1 << 20);
                pos_ = 0;
                if (buffer_.isEmpty())
                    fail();
            }
            const qint64 take = qMin<qint64>(n, buffer_.size() - pos_);
            memcpy(out, buffer_.constData() + pos_, size_t(take));
            pos_ += take;
            out += take;
            n -= take;
        }
    }

private:
    [[noreturn]] void fail()
    {
        throw std::runtime_error(QStringLiteral("Cannot export to %1: reading back the scratch data failed: %2")
                                     .arg(target_, file_.errorString())
                                     .toStdString());
    }
    QFile& file_;
    QString target_;
    QByteArray buffer_;
    qint64 pos_ = 0;
};

struct ExtSstEntry
{
    quint32 streamPos;
    quint16 recordOffset;
};

// Lays the shared strings out as an SST record and as many CONTINUE records as they need. A
// string's header never splits; a string that splits goes on after a one-byte flag in the next
// record. Run once to measure and once to write.
class SstPacker
{
public:
    SstPacker(qint64 streamPos, quint32 bucketSize, BufferedOut* out)
        : streamPos_(streamPos), bucketSize_(bucketSize), out_(out)
    {
    }

    void begin(quint32 total, quint32 unique)
    {
        Bytes b;
        b.u32(total);
        b.u32(unique);
        body_ = b.data;
    }

    void addString(quint32 index, quint16 cch, quint8 flags, const QByteArray& chars)
    {
        const int charSize = (flags & 1) ? 2 : 1;
        if (body_.size() + 3 + (cch ? charSize : 0) > kMaxRecordData)
            flushRecord();
        if (index % bucketSize_ == 0 && buckets_.size() < 1024)
            buckets_.push_back({quint32(streamPos_ + emitted_ + 4 + body_.size()), quint16(4 + body_.size())});
        body_.append(char(cch & 0xFF));
        body_.append(char(cch >> 8));
        body_.append(char(flags));
        qsizetype done = 0;
        while (done < chars.size()) {
            const qsizetype room = (kMaxRecordData - body_.size()) / charSize * charSize;
            if (room == 0) {
                flushRecord();
                body_.append(char(flags));
                continue;
            }
            const qsizetype take = qMin(room, chars.size() - done);
            body_.append(chars.constData() + done, take);
            done += take;
        }
    }

    void end() { flushRecord(); }
    qint64 size() const { return emitted_; }
    const std::vector<ExtSstEntry>& buckets() const { return buckets_; }

private:
    void flushRecord()
    {
        if (out_) {
            out_->u16(type_);
            out_->u16(quint16(body_.size()));
            out_->write(body_);
        }
        emitted_ += 4 + body_.size();
        body_.clear();
        type_ = rtContinue;
    }

    qint64 streamPos_;
    quint32 bucketSize_;
    BufferedOut* out_;
    QByteArray body_;
    quint16 type_ = rtSst;
    qint64 emitted_ = 0;
    std::vector<ExtSstEntry> buckets_;
};

class XlsSheetWriter final : public SheetWriter
{
public:
    XlsSheetWriter(const QString& path, const QString& sheetName)
        : staged_(path), baseName_(sheetName), sheetsFile_(openScratchFile(path)),
          sstFile_(openScratchFile(path)), sheets_(*sheetsFile_, path), sst_(*sstFile_, path)
    {
    }

    void setColumnWidths(const std::vector<double>& widths) override
    {
        if (sheetOpen_)
            throw std::logic_error("column widths must be set before the first row");
        widths_ = widths;
        if (widths_.size() > size_t(kXlsMaxColumns))
            widths_.resize(kXlsMaxColumns);
    }

    void addRow(const std::vector<Cell>& cells) override
    {
        if (finished_)
            throw std::logic_error("the export is already finished");
        if (cells.size() > size_t(kXlsMaxColumns))
            sheets_.fail(QStringLiteral("a row has %1 columns; an .xls sheet holds at most %2")
                             .arg(cells.size())
                             .arg(kXlsMaxColumns));
        if (!sheetOpen_ || sheet().rows == kXlsMaxRows)
            startSheet();
        const quint16 row = quint16(sheet().rows);
        for (size_t col = 0; col < cells.size(); ++col)
            writeCell(row, quint16(col), cells[col]);
        sheet().rows += 1;
        sheet().columns = qMax<quint16>(sheet().columns, quint16(cells.size()));
    }

    void finish() override
    {
        if (finished_)
            throw std::logic_error("the export is already finished");
        finished_ = true; // even if what follows fails: a failed writer is spent
        if (!sheetOpen_)
            startSheet(); // an export without rows is still a workbook with one (empty) sheet
        endSheet();
        sheets_.flush();
        sst_.flush();
        writeWorkbook();
        staged_.commit();
    }

private:
    struct SheetInfo
    {
        QString name;
        qint64 offset = 0;       // in the sheets scratch file
        qint64 dimensionsAt = 0; // the DIMENSIONS record, rewritten when the sheet ends
        quint32 rows = 0;
        quint16 columns = 0;
    };

    SheetInfo& sheet() { return sheetInfo_.back(); }

    void record(quint16 type, const Bytes& body)
    {
        sheets_.u16(type);
        sheets_.u16(quint16(body.data.size()));
        sheets_.write(body.data);
    }

    void startSheet()
    {
        if (sheetOpen_)
            endSheet();
        SheetInfo info;
        info.name = sheetNameFor(baseName_, int(sheetInfo_.size()) + 1);
        info.offset = sheets_.position();
        sheetInfo_.push_back(info);
        sheetOpen_ = true;

        Bytes b;
        b.u16(0x0600); b.u16(0x0010); b.u16(0x0DBB); b.u16(0x07CC); b.u32(0x41); b.u32(0x06);
        record(rtBof, b);
        auto small = [this](quint16 type, quint16 value) { Bytes v; v.u16(value); record(type, v); };
        small(rtCalcMode, 1);
        small(rtCalcCount, 100);
        small(rtRefMode, 1);
        small(rtIteration, 0);
        Bytes delta; delta.f64(0.001); record(rtDelta, delta);
        small(rtSaveRecalc, 1);
        small(rtPrintHeaders, 0);
        small(rtPrintGridlines, 0);
        small(rtGridSet, 1);
        Bytes guts; guts.u16(0); guts.u16(0); guts.u16(0); guts.u16(0); record(rtGuts, guts);
        Bytes rowHeight; rowHeight.u16(0); rowHeight.u16(0x00FF); record(rtDefaultRowHeight, rowHeight);
        small(rtWsBool, 0x04C1);
        small(rtDefColWidth, 8);
        for (size_t col = 0; col < widths_.size(); ++col) {
            const double w = std::isfinite(widths_[col]) ? std::clamp(widths_[col], 0.0, 255.0) : 8.0;
            Bytes ci;
            ci.u16(quint16(col)); ci.u16(quint16(col));
            ci.u16(quint16(std::lround(w * 256))); // 1/256 of a character
            ci.u16(kDefaultCellXf);
            ci.u16(0); ci.u16(0);
            record(rtColInfo, ci);
        }
        sheet().dimensionsAt = sheets_.position();
        record(rtDimensions, dimensions(0, 0));
    }

    static Bytes dimensions(quint32 rows, quint16 columns)
    {
        Bytes d;
        d.u32(0); d.u32(rows); d.u16(0); d.u16(columns); d.u16(0);
        return d;
    }

    void endSheet()
    {
        const bool first = sheetInfo_.size() == 1;
        Bytes w;
        w.u16(first ? 0x06B6 : 0x00B6); // grid, headers, zeros, outline; the first sheet selected
        w.u16(0); w.u16(0);             // top row, left column
        w.u16(64);                      // default grid colour
        w.u16(0); w.u16(0); w.u16(0); w.u32(0);
        record(rtWindow2, w);
        record(rtEof, Bytes{});
        Bytes patch;
        patch.u16(rtDimensions);
        patch.u16(14);
        patch.append(dimensions(sheet().rows, sheet().columns).data);
        sheets_.patch(sheet().dimensionsAt, patch.data);
        sheetOpen_ = false;
    }

    quint16 formatIndex(const QString& code)
    {
        if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
            return 0;
        const auto it = formatIndex_.constFind(code);
        if (it != formatIndex_.cend())
            return it.value();
        const quint16 index = quint16(kFirstUserFormat + formats_.size());
        formats_.push_back(code);
        formatIndex_.insert(code, index);
        return index;
    }

    quint16 xfFor(const QString& numberFormat, bool bold)
    {
        if (numberFormat.isEmpty() && !bold)
            return kDefaultCellXf;
        const quint32 key = (quint32(formatIndex(numberFormat)) << 1) | (bold ? 1 : 0);
        const auto it = xfIndex_.constFind(key);
        if (it != xfIndex_.cend())
            return it.value();
        if (xfs_.size() >= size_t(kMaxXfs))
            sheets_.fail(QStringLiteral("the report uses more cell formats than an .xls file holds"));
        const quint16 index = quint16(kFirstCellXf + xfs_.size());
        xfs_.push_back(key);
        xfIndex_.insert(key, index);
        return index;
    }

    quint32 sstIndex(const QString& text)
    {
        ++sstTotal_;
        const auto it = sstIndex_.constFind(text);
        if (it != sstIndex_.cend())
            return it.value();
        const quint32 index = sstUnique_++;
        const bool wide = !fitsLatin1(text);
        sst_.u16(quint16(text.size()));
        sst_.u8(wide ? 1 : 0);
        if (wide) {
            for (const QChar c : text)
                sst_.u16(c.unicode());
        } else {
            for (const QChar c : text)
                sst_.u8(quint8(c.unicode()));
        }
        if (sstDedupChars_ + text.size() <= kSstDedupChars) {
            sstDedupChars_ += text.size();
            sstIndex_.insert(text, index);
        }
        return index;
    }

    void cellHeader(quint16 type, quint16 size, quint16 row, quint16 col, quint16 xf)
    {
        sheets_.u16(type);
        sheets_.u16(size);
        sheets_.u16(row);
        sheets_.u16(col);
        sheets_.u16(xf);
    }

    void writeText(quint16 row, quint16 col, const QString& text, quint16 xf)
    {
        if (text.isEmpty())
            return;
        const quint32 index = sstIndex(clippedCellText(text));
        cellHeader(rtLabelSst, 10, row, col, xf);
        sheets_.u32(index);
    }

    void writeNumber(quint16 row, quint16 col, double value, quint16 xf)
    {
        cellHeader(rtNumber, 14, row, col, xf);
        sheets_.f64(value);
    }

    void writeCell(quint16 row, quint16 col, const Cell& cell)
    {
        switch (cell.type) {
        case Cell::Type::Empty:
            return;
        case Cell::Type::Text:
            writeText(row, col, cell.text, xfFor({}, cell.bold));
            return;
        case Cell::Type::Number:
            // Excel has no NaN or infinity; the cell says so instead of holding garbage.
            if (!std::isfinite(cell.number))
                writeText(row, col, QStringLiteral("#NUM!"), xfFor({}, cell.bold));
            else
                writeNumber(row, col, cell.number, xfFor(cell.numberFormat, cell.bold));
            return;
        case Cell::Type::Date:
            if (const auto serial = excelSerial(cell.date))
                writeNumber(row, col, *serial, xfFor(dateFormat(cell, false), cell.bold));
            else
                writeText(row, col, isoDateText(cell.date), xfFor({}, cell.bold));
            return;
        case Cell::Type::DateTime:
            if (const auto serial = excelSerial(cell.dateTime))
                writeNumber(row, col, *serial, xfFor(dateFormat(cell, true), cell.bold));
            else
                writeText(row, col, isoDateTimeText(cell.dateTime), xfFor({}, cell.bold));
            return;
        case Cell::Type::Boolean:
            cellHeader(rtBoolErr, 8, row, col, xfFor({}, cell.bold));
            sheets_.u8(cell.boolean ? 1 : 0);
            sheets_.u8(0); // a Boolean, not an error code
            return;
        }
    }

    // A date keeps a date format even when none was given, or it would show as a bare number.
    static QString dateFormat(const Cell& cell, bool withTime)
    {
        if (!cell.numberFormat.isEmpty())
            return cell.numberFormat;
        return withTime ? QStringLiteral("mm/dd/yyyy hh:mm") : QStringLiteral("mm/dd/yyyy");
    }

    // ----- workbook globals and the compound file -----

    static void put(Bytes& g, quint16 type, const Bytes& body)
    {
        g.u16(type);
        g.u16(quint16(body.data.size()));
        g.append(body.data);
    }

    static void putSmall(Bytes& g, quint16 type, quint16 value)
    {
        Bytes b;
        b.u16(value);
        put(g, type, b);
    }

    static void unicodeString(Bytes& b, const QString& s, bool shortLength)
    {
        if (shortLength)
            b.u8(quint8(s.size()));
        else
            b.u16(quint16(s.size()));
        const bool wide = !fitsLatin1(s);
        b.u8(wide ? 1 : 0);
        for (const QChar c : s) {
            if (wide)
                b.u16(c.unicode());
            else
                b.u8(quint8(c.unicode()));
        }
    }

    // The globals up to the shared strings; boundSheetAt receives where each sheet's offset goes.
    Bytes globalsHead(std::vector<qsizetype>* boundSheetAt) const
    {
        Bytes g;
        Bytes bof;
        bof.u16(0x0600); bof.u16(0x0005); bof.u16(0x0DBB); bof.u16(0x07CC); bof.u32(0x41); bof.u32(0x06);
        put(g, rtBof, bof);
        putSmall(g, rtInterfaceHdr, 1200);
        put(g, rtMms, [] { Bytes b; b.u16(0); return b; }());
        put(g, rtInterfaceEnd, Bytes{});
        putSmall(g, rtCodePage, 1200); // texts are UTF-16
        putSmall(g, rtDsf, 0);
        Bytes tabs;
        for (size_t i = 0; i < sheetInfo_.size() && i < 4000; ++i)
            tabs.u16(quint16(i + 1));
        put(g, rtTabId, tabs);
        putSmall(g, rtWindowProtect, 0);
        putSmall(g, rtProtect, 0);
        putSmall(g, rtPassword, 0);
        putSmall(g, rtProt4Rev, 0);
        putSmall(g, rtProt4RevPass, 0);
        Bytes w1;
        w1.u16(0x0168); w1.u16(0x001E); w1.u16(0x3A5C); w1.u16(0x2328); // position and size
        w1.u16(0x0038);                                                  // scroll bars and tabs
        w1.u16(0); w1.u16(0); w1.u16(1); w1.u16(600);
        put(g, rtWindow1, w1);
        putSmall(g, rtBackup, 0);
        putSmall(g, rtHideObj, 0);
        putSmall(g, rtDateMode, 0); // the 1900 date system
        putSmall(g, rtPrecision, 1);
        putSmall(g, rtRefreshAll, 0);
        putSmall(g, rtBookBool, 0);

        // Fonts 0-3 are the defaults (Excel never has a font 4); the fifth record is font 5, bold.
        for (int i = 0; i < 5; ++i) {
            Bytes f;
            f.u16(200);                 // 10 pt in twips
            f.u16(0);
            f.u16(0x7FFF);              // automatic colour
            f.u16(i == 4 ? 700 : 400);  // weight
            f.u16(0);
            f.u8(0); f.u8(0); f.u8(0); f.u8(0);
            unicodeString(f, QStringLiteral("Arial"), true);
            put(g, rtFont, f);
        }
        for (size_t i = 0; i < formats_.size(); ++i) {
            Bytes f;
            f.u16(quint16(kFirstUserFormat + i));
            unicodeString(f, formats_[i].left(255), false);
            put(g, rtFormat, f);
        }
        // Style XFs 0-14 and the default cell XF 15, as Excel writes them; then the cell XFs.
        auto xf = [&g](quint16 font, quint16 format, quint16 typeProt, quint8 usedAttributes) {
            Bytes x;
            x.u16(font); x.u16(format); x.u16(typeProt);
            x.u8(0x20); // general horizontal, bottom vertical alignment
            x.u8(0); x.u8(0);
            x.u8(usedAttributes);
            x.u32(0); x.u32(0);
            x.u16(0x20C0); // automatic pattern colours
            put(g, rtXf, x);
        };
        xf(0, 0, 0xFFF5, 0);
        for (int i = 1; i < 15; ++i)
            xf(0, 0, 0xFFF5, 0xF4);
        xf(0, 0, 0x0001, 0);
        for (const quint32 key : xfs_)
            xf((key & 1) ? 5 : 0, quint16(key >> 1), 0x0001, 0xFC);
        Bytes style;
        style.u16(0x8000); style.u8(0); style.u8(0xFF); // built-in style Normal on XF 0
        put(g, rtStyle, style);
        putSmall(g, rtUsesElfs, 0);
        for (const SheetInfo& s : sheetInfo_) {
            Bytes b;
            b.u32(0); // stream offset of the sheet's BOF, filled in once the globals' size is known
            b.u8(0);  // visible
            b.u8(0);  // worksheet
            unicodeString(b, s.name, true);
            boundSheetAt->push_back(g.data.size() + 4);
            put(g, rtBoundSheet, b);
        }
        Bytes country;
        country.u16(1); country.u16(1);
        put(g, rtCountry, country);
        return g;
    }

    void packStrings(SstPacker& packer)
    {
        ScratchReader in(*sstFile_, staged_.targetPath());
        packer.begin(sstTotal_, sstUnique_);
        QByteArray chars;
        for (quint32 i = 0; i < sstUnique_; ++i) {
            char head[3];
            in.read(head, 3);
            const quint16 cch = quint16(quint8(head[0]) | (quint8(head[1]) << 8));
            const quint8 flags = quint8(head[2]);
            chars.resize(qsizetype(cch) * ((flags & 1) ? 2 : 1));
            in.read(chars.data(), chars.size());
            packer.addString(i, cch, flags, chars);
        }
        packer.end();
    }

    void writeWorkbook()
    {
        std::vector<qsizetype> boundSheetAt;
        Bytes head = globalsHead(&boundSheetAt);
        const quint32 bucketSize = qMax<quint32>(8, sstUnique_ / 128 + 1);
        const quint32 buckets = (sstUnique_ + bucketSize - 1) / bucketSize;

        SstPacker measure(0, bucketSize, nullptr);
        packStrings(measure);
        const qint64 extSstSize = 4 + 2 + 8 * qint64(buckets);
        const qint64 globalsSize = head.data.size() + measure.size() + extSstSize + 4;
        for (size_t i = 0; i < sheetInfo_.size(); ++i) {
            const quint32 pos = quint32(globalsSize + sheetInfo_[i].offset);
            for (int k = 0; k < 4; ++k)
                head.data[boundSheetAt[i] + k] = char((pos >> (8 * k)) & 0xFF);
        }

        BufferedOut out(staged_.file(), staged_.targetPath());
        CompoundFileWriter compound(out);
        const qint64 streamStart = out.position();
        out.write(head.data);
        SstPacker packer(out.position() - streamStart, bucketSize, &out);
        packStrings(packer);
        out.u16(rtExtSst);
        out.u16(quint16(2 + 8 * buckets));
        out.u16(quint16(bucketSize));
        for (const ExtSstEntry& e : packer.buckets()) {
            out.u32(e.streamPos);
            out.u16(e.recordOffset);
            out.u16(0);
        }
        out.u16(rtEof);
        out.u16(0);
        if (out.position() - streamStart != globalsSize)
            out.fail(QStringLiteral("internal error: the workbook globals changed size while written"));

        // The sheets follow the globals unchanged.
        if (!sheetsFile_->seek(0))
            out.fail(sheetsFile_->errorString());
        for (;;) {
            const QByteArray chunk = sheetsFile_->read(1 << 20);
            if (chunk.isEmpty())
                break;
            out.write(chunk);
        }
        if (sheetsFile_->error() != QFileDevice::NoError)
            out.fail(sheetsFile_->errorString());
        compound.finish(QStringLiteral("Workbook"));
    }

    StagedFile staged_;
    QString baseName_;
    std::unique_ptr<QFile> sheetsFile_;
    std::unique_ptr<QFile> sstFile_;
    BufferedOut sheets_;
    BufferedOut sst_;
    std::vector<SheetInfo> sheetInfo_;
    bool sheetOpen_ = false;
    bool finished_ = false;
    std::vector<double> widths_;

    QHash<QString, quint16> formatIndex_;
    std::vector<QString> formats_;
    QHash<quint32, quint16> xfIndex_;
    std::vector<quint32> xfs_; // (format index << 1) | bold, in XF order from kFirstCellXf

    QHash<QString, quint32> sstIndex_;
    quint32 sstUnique_ = 0;
    quint32 sstTotal_ = 0;
    qsizetype sstDedupChars_ = 0;
};

} // namespace

std::unique_ptr<SheetWriter> createXlsWriter(const QString& path, const QString& sheetName)
{
    return std::make_unique<XlsSheetWriter>(path, sheetName);
}

} // namespace tarvik::engine::detail
