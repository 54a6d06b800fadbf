// tarvik-demo-db: writes the demo hospital's three databases into a folder.

#include "HospitalDb.h"

#include "ConnectionInfo.h"
#include "ProgramOptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <exception>
#include <limits>

namespace {

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-demo-db"));

    const tarvik::ProgramOptions cl =
        tarvik::ProgramOptions("tarvik-demo-db", "--out DIR [options]",
                               "Writes a demo hospital (the databases Patient_data, Reports and BILLING, with "
                               "their stored procedures and a user demo with the password demo) into a data "
                               "folder.")
            .option({"out"}, "The data folder to write (made if missing).", "DIR")
            .option({"scale"}, "Hospital size; 1 is about 250 beds and 1 GB over 13 months (default 1).", "S", "1")
            .option({"seed"}, "Random seed: the same seed gives the same hospital (default 20260131).", "N",
                    "20260131")
            .option({"to"}, "Last day with data (default today).", "MM/DD/YYYY")
            .option({"months"}, "Calendar months of data (default 13).", "M", "13")
            .option({"force"}, "Replace the databases of a folder that is not empty (other files stay).")
            .option({"no-month-end"}, "Skip the month-end recomputes.")
            .option({"install-procedures"},
                    "Only install the stored procedures (again) into the databases of the folder; the data stays.")
            .epilogue("Exit status:\n0 written; 2 bad arguments, a folder that is not empty, or a failure while "
                      "writing (the message says which).")
            .process(argc, argv);

    auto fail = [](const QString& message) {
        err() << "tarvik-demo-db: " << message << Qt::endl;
        return 2;
    };
    if (!cl.isSet("out"))
        cl.fail("--out DIR is required.");
    if (!cl.positional().isEmpty())
        cl.fail(QStringLiteral("unexpected argument \"%1\".").arg(cl.positional().first()));
    const QString out = cl.value("out");

    // A data folder made before a procedure script changed gets the new procedures.
    if (cl.isSet("install-procedures")) {
        try {
            tarvik::hospitaldb::installProcedures(out);
        } catch (const std::exception& e) {
            return fail(QString::fromUtf8(e.what()));
        }
        err() << "Stored procedures installed in " << QDir(out).absolutePath() << Qt::endl;
        return 0;
    }

    tarvik::hospitaldb::GeneratorOptions options;
    options.scale = cl.number("scale", 0, 100);
    options.seed = quint64(cl.integer("seed", 0, std::numeric_limits<qint64>::max()));
    options.months = int(cl.integer("months", 1, 1200));
    if (cl.isSet("to")) {
        options.to = QDate::fromString(cl.value("to"), QStringLiteral("MM/dd/yyyy"));
        if (!options.to.isValid())
            cl.fail(QStringLiteral("--to wants a date as MM/DD/YYYY, not \"%1\".").arg(cl.value("to")));
    }
    options.monthEnd = !cl.isSet("no-month-end");

    const QDir dir(out);
    if (dir.exists() && !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!cl.isSet("force"))
            return fail(QStringLiteral("%1 is not empty; add --force to replace its databases.").arg(out));
        // Only the database files are replaced; anything else in the folder stays.
        for (const char* name : tarvik::db::kDatabaseNames) {
            const QString file = tarvik::db::databaseFile(out, QLatin1String(name));
            for (const QString& f : {file, file + QStringLiteral("-wal"), file + QStringLiteral("-shm"),
                                     file + QStringLiteral("-journal")})
                if (QFile::exists(f) && !QFile::remove(f))
                    return fail(QStringLiteral("%1 cannot be removed.").arg(f));
        }
    }

    QElapsedTimer timer;
    timer.start();
    QString lastStage;
    try {
        tarvik::hospitaldb::generateDemoData(out, options, [&](const QString& stage, qint64 done, qint64 total) {
            if (stage != lastStage && !lastStage.isEmpty())
                err() << Qt::endl;
            lastStage = stage;
            err() << "\r" << stage << ": " << done << " / " << total << "   (" << timer.elapsed() / 1000 << " s)";
            err().flush();
        });
    } catch (const std::exception& e) {
        err() << Qt::endl;
        return fail(QString::fromUtf8(e.what()));
    }
    err() << Qt::endl << "Demo databases written to " << QDir(out).absolutePath() << " in "
          << QString::number(timer.elapsed() / 1000.0, 'f', 1) << " s" << Qt::endl;
    return 0;
}
