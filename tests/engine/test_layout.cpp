// Laying out against a real SQLite data folder: pagination, sums, the group tree, PDF text,
// binding, failures, and exports.

#include "fixture.h"

#include "PrintedPdf.h"
#include "TextRenderer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace tarvik::engine;
using enginetest::money;

namespace {

class Layout : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir();
        s_folder = enginetest::makeDataFolder(*s_dir, 600);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    QString tempPath(const QString& name) const { return m_dir.filePath(name); }

    static QTemporaryDir* s_dir;
    static QString s_folder;
    QTemporaryDir m_dir;
};
QTemporaryDir* Layout::s_dir = nullptr;
QString Layout::s_folder;

std::shared_ptr<Document> finished(const ReportPtr& report)
{
    auto doc = report->layOut();
    doc->waitForFinished();
    return doc;
}

QStringList cents(const QString& folder, const QString& column)
{
    return enginetest::queryColumn(folder, QStringLiteral(
        "SELECT SUM(CAST(ROUND(%1 * 100) AS INTEGER)) FROM Patient_data.tbCollection "
        "WHERE TranDate BETWEEN '2026-01-01' AND '2026-01-31' GROUP BY Account ORDER BY Account").arg(column));
}

} // namespace

TEST_F(Layout, PagesCarryHeadersFootersAndPageNofM)
{
    auto report = enginetest::openCollections(s_folder);
    const QString pdf = tempPath(QStringLiteral("collections.pdf"));
    writePdf(report, pdf);
    QStringList pages = enginetest::pdfText(pdf).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    const int n = int(pages.size());
    ASSERT_GT(n, 5); // 600 rows make several pages
    auto doc = finished(report);
    EXPECT_EQ(doc->pageCount(), n);
    for (int i = 0; i < n; ++i) {
        const QString& page = pages[i];
        EXPECT_TRUE(page.contains(QStringLiteral("Description"))) << "page header missing on page " << i + 1;
        EXPECT_TRUE(page.contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(n)))
            << "page footer wrong on page " << i + 1;
        // Widow control: a group header is never the last thing in a page's body.
        const QStringList lines = page.split(u'\n', Qt::SkipEmptyParts);
        for (int l = 0; l < lines.size(); ++l) {
            if (!QRegularExpression(QStringLiteral("^Account\\s+A\\d\\d\\s*$")).match(lines[l]).hasMatch())
                continue;
            ASSERT_LT(l + 1, lines.size());
            EXPECT_TRUE(lines[l + 1].contains(QStringLiteral("Patient"))) << "header alone on page " << i + 1;
        }
    }
    EXPECT_TRUE(pages.first().contains(QStringLiteral("St. Tarvik General Hospital"))); // report-level text
    EXPECT_TRUE(pages.last().contains(QStringLiteral("Grand total")));
    EXPECT_FALSE(pages[1].contains(QStringLiteral("Collections by Account"))); // report header once
}

TEST_F(Layout, GroupSumsEqualIndependentSqlSums)
{
    auto report = enginetest::openCollections(s_folder);
    const QString pdf = tempPath(QStringLiteral("sums.pdf"));
    writePdf(report, pdf);
    const QString text = enginetest::pdfText(pdf);
    static const QRegularExpression footer(QStringLiteral("Account total\\s+([\\d,]+\\.\\d\\d)\\s+([\\d,]+\\.\\d\\d)\\s+(\\d+) rows"));
    QStringList debits, credits;
    auto it = footer.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        debits << m.captured(1);
        credits << m.captured(2);
    }
    QStringList expectDebits, expectCredits;
    for (const QString& c : cents(s_folder, QStringLiteral("Debit")))
        expectDebits << money(c.toLongLong());
    for (const QString& c : cents(s_folder, QStringLiteral("Credit")))
        expectCredits << money(c.toLongLong());
    ASSERT_EQ(expectDebits.size(), 7);
    EXPECT_EQ(debits, expectDebits);
    EXPECT_EQ(credits, expectCredits);

    const long long total = enginetest::queryColumn(s_folder, QStringLiteral(
        "SELECT SUM(CAST(ROUND(Debit * 100) AS INTEGER)) FROM Patient_data.tbCollection")).value(0).toLongLong();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Grand total\\s+%1\\s").arg(QRegularExpression::escape(money(total))))
                    .match(text).hasMatch()) << money(total).toStdString();
}

