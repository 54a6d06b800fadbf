#include "EngineLog.h"
#include "ExportSupport.h"
#include "Report.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <map>

namespace tarvik::engine {

namespace {

// Qt's PDF writer has no outline; one is appended as an incremental update: new outline
// objects, a new catalog pointing at them, and a cross-reference section for just those.
class OutlineAppender
{
public:
    OutlineAppender(QFile& file, const QString& target) : m_file(file), m_target(target) {}

    void append(const std::vector<GroupNode>& tree)
    {
        const QByteArray tail = readAt(std::max<qint64>(0, m_file.size() - 2048), 2048);
        const int trailerAt = int(tail.lastIndexOf("trailer"));
        const int startAt = int(tail.lastIndexOf("startxref"));
        if (trailerAt < 0 || startAt < 0)
            throw ReportError(QStringLiteral("The PDF writer left no trailer to add the outline to."));
        const QByteArray trailer = tail.mid(trailerAt, startAt - trailerAt);
        m_rootObj = refIn(trailer, "/Root");
        const int infoObj = refIn(trailer, "/Info");
        m_size = numberAfter(trailer, "/Size");
        const qint64 oldXref = tail.mid(startAt + 9).trimmed().split('\n').value(0).trimmed().toLongLong();
        readXref(oldXref);

        const QByteArray catalog = objectBody(m_rootObj);
        const int pagesObj = refIn(catalog, "/Pages");
        const QByteArray pages = objectBody(pagesObj);
        static const QRegularExpression ref(QStringLiteral("(\\d+)\\s+0\\s+R"));
        const int kidsAt = int(pages.indexOf("/Kids"));
        const int kidsEnd = int(pages.indexOf(']', kidsAt));
        auto it = ref.globalMatch(QString::fromLatin1(pages.mid(kidsAt, kidsEnd - kidsAt)));
        while (it.hasNext())
            m_pages.push_back(it.next().captured(1).toInt());

        int next = m_size;
        const int outlinesObj = next++;
        std::map<int, QByteArray> objects;
        const auto [first, last, count] = writeItems(tree, outlinesObj, next, objects);
        objects[outlinesObj] = QByteArrayLiteral("<< /Type /Outlines /First ") + QByteArray::number(first) +
                               " 0 R /Last " + QByteArray::number(last) + " 0 R /Count " +
                               QByteArray::number(count) + " >>";
        QByteArray cat = catalog.trimmed();
        if (cat.endsWith(">>"))
            cat.chop(2);
        cat += "/Outlines " + QByteArray::number(outlinesObj) + " 0 R\n/PageMode /UseOutlines\n>>";
        objects[m_rootObj] = cat;

        qint64 pos = m_file.size();
        m_file.seek(pos);
        std::map<int, qint64> offsets;
        for (const auto& [num, body] : objects) {
            offsets[num] = pos;
            const QByteArray text = QByteArray::number(num) + " 0 obj\n" + body + "\nendobj\n";
            write(text);
            pos += text.size();
        }
        const qint64 xrefAt = pos;
        QByteArray xref = "xref\n0 1\n0000000000 65535 f \n";
        for (const auto& [num, off] : offsets) {
            xref += QByteArray::number(num) + " 1\n";
            xref += QByteArray::number(off).rightJustified(10, '0') + " 00000 n \n";
        }
        xref += "trailer\n<< /Size " + QByteArray::number(next) + " /Root " + QByteArray::number(m_rootObj) +
                " 0 R" + (infoObj > 0 ? " /Info " + QByteArray::number(infoObj) + " 0 R" : QByteArray()) +
                " /Prev " + QByteArray::number(oldXref) + " >>\nstartxref\n" + QByteArray::number(xrefAt) +
                "\n%%EOF\n";
        write(xref);
    }

private:
    struct Span
    {
        int first, last, count;
    };

    Span writeItems(const std::vector<GroupNode>& nodes, int parent, int& next,
                    std::map<int, QByteArray>& objects)
    {
        std::vector<int> ids;
        for (size_t i = 0; i < nodes.size(); ++i)
            ids.push_back(next++);
        int total = int(nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i) {
            const GroupNode& n = nodes[i];
            QByteArray o = "<< /Title " + pdfText(n.name) + " /Parent " + QByteArray::number(parent) + " 0 R";
            if (i > 0)
                o += " /Prev " + QByteArray::number(ids[i - 1]) + " 0 R";
            if (i + 1 < nodes.size())
                o += " /Next " + QByteArray::number(ids[i + 1]) + " 0 R";
            if (!n.children.empty()) {
                const Span s = writeItems(n.children, ids[i], next, objects);
                // Closed by default (negative count): a long report's tree opens one level.
                o += " /First " + QByteArray::number(s.first) + " 0 R /Last " + QByteArray::number(s.last) +
                     " 0 R /Count -" + QByteArray::number(s.count);
            }
            const int page = std::clamp(n.page, 0, int(m_pages.size()) - 1);
            o += " /Dest [" + QByteArray::number(m_pages[size_t(page)]) + " 0 R /Fit] >>";
            objects[ids[i]] = o;
        }
        return {ids.front(), ids.back(), total};
    }

    static QByteArray pdfText(const QString& s)
    {
        QByteArray out = "<FEFF";
        for (const QChar c : s)
            out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
        return out + ">";
    }

    QByteArray readAt(qint64 offset, qint64 size)
    {
        if (!m_file.seek(offset))
            throw ReportError(QStringLiteral("Cannot export to %1: the PDF cannot be read back: %2")
                                  .arg(m_target, m_file.errorString()));
        return m_file.read(size);
    }

