// tarvik-render: lays out a report definition against a data folder and writes it out.
// For authors of definitions and for tests:
//   tarvik-render REPORT.rpt --data DIR [--param NAME=VALUE]... [--title TEXT]
//                 [--pdf OUT.pdf] [--xls OUT] [--xlsx OUT] [--csv OUT] [--print]

#include "ProgramOptions.h"
#include "Report.h"

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

    const tarvik::ProgramOptions cl =
        tarvik::ProgramOptions("tarvik-render", "REPORT.rpt [--data DIR] [--param NAME=VALUE]... [outputs]",
                               "Lays out a report definition (.rpt) and writes it as PDF, spreadsheet or CSV, or "
                               "prints it. Without an output it only lays the report out and prints its page count.")
            .option({"data"}, "Data folder every table of the report and its subreports logs on to.", "DIR")
            .option({"param"},
                    "A parameter value; repeat for each parameter. SUB.NAME=VALUE gives a subreport's parameter.",
                    "NAME=VALUE")
            .option({"title"}, "The report-level text (the hospital's name).", "TEXT")
            .option({"pdf"}, "Write a PDF file.", "OUT")
            .option({"xls"}, "Write an Excel 97-2003 workbook.", "OUT")
            .option({"xlsx"}, "Write an .xlsx workbook.", "OUT")
            .option({"csv"}, "Write CSV.", "OUT")
            .option({"print"}, "Print on the default printer.")
            .argument("REPORT.rpt", "The report definition file.")
            .epilogue("Exit status:\n0 done; 1 the definition, the data or an output failed (the message says "
                      "where); 2 bad arguments.")
            .process(argc, argv);

    if (cl.positional().size() != 1)
        cl.fail("name one report file.");
    try {
        ReportPtr report = openReport(cl.positional().first());
        if (cl.isSet("title"))
            report->setReportTitle(cl.value("title"));
        auto logOn = [&](Report& r) {
            if (!cl.isSet("data"))
                return;
            for (DatabaseTable* t : r.tables()) {
                const QString database = t->location().section(u'.', 0, 0);
                t->applyLogOnInfo(cl.value("data"), database, QString(), QString());
            }
        };
        logOn(*report);
        for (Report* sub : report->subreports())
            logOn(*sub);
        for (const QString& p : cl.values("param")) {
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
        if (cl.isSet("pdf")) {
            writePdf(report, cl.value("pdf"));
            did = true;
        }
        const std::pair<const char*, int> sheets[] = {{"xls", 29}, {"xlsx", 38}, {"csv", 39}};
        for (const auto& [opt, code] : sheets) {
            if (!cl.isSet(opt))
                continue;
            // Relative to where the command runs, not to the export folder.
            report->exportOptions().diskFileName = QFileInfo(cl.value(opt)).absoluteFilePath();
            report->exportOptions().formatType = code;
            report->exportOptions().destinationType = 1;
            report->exportReport();
            did = true;
        }
        if (cl.isSet("print")) {
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
