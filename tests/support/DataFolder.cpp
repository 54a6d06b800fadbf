#include "DataFolder.h"

#include "ConnectionInfo.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <stdexcept>

namespace tarvik::testsupport {

namespace {

[[noreturn]] void fail(const QString& sql, const QSqlQuery& q)
{
    throw std::runtime_error((sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
}

} // namespace

void withDatabase(const QString& folder, const std::function<void(QSqlDatabase&)>& use)
{
    const QString name = QStringLiteral("testsupport-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = tarvik::db::openDatabase(tarvik::db::ConnectionInfo::embedded(folder), name);
        use(db);
    }
    QSqlDatabase::removeDatabase(name);
}

namespace {

// Hands each row of the result to `row` while it asks for more.
void forEachRow(const QString& folder, const QString& sql, const std::function<bool(const QSqlQuery&)>& row)
{
    withDatabase(folder, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            fail(sql, q);
        while (q.next() && row(q)) {
        }
    });
}

} // namespace

QVariantList queryRow(const QString& folder, const QString& sql)
{
    QVariantList out;
    forEachRow(folder, sql, [&](const QSqlQuery& q) {
        for (int i = 0; i < q.record().count(); ++i)
            out << q.value(i);
        return false;
    });
    return out;
}

QStringList queryColumn(const QString& folder, const QString& sql)
{
    QStringList out;
    forEachRow(folder, sql, [&](const QSqlQuery& q) {
        out << q.value(0).toString();
        return true;
    });
    return out;
}

void exec(const QString& folder, const QStringList& statements)
{
    withDatabase(folder, [&](QSqlDatabase& db) {
        db.transaction();
        QSqlQuery q(db);
        for (const QString& sql : statements)
            if (!q.exec(sql))
                fail(sql, q); // the connection closes uncommitted: nothing is kept
        db.commit();
    });
}

std::unique_ptr<QTemporaryDir> copyOfFolder(const QString& folder)
{
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        throw std::runtime_error("no temporary folder for a copy of " + folder.toStdString());
    const QDir from(folder);
    for (const QString& name : from.entryList({QStringLiteral("*.sqlite")}, QDir::Files))
        if (!QFile::copy(from.filePath(name), dir->filePath(name)))
            throw std::runtime_error(("cannot copy " + from.filePath(name)).toStdString());
    return dir;
}

} // namespace tarvik::testsupport
