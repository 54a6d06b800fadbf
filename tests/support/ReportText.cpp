#include "ReportText.h"

#include "PrintedPdf.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <stdexcept>

namespace tarvik::testsupport {

namespace {

void prepare(tarvik::engine::Report& report, const QString& dataFolder, const QString& database,
             const QVariantList& values)
{
    for (auto* table : report.tables()) {
        table->setLocation(tarvik::engine::retargetLocation(table->location(), database));
        table->applyLogOnInfo(dataFolder, database, QString(), QString());
    }
    report.setParameterValues(values);
}

} // namespace

tarvik::engine::ReportPtr openReportLikeProgram(const QString& file, const QString& dataFolder, const QString& title,
                                                const QString& database, const QVariantList& values)
{
    auto report = tarvik::engine::openReport(file, 1);
    report->setReportTitle(title);
    prepare(*report, dataFolder, database, values);
    return report;
}

void openSubreportLikeProgram(tarvik::engine::Report& report, const QString& dataFolder, const QString& name,
                              const QString& database, const QVariantList& values)
{
    prepare(*report.openSubreport(name), dataFolder, database, values);
}

QString renderText(const tarvik::engine::ReportPtr& report, int* pages)
{
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("report.pdf"));
    tarvik::engine::writePdf(report, pdf);
    QString error;
    const QString text = pdfText(pdf, &error);
    if (!error.isEmpty())
        throw std::runtime_error(error.toStdString());
    if (pages)
        *pages = int(text.count(u'\f'));
    return text;
}

QStringList numbersOnLine(const QString& text, const QString& label, int occurrence)
{
    static const QRegularExpression number(QStringLiteral(R"(^\(?-?\d{1,3}(,\d{3})*(\.\d+)?\)?$)"));
    int seen = 0;
    for (const QString& line : text.split(u'\n')) {
        if (!line.contains(label))
            continue;
        if (seen++ < occurrence)
            continue;
        QStringList out;
        for (const QString& word : line.mid(line.indexOf(label) + label.size()).split(u' ', Qt::SkipEmptyParts))
            if (number.match(word).hasMatch())
                out << word;
        return out;
    }
    return {};
}

QString money(qint64 cents, bool parens)
{
    const bool negative = cents < 0;
    const qint64 a = negative ? -cents : cents;
    QString whole = QString::number(a / 100);
    for (int i = int(whole.size()) - 3; i > 0; i -= 3)
        whole.insert(i, u',');
    const QString s = whole + u'.' + QStringLiteral("%1").arg(a % 100, 2, 10, QLatin1Char('0'));
    if (!negative)
        return s;
    return parens ? u'(' + s + u')' : u'-' + s;
}

} // namespace tarvik::testsupport