TEST_F(Layout, GroupTreeAndFindText)
{
    auto doc = finished(enginetest::openCollections(s_folder));
    ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
    const auto tree = doc->groupTree();
    ASSERT_EQ(tree.size(), 7u);
    EXPECT_EQ(tree[0].name, QStringLiteral("A00"));
    EXPECT_EQ(tree[0].page, 0);
    for (size_t i = 1; i < tree.size(); ++i) {
        EXPECT_GE(tree[i].page, tree[i - 1].page);
        // The node's page really shows that group's header.
        // ...at the height the node gives (the header's field stands 3 points into the band).
        bool found = false;
        for (const auto& hit : doc->findText(tree[i].name, Qt::CaseSensitive))
            found = found || (hit.page == tree[i].page && std::abs(hit.rect.top() - (tree[i].y + 3)) < 3);
        EXPECT_TRUE(found) << tree[i].name.toStdString() << " at " << tree[i].y;
    }
    const auto hits = doc->findText(QStringLiteral("patient 599"), Qt::CaseInsensitive);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_GT(hits[0].rect.width(), 20);
    EXPECT_TRUE(QRectF(QPointF(0, 0), doc->pageSizePoints(hits[0].page)).contains(hits[0].rect));
    EXPECT_TRUE(doc->findText(QStringLiteral("patient 599"), Qt::CaseSensitive).empty());
}

TEST_F(Layout, FirstPageComesBeforeTheLast)
{
    QTemporaryDir dir;
    const QString folder = enginetest::makeDataFolder(dir, 30000);
    auto report = enginetest::openCollections(folder);
    auto doc = report->layOut();
    QSignalSpy added(doc.get(), &Document::pagesAdded);
    QSignalSpy done(doc.get(), &Document::finished);
    while (doc->pageCount() < 1 && !doc->isComplete())
        QThread::msleep(1);
    EXPECT_FALSE(doc->isComplete()) << "a 30,000-row report should still be laying out";
    QImage image(612, 792, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        doc->paintPage(p, 0); // painting while the layout runs
    }
    doc->waitForFinished();
    EXPECT_TRUE(done.wait(5000) || done.count() == 1);
    ASSERT_GE(added.count(), 1);
    EXPECT_EQ(added.last().at(0).toInt(), doc->pageCount());
    EXPECT_GT(doc->pageCount(), 300);
    EXPECT_EQ(doc->findText(QStringLiteral("Page %1 of %1").arg(doc->pageCount()), Qt::CaseSensitive).size(), 1u);
}

TEST_F(Layout, ShownReportIsNotDisturbedByLaterChanges)
{
    auto report = enginetest::openCollections(s_folder);
    auto shown = finished(report);
    const int before = shown->pageCount();
    report->parameterFields()[1]->setCurrentValue(QStringLiteral("01/02/2026"));
    auto next = finished(report);
    EXPECT_LT(next->pageCount(), before);
    EXPECT_EQ(shown->pageCount(), before);
    EXPECT_FALSE(shown->findText(QStringLiteral("01/31/2026"), Qt::CaseSensitive).empty());
}

TEST_F(Layout, SubreportUsesItsOwnParameter)
{
    auto report = enginetest::openCollections(s_folder);
    report->openSubreport(QStringLiteral("Cashiers"))->setParameterValues({QStringLiteral("AM")});
    auto doc = finished(report);
    ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
    EXPECT_EQ(doc->findText(QStringLiteral("Maria Cruz"), Qt::CaseSensitive).size(), 1u);
    EXPECT_TRUE(doc->findText(QStringLiteral("Ben Lee"), Qt::CaseSensitive).empty());
}

