#include "HospitalDb.h"

#include "RunHistory.h"

#include "ConnectionInfo.h"
#include "DbError.h"
#include "Procedures.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlDatabase>

Q_LOGGING_CATEGORY(lcHospitalDb, "tarvik.hospitaldb")

namespace tarvik::hospitaldb {

namespace detail {

QString readResource(const QString& name)
{
    QFile file(QStringLiteral(":/tarvik/hospital_db/sql/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw db::DbError(QStringLiteral("The built-in script %1 cannot be read: %2").arg(name, file.errorString()));
    return QString::fromUtf8(file.readAll());
}

QString uniqueConnectionName(const QString& purpose)
{
    static QAtomicInt counter;
    return QStringLiteral("tarvik-hospitaldb-%1-%2").arg(purpose).arg(counter.fetchAndAddRelaxed(1));
}

// Runs fn with an open embedded database and always removes the connection afterwards.
template <typename Fn>
void withDatabase(const QString& dataFolder, bool create, const QString& purpose, Fn fn)
{
    const QString name = uniqueConnectionName(purpose);
    {
        QSqlDatabase db = db::openDatabase(db::ConnectionInfo::embedded(dataFolder), name, create);
        try {
            fn(db);
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void installAllProcedures(QSqlDatabase& db)
{
    // Data folders made before the run history existed get its table here too.
    db::executeScript(db, db::runHistorySchema(), QStringLiteral("run history"));
    db::installProcedures(db, QStringLiteral("Reports"),
                          db::parseProcedureScript(readResource(QStringLiteral("reports_procedures.sql")),
                                                   QStringLiteral("reports_procedures.sql")));
    db::installProcedures(db, QStringLiteral("BILLING"),
                          db::parseProcedureScript(readResource(QStringLiteral("billing_procedures.sql")),
                                                   QStringLiteral("billing_procedures.sql")));
}

} // namespace detail

void createDatabases(const QString& dataFolder)
{
    if (!QDir().mkpath(dataFolder))
        throw db::DbError(QStringLiteral("The data folder %1 cannot be created.").arg(dataFolder));
    for (const char* name : db::kDatabaseNames) {
        const QString file = db::databaseFile(dataFolder, QLatin1String(name));
        if (QFileInfo(file).exists() && QFileInfo(file).size() > 0)
            throw db::DbError(QStringLiteral("The database %1 already exists; the hospital databases are "
                                             "only created in a folder that has none.").arg(file));
    }
    qCInfo(lcHospitalDb) << "creating the hospital databases in" << dataFolder;
    detail::withDatabase(dataFolder, true, QStringLiteral("create"), [](QSqlDatabase& db) {
        for (const char* script : {"patient_data.sql", "billing.sql", "reports.sql"})
            db::executeScript(db, detail::readResource(QLatin1String(script)), QLatin1String(script));
        detail::installAllProcedures(db);
    });
}

void installProcedures(const QString& dataFolder)
{
    detail::withDatabase(dataFolder, false, QStringLiteral("procedures"),
                         [](QSqlDatabase& db) { detail::installAllProcedures(db); });
}

} // namespace tarvik::hospitaldb