    void write(const QByteArray& data)
    {
        if (m_file.write(data) != data.size())
            throw ReportError(QStringLiteral("Cannot export to %1: %2").arg(m_target, m_file.errorString()));
    }

    static int refIn(const QByteArray& text, const char* key)
    {
        static const QRegularExpression re(QStringLiteral("^\\s*(\\d+)\\s+\\d+\\s+R"));
        const int at = int(text.indexOf(key));
        if (at < 0)
            return -1;
        const auto m = re.match(QString::fromLatin1(text.mid(at + int(qstrlen(key)), 40)));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

    static int numberAfter(const QByteArray& text, const char* key)
    {
        const int at = int(text.indexOf(key));
        if (at < 0)
            return -1;
        return text.mid(at + int(qstrlen(key)), 20).trimmed().split(' ').value(0).split('\n').value(0).toInt();
    }

    void readXref(qint64 at)
    {
        QByteArray head = readAt(at, 64);
        if (!head.startsWith("xref"))
            throw ReportError(QStringLiteral("The PDF's cross-reference table is not where its trailer says."));
        qint64 pos = at + 5;
        while (true) {
            const QByteArray line = readAt(pos, 40).split('\n').value(0);
            if (line.startsWith("trailer") || line.isEmpty())
                break;
            pos += line.size() + 1;
            const QList<QByteArray> parts = line.trimmed().split(' ');
            if (parts.size() != 2)
                break;
            const int start = parts[0].toInt();
            const int count = parts[1].toInt();
            const QByteArray entries = readAt(pos, qint64(count) * 20);
            for (int i = 0; i < count; ++i)
                m_offsets[start + i] = entries.mid(i * 20, 10).toLongLong();
            pos += qint64(count) * 20;
        }
    }

    QByteArray objectBody(int num)
    {
        const auto it = m_offsets.find(num);
        if (num < 0 || it == m_offsets.end())
            throw ReportError(QStringLiteral("The PDF has no object %1.").arg(num));
        QByteArray chunk;
        qint64 pos = it->second;
        int end = -1;
        while ((end = int(chunk.indexOf("endobj"))) < 0) {
            const QByteArray more = readAt(pos + chunk.size(), 65536);
            if (more.isEmpty())
                throw ReportError(QStringLiteral("The PDF's object %1 has no end.").arg(num));
            chunk += more;
        }
        const int objAt = int(chunk.indexOf("obj"));
        return chunk.mid(objAt + 3, end - objAt - 3);
    }

    QFile& m_file;
    QString m_target;
    std::map<int, qint64> m_offsets;
    int m_rootObj = -1;
    int m_size = 0;
    std::vector<int> m_pages;
};

} // namespace

void writePdf(const Report& report, Document& document, const QString& path)
{
    // The pages still being laid out are waited for in slices, so a cancel answers meanwhile.
    while (!document.waitForFinished(100))
        if (const ExportControl* control = currentExportControl(); control && control->cancel.load())
            throw ReportError(QStringLiteral("Cannot export to %1: %2").arg(path, QLatin1String(kExportCancelledText)));
    if (document.hasFailed())
        throw ReportError(document.errorString());
    const QFileInfo target(path);
    const QDir dir = target.absoluteDir();
    if (!dir.exists())
        throw ReportError(QStringLiteral("Cannot write \"%1\": the folder \"%2\" does not exist.")
                              .arg(path, dir.absolutePath()));
    // The file layer the spreadsheets use: written beside the target and renamed over it (a
    // failure never leaves half a file), the replaced file's mode kept, synced, every write
    // checked.
    try {
        detail::StagedFile staged(target.absoluteFilePath());
        {
            QPdfWriter writer(&staged.file());
            const QSizeF size = document.pageSizePoints(0);
            writer.setPageLayout(QPageLayout(QPageSize(size, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                             QPageLayout::Portrait, QMarginsF()));
            // The caption the report is presented under; without one, its name and the hospital's.
            writer.setTitle(!report.caption().isEmpty()        ? report.caption()
                            : report.reportTitle().isEmpty() ? report.name()
                                                             : report.name() + QStringLiteral(" - ") + report.reportTitle());
            writer.setCreator(QStringLiteral("Tarvik Reports"));
            QPainter painter;
            if (!painter.begin(&writer))
                throw ReportError(QStringLiteral("Cannot start the PDF \"%1\".").arg(path));
            const double scale = writer.resolution() / 72.0;
            painter.scale(scale, scale);
            ExportControl* control = currentExportControl();
            if (control)
                control->total = document.pageCount();
            for (int i = 0; i < document.pageCount(); ++i) {
                throwIfExportCancelled();
                if (i > 0)
                    writer.newPage();
                document.paintPage(painter, i);
                if (control)
                    control->done = i + 1;
            }
            if (!painter.end())
                throw ReportError(QStringLiteral("Cannot finish the PDF \"%1\".").arg(path));
        }
        // Qt's PDF writer does not tell of failed writes; the file does.
        if (!staged.file().failure().isEmpty())
            throw ReportError(QStringLiteral("Cannot export to %1: %2").arg(path, staged.file().failure()));
        const std::vector<GroupNode> tree = document.groupTree();
        if (!tree.empty())
            OutlineAppender(staged.file(), path).append(tree);
        staged.commit();
    } catch (const ReportError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw ReportError(QString::fromUtf8(e.what()));
    }
}

void writePdf(const ReportPtr& report, const QString& path)
{
    if (!report)
        throw ReportError(QStringLiteral("No report to write as a PDF."));
    auto doc = report->layOut();
    writePdf(*report, *doc, path);
}

} // namespace tarvik::engine