TEST_F(Layout, ParametersAreBoundNeverPasted)
{
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("who.rpt"), R"(<report version="1">
  <parameters><parameter name="Who"/></parameters>
  <tables><table alias="T" location="Patient_data.dbo.tbCollection"/></tables>
  <query>SELECT Name FROM {T} WHERE Name = {?Who}</query>
  <detail height="12"><field column="Name" width="200"/></detail>
  <reportFooter height="12"><summary function="count" width="100"/></reportFooter>
</report>)");
    auto report = openReport(rpt);
    report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Patient_data"), {}, {});
    report->setParameterValues({QStringLiteral("x' OR '1'='1")});
    auto doc = finished(report);
    ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
    EXPECT_TRUE(doc->findText(QStringLiteral("Patient"), Qt::CaseSensitive).empty());
    report->setParameterValues({QStringLiteral("Patient 7")});
    doc = finished(report);
    EXPECT_EQ(doc->findText(QStringLiteral("Patient 7"), Qt::CaseSensitive).size(), 1u);
}

TEST_F(Layout, FailuresAreErrorsThatSaySo)
{
    // A table never logged on.
    auto report = openReport(enginetest::dataFile(QStringLiteral("collections.rpt")));
    report->setParameterValues({QStringLiteral("01/01/2026"), QStringLiteral("01/31/2026")});
    auto doc = finished(report);
    EXPECT_TRUE(doc->hasFailed());
    EXPECT_TRUE(doc->errorString().contains(QStringLiteral("not logged on"))) << doc->errorString().toStdString();
    EXPECT_THROW(writePdf(report, tempPath(QStringLiteral("x.pdf"))), ReportError);

    // A parameter without a value.
    report = enginetest::openCollections(s_folder);
    report = openReport(enginetest::dataFile(QStringLiteral("collections.rpt")));
    for (auto* t : report->tables())
        t->applyLogOnInfo(s_folder, QStringLiteral("Patient_data"), {}, {});
    doc = finished(report);
    EXPECT_TRUE(doc->errorString().contains(QStringLiteral("DateFrom"))) << doc->errorString().toStdString();

    // A column the query does not have: the element's line in the file.
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("column.rpt"), R"(<report version="1">
  <tables><table alias="T" location="Patient_data.dbo.tbCollection"/></tables>
  <query>SELECT Name FROM {T}</query>
  <detail height="12">
    <field column="Nmae" width="200"/>
  </detail>
</report>)");
    report = openReport(rpt);
    report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Patient_data"), {}, {});
    doc = finished(report);
    EXPECT_TRUE(doc->errorString().contains(QStringLiteral("column.rpt:5:"))) << doc->errorString().toStdString();
    EXPECT_TRUE(doc->errorString().contains(QStringLiteral("Nmae")));

    // SQL the database refuses: the query's line.
    const QString bad = enginetest::writeFile(m_dir, QStringLiteral("sql.rpt"), R"(<report version="1">
  <tables><table alias="T" location="Patient_data.dbo.tbCollection"/></tables>
  <query>SELEKT Name FROM {T}</query>
</report>)");
    report = openReport(bad);
    report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Patient_data"), {}, {});
    doc = finished(report);
    EXPECT_TRUE(doc->errorString().contains(QStringLiteral("sql.rpt:3:"))) << doc->errorString().toStdString();
}

