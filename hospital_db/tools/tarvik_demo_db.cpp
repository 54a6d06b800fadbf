// tarvik-demo-db: writes the demo hospital's three databases into a folder.

#include "HospitalDb.h"

#include "ConnectionInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <exception>

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

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a demo hospital (Patient_data, Reports and BILLING) into a data folder."));
    parser.addHelpOption();
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("The data folder to write."), QStringLiteral("DIR"));
    const QCommandLineOption scaleOption(QStringLiteral("scale"), QStringLiteral("Hospital size; 1 is about 250 beds (default 1)."),
                                         QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Random seed (default 20260131)."),
                                        QStringLiteral("N"), QStringLiteral("20260131"));
    const QCommandLineOption toOption(QStringLiteral("to"), QStringLiteral("Last day with data, MM/DD/YYYY (default today)."),
                                      QStringLiteral("MM/DD/YYYY"));
    const QCommandLineOption monthsOption(QStringLiteral("months"), QStringLiteral("Calendar months of data (default 13)."),
                                          QStringLiteral("M"), QStringLiteral("13"));
    const QCommandLineOption forceOption(QStringLiteral("force"), QStringLiteral("Replace the databases of a folder that is not empty."));
    const QCommandLineOption noMonthEndOption(QStringLiteral("no-month-end"), QStringLiteral("Skip the month-end recomputes."));
    const QCommandLineOption installOption(
        QStringLiteral("install-procedures"),
        QStringLiteral("Only install the stored procedures (again) into the databases of the folder; the data stays."));
    parser.addOptions({outOption, scaleOption, seedOption, toOption, monthsOption, forceOption, noMonthEndOption,
                       installOption});
    parser.process(app);

    auto fail = [](const QString& message) {
        err() << "tarvik-demo-db: " << message << Qt::endl;
        return 2;
    };
    if (!parser.isSet(outOption))
        return fail(QStringLiteral("--out DIR is required."));
    const QString out = parser.value(outOption);

    // A data folder made before a procedure script changed gets the new procedures.
    if (parser.isSet(installOption)) {
        try {
            tarvik::hospitaldb::installProcedures(out);
        } catch (const std::exception& e) {
            return fail(QString::fromUtf8(e.what()));
        }
        err() << "Stored procedures installed in " << QDir(out).absolutePath() << Qt::endl;
        return 0;
    }

    tarvik::hospitaldb::GeneratorOptions options;
    bool ok = false;
    options.scale = parser.value(scaleOption).toDouble(&ok);
    if (!ok || !(options.scale > 0))
        return fail(QStringLiteral("--scale wants a number above 0, not \"%1\".").arg(parser.value(scaleOption)));
    options.seed = parser.value(seedOption).toULongLong(&ok);
    if (!ok)
        return fail(QStringLiteral("--seed wants a whole number, not \"%1\".").arg(parser.value(seedOption)));
    options.months = parser.value(monthsOption).toInt(&ok);
    if (!ok || options.months < 1)
        return fail(QStringLiteral("--months wants a whole number of at least 1, not \"%1\".").arg(parser.value(monthsOption)));
    if (parser.isSet(toOption)) {
        options.to = QDate::fromString(parser.value(toOption), QStringLiteral("MM/dd/yyyy"));
        if (!options.to.isValid())
            return fail(QStringLiteral("--to wants a date as MM/DD/YYYY, not \"%1\".").arg(parser.value(toOption)));
    }
    options.monthEnd = !parser.isSet(noMonthEndOption);

    const QDir dir(out);
    if (dir.exists() && !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!parser.isSet(forceOption))
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
