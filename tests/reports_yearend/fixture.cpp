#include "fixture.h"

#include "HospitalDb.h"
#include "ReportOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <stdexcept>

namespace yearendtest {

QString demoFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        if (!dir.isValid())
            throw std::runtime_error("no temporary folder");
        tarvik::hospitaldb::GeneratorOptions options;
        options.scale = 0.03;
        options.seed = 161616;
        options.to = kServerDate.date();
        options.months = 4;
        options.monthEnd = true;
        tarvik::hospitaldb::generateDemoData(dir.path(), options);
        made = true;
    }
    return dir.path();
}

std::unique_ptr<QTemporaryDir> copyOfDemo()
{
    auto dir = std::make_unique<QTemporaryDir>();
    const QDir from(demoFolder());
    for (const QString& name : from.entryList({QStringLiteral("*.sqlite")}, QDir::Files))
        if (!QFile::copy(from.filePath(name), dir->filePath(name)))
            throw std::runtime_error(("cannot copy " + name).toStdString());
    return dir;
}

Session::Session(const QString& dataFolder)
    : ReportSession(dataFolder, kServerDate, {QStringLiteral(TARVIK_SOURCE_REPORTS)})
{
}

PresentationRecorder::PresentationRecorder()
{
    tarvik::setShowReportOverride([this](const tarvik::engine::ReportPtr& report, bool, const QString& caption,
                                         bool directPrint, bool modal) {
        Presented p;
        p.caption = caption;
        p.file = QFileInfo(report->filePath()).fileName();
        for (auto* field : report->parameterFields())
            p.values << tarvik::testsupport::valueText(field->currentValue());
        p.directPrint = directPrint;
        p.modal = modal;
        p.report = report;
        presented.push_back(std::move(p));
    });
}

PresentationRecorder::~PresentationRecorder()
{
    tarvik::setShowReportOverride({});
}

YearTotals yearTotalsOf(const tarvik::engine::ReportPtr& report)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("year.csv"));
    const tarvik::engine::ExportOptions saved = report->exportOptions();
    report->exportOptions() = {path, 39, 1};
    report->exportReport();
    report->exportOptions() = saved;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error("the CSV export cannot be read");
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList cells = in.readLine().split(QLatin1Char(','));
        if (!cells.value(0).startsWith(QLatin1String("Total for the year")))
            continue;
        // Code and description, twelve months, the year, net revenue (pesos), monthly average.
        if (cells.size() < 16)
            throw std::runtime_error("the year's total line has too few cells");
        YearTotals totals;
        for (int m = 0; m < 12; ++m)
            totals.months.push_back(cells.at(2 + m).toLongLong());
        totals.count = cells.at(14).toLongLong();
        totals.amountCents = qRound64(cells.at(15).toDouble() * 100);
        return totals;
    }
    throw std::runtime_error("the report has no line \"Total for the year\"");
}

} // namespace yearendtest