TEST_F(Layout, PdfEmbedsFontsAndReplacesFilesAtomically)
{
    const QString pdf = tempPath(QStringLiteral("keep.pdf"));
    writePdf(enginetest::openCollections(s_folder), pdf);
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {pdf});
    ASSERT_TRUE(fonts.waitForFinished(30000));
    const QString list = QString::fromUtf8(fonts.readAllStandardOutput());
    EXPECT_TRUE(list.contains(QStringLiteral("LiberationSans"))) << list.toStdString(); // Arial's stand-in
    for (const QString& line : list.split(u'\n').mid(2, -1)) {
        if (!line.trimmed().isEmpty()) {
            EXPECT_TRUE(line.contains(QStringLiteral(" yes "))) << "not embedded: " << line.toStdString();
        }
    }

    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    auto broken = openReport(enginetest::dataFile(QStringLiteral("collections.rpt"))); // never logged on
    EXPECT_THROW(writePdf(broken, pdf), ReportError);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "a partial file was left";
    try {
        writePdf(enginetest::openCollections(s_folder), tempPath(QStringLiteral("no/such/folder/x.pdf")));
        FAIL();
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("does not exist")));
    }
}

TEST_F(Layout, GroupTreeBecomesThePdfOutline)
{
    auto report = enginetest::openCollections(s_folder);
    report->setCaption(QStringLiteral("Collections: 01/31/2026"));
    auto doc = finished(report);
    const QString pdf = tempPath(QStringLiteral("outline.pdf"));
    writePdf(*report, *doc, pdf);
    // The document is titled as the report was presented, not after its definition file.
    EXPECT_EQ(tarvik::testsupport::pdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("Collections: 01/31/2026"));
    // Read back by poppler, which knows nothing of how it was written.
    QProcess p;
    p.start(QStringLiteral("pdftohtml"), {QStringLiteral("-xml"), QStringLiteral("-stdout"), QStringLiteral("-i"),
                                          QStringLiteral("-q"), pdf});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression item(QStringLiteral("<item page=\"(\\d+)\">([^<]*)</item>"));
    QStringList got, expected;
    auto it = item.globalMatch(xml);
    while (it.hasNext()) {
        const auto m = it.next();
        got << m.captured(2) + u'@' + m.captured(1);
    }
    for (const GroupNode& n : doc->groupTree())
        expected << n.name + u'@' + QString::number(n.page + 1);
    ASSERT_EQ(expected.size(), 7);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(enginetest::pdfText(pdf).count(u'\f'), doc->pageCount()); // still a whole, readable PDF
}

TEST_F(Layout, ExportUsesOptionsThenStoredOnesThenTheDefault)
{
    Report::setDefaultExportFolder(m_dir.path());
    auto report = enginetest::openCollections(s_folder);
    report->exportReport(); // the definition's stored options: .xls named Collections.xls
    QFile xls(tempPath(QStringLiteral("Collections.xls")));
    ASSERT_TRUE(xls.open(QIODevice::ReadOnly));
    EXPECT_EQ(xls.read(4), QByteArray("\xD0\xCF\x11\xE0", 4)); // an OLE2 compound document

    report->exportOptions().diskFileName = tempPath(QStringLiteral("out.csv"));
    report->exportOptions().formatType = 39;
    report->exportOptions().destinationType = 1;
    report->exportReport();
    QFile csv(tempPath(QStringLiteral("out.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Date,Name,Description,Debit,Credit,Balance")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Account A00")));
    int details = 0;
    for (const QString& l : lines)
        details += l.contains(QStringLiteral(",Patient "));
    EXPECT_EQ(details, 600);
    const QString debitA00 = money(cents(s_folder, QStringLiteral("Debit")).value(0).toLongLong()).remove(u',');
    bool footer = false;
    for (const QString& l : lines)
        footer = footer || (l.startsWith(QStringLiteral("Account total")) && l.contains(u',' + debitA00.section(u'.', 0, 0)));
    EXPECT_TRUE(footer) << debitA00.toStdString();

    report->exportOptions().formatType = 77;
    EXPECT_THROW(report->exportReport(), ReportError);
    report->exportOptions().formatType = 39;
    report->exportOptions().destinationType = 5;
    EXPECT_THROW(report->exportReport(), ReportError);

    // No options and none stored: an .xls under the report's name in the export folder.
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("plain.rpt"),
                                              R"(<report version="1"><reportHeader height="20"><text width="100">Plain</text></reportHeader></report>)");
    openReport(rpt)->exportReport();
    EXPECT_TRUE(QFile::exists(tempPath(QStringLiteral("plain.xls"))));
    Report::setDefaultExportFolder(QString());
}

TEST_F(Layout, LongTextsWrapAndPushTheNextRowDown)
{
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("wrap.rpt"), R"(<report version="1">
  <tables><table alias="C" location="Reports.dbo.tbCashier"/></tables>
  <query>SELECT Code, 'alpha bravo charlie delta echo foxtrot golf hotel india juliet' AS Words FROM {C}</query>
  <sort><by column="Code"/></sort>
  <detail height="12">
    <field column="Code" x="0" y="0" width="30"/>
    <field column="Words" x="40" y="0" width="80" wrap="true"/>
  </detail>
</report>)");
    auto report = openReport(rpt);
    report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Reports"), {}, {});
    auto doc = finished(report);
    ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
    const auto alpha = doc->findText(QStringLiteral("alpha"), Qt::CaseSensitive);
    const auto juliet = doc->findText(QStringLiteral("juliet"), Qt::CaseSensitive);
    const auto c2 = doc->findText(QStringLiteral("C2"), Qt::CaseSensitive);
    ASSERT_EQ(alpha.size(), 2u);
    ASSERT_EQ(juliet.size(), 2u);
    ASSERT_EQ(c2.size(), 1u);
    EXPECT_GT(juliet[0].rect.top(), alpha[0].rect.bottom()); // wrapped onto later lines
    EXPECT_LE(juliet[0].rect.right(), 36 + 40 + 80 + 0.5);      // within the element
    EXPECT_GT(c2[0].rect.top(), juliet[0].rect.bottom());     // the band grew: no overlap
}

