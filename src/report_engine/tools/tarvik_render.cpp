// tarvik-render: lays out a report definition against a data folder and writes it out.
// For authors of definitions and for tests:
//   tarvik-render REPORT.rpt --data DIR [--param NAME=VALUE]... [--title TEXT]
//                 [--pdf OUT.pdf] [--xls OUT] [--xlsx OUT] [--csv OUT] [--print]

#include "Report.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

using namespace tarvik::engine;

int main(int argc, char** argv)
{
    // Rendering needs fonts, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-render"));

    QCommandLineParser cl;
    cl.setApplicationDescription(QStringLiteral("Lays out a report definition (.rpt) and writes it as PDF, "
                                                "spreadsheet or CSV, or prints it."));
    cl.addHelpOption();
    cl.addPositionalArgument(QStringLiteral("report"), QStringLiteral("The .rpt file."));
    const QCommandLineOption data(QStringLiteral("data"), QStringLiteral("Data folder every table logs on to."), QStringLiteral("DIR"));
    const QCommandLineOption param(QStringLiteral("param"), QStringLiteral("A parameter value (repeatable)."), QStringLiteral("NAME=VALUE"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("The report-level text (hospital name)."), QStringLiteral("TEXT"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), QStringLiteral("Write a PDF."), QStringLiteral("OUT"));
    const QCommandLineOption xls(QStringLiteral("xls"), QStringLiteral("Write an Excel 97-2003 workbook."), QStringLiteral("OUT"));
    const QCommandLineOption xlsx(QStringLiteral("xlsx"), QStringLiteral("Write an .xlsx workbook."), QStringLiteral("OUT"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Write CSV."), QStringLiteral("OUT"));
    const QCommandLineOption print(QStringLiteral("print"), QStringLiteral("Print on the default printer."));
    cl.addOptions({data, param, title, pdf, xls, xlsx, csv, print});
    cl.process(app);

    if (cl.positionalArguments().size() != 1) {
        std::fprintf(stderr, "tarvik-render: name one report file (see --help)\n");
        return 2;
    }
    try {
        ReportPtr report = openReport(cl.positionalArguments().first());
        if (cl.isSet(title))
            report->setReportTitle(cl.value(title));
        auto logOn = [&](Report& r) {
            if (!cl.isSet(data))
                return;
            for (DatabaseTable* t : r.tables()) {
                const QString database = t->location().section(u'.', 0, 0);
                t->applyLogOnInfo(cl.value(data), database, QString(), QString());
            }
        };
        logOn(*report);
        for (Report* sub : report->subreports())
            logOn(*sub);
        for (const QString& p : cl.values(param)) {
            const int eq = int(p.indexOf(u'='));
            if (eq <= 0)
                throw ReportError(QStringLiteral("--param takes NAME=VALUE, not \"%1\"").arg(p));
            const QString name = p.left(eq);
            // "Sub.Name" gives a subreport's parameter.
            Report* target = report.get();
            QString field = name;
            if (name.contains(u'.')) {
                target = report->openSubreport(name.section(u'.', 0, 0));
                field = name.section(u'.', 1);
            }
            ParameterField* f = target->parameterField(field);
            if (!f)
                throw ReportError(QStringLiteral("The report has no parameter \"%1\".").arg(name));
            f->setCurrentValue(p.mid(eq + 1));
        }
        bool did = false;
        if (cl.isSet(pdf)) {
            writePdf(report, cl.value(pdf));
            did = true;
        }
        const std::pair<const QCommandLineOption*, int> sheets[] = {{&xls, 29}, {&xlsx, 38}, {&csv, 39}};
        for (const auto& [opt, code] : sheets) {
            if (!cl.isSet(*opt))
                continue;
            // Relative to where the command runs, not to the export folder.
            report->exportOptions().diskFileName = QFileInfo(cl.value(*opt)).absoluteFilePath();
            report->exportOptions().formatType = code;
            report->exportOptions().destinationType = 1;
            report->exportReport();
            did = true;
        }
        if (cl.isSet(print)) {
            report->printOut();
            did = true;
        }
        if (!did) {
            // Only check that it lays out.
            auto doc = report->layOut();
            doc->waitForFinished();
            if (doc->hasFailed())
                throw ReportError(doc->errorString());
            std::printf("%d pages\n", doc->pageCount());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarvik-render: %s\n", e.what());
        return 1;
    }
    return 0;
}