TEST(Fonts, MissingFamiliesAndCharactersFallBackInsteadOfBoxes)
{
    FontSpec style;
    style.family = QStringLiteral("No Such Family 1997");
    const FontTable& font = fontTable(style);
    EXPECT_EQ(font.family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(&fontTable(style), &font); // one table per style
    // A snowman is not in Liberation Sans: it must come from a fallback font, not glyph 0.
    const GlyphInfo snowman = font.glyph(U'\u2603');
    EXPECT_NE(snowman.glyph, 0u);
    EXPECT_GT(snowman.font, 0);
    EXPECT_GT(snowman.advance, 0);
    // Arial's widths, unhinted: "Total" is 4553/2048 em, 22.23 points at 10 points. Hinted
    // (whole-pixel) advances would give 23 and drift across a column of figures.
    FontSpec arial;
    arial.size = 10;
    const double w = fontTable(arial).advance(QStringLiteral("Total"));
    EXPECT_NEAR(w, 22.23, 0.15);
}

// Three faults found while laying out the hospital's daily reports: the first page's header
// showed no field values, two subreports of one band were drawn over each other, and a
// subreport whose tables were not logged on of their own could not read at all.
TEST_F(Layout, PageHeaderFieldsSubreportStackingAndInheritedLogOn)
{
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("stack.rpt"), R"(<report version="1">
  <tables><table alias="C" location="Reports.dbo.tbCashier"/></tables>
  <query>SELECT Code, FullName FROM {C}</query>
  <sort><by column="Code"/></sort>
  <pageHeader height="14">
    <text x="0" y="0" width="60">First code:</text>
    <field column="Code" x="62" y="0" width="40"/>
  </pageHeader>
  <detail height="12">
    <field column="FullName" x="0" y="0" width="200"/>
  </detail>
  <reportFooter height="40">
    <subreport name="AM" x="0" y="0" width="300"/>
    <subreport name="PM" x="0" y="12" width="300"/>
  </reportFooter>
  <subreport name="AM">
    <tables><table alias="K" location="Reports.dbo.tbCashier"/></tables>
    <query>SELECT 'am-' || Code AS Tag FROM {K}</query>
    <sort><by column="Tag"/></sort>
    <detail height="12"><field column="Tag" x="0" y="0" width="100"/></detail>
  </subreport>
  <subreport name="PM">
    <tables><table alias="K" location="Reports.dbo.tbCashier"/></tables>
    <query>SELECT 'pm-' || Code AS Tag FROM {K}</query>
    <sort><by column="Tag"/></sort>
    <detail height="12"><field column="Tag" x="0" y="0" width="100"/></detail>
  </subreport>
</report>)");
    auto report = openReport(rpt);
    report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Reports"), {}, {});
    auto doc = finished(report);
    ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();

    const auto c1 = doc->findText(QStringLiteral("C1"), Qt::CaseSensitive);
    ASSERT_FALSE(c1.empty()) << "the first page's header shows the first row's field";
    EXPECT_EQ(c1[0].page, 0);

    const auto am2 = doc->findText(QStringLiteral("am-C2"), Qt::CaseSensitive);
    const auto pm1 = doc->findText(QStringLiteral("pm-C1"), Qt::CaseSensitive);
    ASSERT_EQ(am2.size(), 1u);
    ASSERT_EQ(pm1.size(), 1u);
    EXPECT_GE(pm1[0].rect.top(), am2[0].rect.bottom() - 0.5) << "the second subreport starts below the first";
}

TEST_F(Layout, GroupTreeShowsWhatTheHeaderShows)
{
    // Groups ordered by a sort key ("2 A00") are named in the tree as their header names them;
    // a header without a field, or a group with a format of its own, names the value itself.
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("keys.rpt"), R"(<report version="1">
  <tables><table alias="T" location="Patient_data.dbo.tbCollection"/></tables>
  <query>SELECT '2 ' || Account AS AccountKey, Account, TranDate, Name FROM {T} WHERE Account IN ('A01', 'A02')</query>
  <sort><by column="Name"/></sort>
  <groups>
    <group name="Account" column="AccountKey"/>
    <group name="Day" column="TranDate" format="MM/dd/yyyy"/>
  </groups>
  <groupHeader group="Account" height="20">
    <text x="0" y="4" width="60">Account</text>
    <field column="Account" x="62" y="4" width="100"/>
  </groupHeader>
  <groupHeader group="Day" height="14">
    <field column="TranDate" x="0" y="0" width="200" format="dddd"/>
  </groupHeader>
  <detail height="12"><field column="Name" x="0" y="0" width="150"/></detail>
</report>)");
    auto report = openReport(rpt);
    report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Patient_data"), {}, {});
    auto doc = finished(report);
    ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
    const auto tree = doc->groupTree();
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].name, QStringLiteral("A01"));
    EXPECT_EQ(tree[1].name, QStringLiteral("A02"));
    ASSERT_FALSE(tree[0].children.empty());
    const QString firstDay = enginetest::queryColumn(s_folder, QStringLiteral(
        "SELECT strftime('%m/%d/%Y', MIN(TranDate)) FROM Patient_data.tbCollection WHERE Account = 'A01'")).value(0);
    EXPECT_EQ(tree[0].children[0].name, firstDay); // the group's own format
    for (const GroupNode& node : tree) {
        bool found = false;
        for (const auto& hit : doc->findText(node.name, Qt::CaseSensitive))
            found = found || (hit.page == node.page && std::abs(hit.rect.top() - (node.y + 4)) < 3);
        EXPECT_TRUE(found) << node.name.toStdString() << " is not at page " << node.page << ", " << node.y;
    }
}

TEST_F(Layout, AnEmptyFieldShowsItsStandInParameter)
{
    // A page header naming the day of its first row still names the day when there are no rows.
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("standin.rpt"), R"(<report version="1">
  <parameters><parameter name="Day" type="date"/></parameters>
  <tables><table alias="T" location="Patient_data.dbo.tbCollection"/></tables>
  <query>SELECT TranDate, Name FROM {T} WHERE TranDate = {?Day}</query>
  <pageHeader height="14">
    <field column="TranDate" orParameter="Day" x="0" y="0" width="300" format="'For' MMMM d, yyyy"/>
  </pageHeader>
  <detail height="12"><field column="Name" x="0" y="0" width="150"/></detail>
</report>)");
    for (const auto& [day, expected] : {std::pair{"01/05/2026", "For January 5, 2026"}, std::pair{"03/01/2026", "For March 1, 2026"}}) {
        auto report = openReport(rpt);
        report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Patient_data"), {}, {});
        report->setParameterValues({QString::fromLatin1(day)});
        auto doc = finished(report);
        ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
        EXPECT_FALSE(doc->findText(QString::fromLatin1(expected), Qt::CaseSensitive).empty()) << day;
    }
}

namespace {

// The workbook as Perl's Spreadsheet::ParseExcel reads it: "sheet NAME" lines, then one
// "row<TAB>column<TAB>value<TAB>format" line per cell.
QStringList xlsCells(const QString& xls)
{
    QProcess p;
    p.start(QStringLiteral("perl"),
            {QStringLiteral("-MSpreadsheet::ParseExcel"), QStringLiteral("-e"),
             QStringLiteral("binmode STDOUT, ':utf8'; my $b = Spreadsheet::ParseExcel->new->parse($ARGV[0]) or die; "
                            "for my $s ($b->worksheets) { print 'sheet ', $s->get_name, \"\\n\"; "
                            "my ($r0, $r1) = $s->row_range; my ($c0, $c1) = $s->col_range; "
                            "for my $r ($r0 .. $r1) { for my $c ($c0 .. $c1) { my $x = $s->get_cell($r, $c) or next; "
                            "my $f = $x->get_format; print join(\"\\t\", $r, $c, $x->unformatted, "
                            "$f ? $b->{FormatStr}{$f->{FmtIdx}} : ''), \"\\n\"; } } }"),
             xls});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

TEST_F(Layout, SpreadsheetKeepsFooterLabelsBlocksAndSubreports)
{
    const QString rpt = enginetest::writeFile(m_dir, QStringLiteral("ledger.rpt"), R"(<report version="1">
  <parameters><parameter name="Expected" type="currency" default="123.45"/></parameters>
  <tables><table alias="T" location="Patient_data.dbo.tbCollection"/></tables>
  <query>SELECT '9 ' || Account AS AccountKey, Account, Name, Description, Debit FROM {T} WHERE Account IN ('A01', 'A02')</query>
  <sort><by column="Name"/></sort>
  <groups><group name="Account" column="AccountKey"/></groups>
  <groupHeader group="Account" height="16"><field column="Account" x="0" y="2" width="100"/></groupHeader>
  <detail height="12">
    <field column="Name" x="0" y="0" width="150"/>
    <field column="Description" x="160" y="0" width="140"/>
    <field column="Debit" x="310" y="0" width="80" align="right" format="#,##0.00"/>
  </detail>
  <groupFooter group="Account" height="16">
    <field column="Account" x="0" y="2" width="60"/>
    <summary function="count" x="160" y="2" width="90" format="#,##0 {entry|entries}"/>
    <summary function="sum" column="Debit" x="300" y="2" width="90" align="right" format="#,##0.00"/>
  </groupFooter>
  <reportFooter height="60">
    <text x="0" y="4" width="150">Total debits</text>
    <summary function="sum" column="Debit" x="300" y="4" width="90" align="right" format="#,##0.00"/>
    <text x="0" y="20" width="150">Expected</text>
    <parameter name="Expected" x="300" y="20" width="90" align="right" format="#,##0.00"/>
    <subreport name="Cashiers" x="0" y="36" width="240"/>
  </reportFooter>
  <subreport name="Cashiers">
    <tables><table alias="K" location="Reports.dbo.tbCashier"/></tables>
    <query>SELECT Code, FullName FROM {K}</query>
    <sort><by column="Code"/></sort>
    <reportHeader height="14"><text x="0" y="0" width="200">Cashiers on duty</text></reportHeader>
    <detail height="12"><field column="Code" x="0" y="0" width="40"/><field column="FullName" x="50" y="0" width="150"/></detail>
  </subreport>
</report>)");
    auto report = openReport(rpt);
    report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Patient_data"), {}, {});
    report->setCaption(QStringLiteral("Daily Ledger: 01/31/2026"));
    const QStringList counts = enginetest::queryColumn(s_folder, QStringLiteral(
        "SELECT COUNT(*) || ',' || printf('%.2f', SUM(Debit)) FROM Patient_data.tbCollection "
        "WHERE Account IN ('A01', 'A02') GROUP BY Account ORDER BY Account"));
    const QString total = enginetest::queryColumn(s_folder, QStringLiteral(
        "SELECT printf('%.2f', SUM(Debit)) FROM Patient_data.tbCollection WHERE Account IN ('A01', 'A02')")).value(0);
    ASSERT_EQ(counts.size(), 2);

    report->exportOptions() = {tempPath(QStringLiteral("ledger.csv")), 39, 1};
    report->exportReport();
    QFile csv(tempPath(QStringLiteral("ledger.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(csv.readAll()).mid(1).split(QStringLiteral("\r\n"));
    // Sums are written in full precision: compared as the report prints them.
    auto asPrinted = [](const QString& line) {
        QStringList cells = line.split(u',');
        for (QString& c : cells) {
            bool number = false;
            const double v = c.toDouble(&number);
            if (number && c.contains(u'.'))
                c = QString::number(v, 'f', 2);
        }
        return cells.join(u',');
    };
    auto lineStarting = [&lines](const QString& start) {
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (lines[i].startsWith(start))
                return i;
        return qsizetype(-1);
    };
    // A group footer: its label, its count under the column it stands over, its sum under its own.
    for (int k = 0; k < 2; ++k) {
        const QString account = QStringLiteral("A0%1").arg(k + 1);
        const qsizetype at = lineStarting(account + u',');
        ASSERT_GE(at, 0) << account.toStdString();
        const QStringList cells = lines[at].split(u',');
        ASSERT_EQ(cells.size(), 3) << lines[at].toStdString();
        EXPECT_EQ(cells[1], counts[k].section(u',', 0, 0)) << account.toStdString();
        EXPECT_NEAR(cells[2].toDouble(), counts[k].section(u',', 1).toDouble(), 0.005) << account.toStdString();
    }
    // The report footer's lines are rows of their own, labels beside their values; the
    // subreport follows as a section with its own rows (two columns).
    const qsizetype at = lineStarting(QStringLiteral("Total debits,"));
    ASSERT_GE(at, 0) << lines.join(u'\n').toStdString();
    EXPECT_EQ(asPrinted(lines[at]), QStringLiteral("Total debits,,") + total);
    EXPECT_EQ(lines.mid(at + 1, 5), (QStringList{QStringLiteral("Expected,,123.45"), QString(), QStringLiteral("Cashiers on duty,"),
                                                 QStringLiteral("C1,Maria Cruz"), QStringLiteral("C2,Ben Lee")}));

    // In a workbook the sheet is named by the caption, and a count reads "1 entry", "2 entries".
    report->exportOptions() = {tempPath(QStringLiteral("ledger.xls")), 29, 1};
    report->exportReport();
    const QStringList cells = xlsCells(tempPath(QStringLiteral("ledger.xls")));
    ASSERT_FALSE(cells.isEmpty());
    EXPECT_EQ(cells.first(), QStringLiteral("sheet Daily Ledger 01-31-2026"));
    bool plural = false;
    for (const QString& c : cells)
        plural = plural || c.endsWith(QStringLiteral("\t[=1]#,##0\" entry\";#,##0\" entries\""));
    EXPECT_TRUE(plural) << cells.join(u'\n').toStdString();
}
