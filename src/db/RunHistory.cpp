#include "RunHistory.h"

#include "DbError.h"

#include <QAtomicInteger>
#include <QLoggingCategory>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

Q_LOGGING_CATEGORY(lcHistory, "tarvik.history")

namespace tarvik::db {

namespace {

QAtomicInteger<int> g_historyCounter = 0;
std::unique_ptr<RunHistory> g_session;

constexpr const char* kTimeFormat = "yyyy-MM-dd HH:mm:ss.zzz";

QString timeText(const QDateTime& t) { return t.toString(QLatin1String(kTimeFormat)); }

[[noreturn]] void fail(const QString& what, const QSqlQuery& q)
{
    throw DbError(QStringLiteral("The run history %1: %2").arg(what, q.lastError().text()));
}

void exec(QSqlDatabase& db, const QString& sql, const QString& what)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        fail(what, q);
}

QString csvField(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.at(0)))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n'))
        || text.contains(QLatin1Char('\r')) || text.startsWith(QLatin1Char(' ')))
        return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return text;
}

} // namespace

QString runHistorySchema()
{
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS Reports.tbRunHistory (\n"
        "  RunID INTEGER PRIMARY KEY,\n"
        "  UserName TEXT NOT NULL, Workstation TEXT NOT NULL,\n"
        "  StartedAt TEXT NOT NULL, EndedAt TEXT NOT NULL,\n"
        "  Caption TEXT NOT NULL, ReportFile TEXT NOT NULL, DatabaseName TEXT NOT NULL,\n"
        "  Parameters TEXT NOT NULL, Outputs TEXT NOT NULL,\n"
        "  Outcome TEXT NOT NULL CHECK (Outcome IN ('done', 'failed', 'cancelled')),\n"
        "  Message TEXT NOT NULL);\n"
        "CREATE INDEX IF NOT EXISTS Reports.ixRunHistoryStarted ON tbRunHistory(StartedAt);\n");
}

int retentionDays()
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tarvik"), QStringLiteral("reports"));
    bool ok = false;
    const int days = settings.value(QStringLiteral("RunHistory/RetentionDays")).toInt(&ok);
    return ok && days > 0 ? days : kDefaultRetentionDays;
}

RunHistory::RunHistory(const ConnectionInfo& info)
    : m_name(QStringLiteral("tarvik-history-%1").arg(g_historyCounter.fetchAndAddRelaxed(1)))
{
    if (info.backend != ConnectionInfo::Backend::Embedded)
        throw DbError(QStringLiteral("The run history is kept in the embedded data folder only."));
    m_db = openDatabase(info, m_name);
    // A history row is a log line: losing the last ones to a power cut is acceptable, an fsync
    // per report is not (the WAL journal keeps the file sound either way).
    exec(m_db, QStringLiteral("PRAGMA Reports.synchronous = NORMAL"), QStringLiteral("could not be set up"));
    QSqlQuery check(m_db);
    if (!check.exec(QStringLiteral("SELECT 1 FROM Reports.sqlite_master WHERE name = 'tbRunHistory'")))
        fail(QStringLiteral("could not be looked up"), check);
    if (!check.next()) {
        for (const QString& statement : runHistorySchema().split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!statement.trimmed().isEmpty())
                exec(m_db, statement, QStringLiteral("table could not be added"));
        qCInfo(lcHistory) << "added the run history table to" << info.dataFolder;
    }
}

RunHistory::~RunHistory()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void RunHistory::append(const RunRecord& r)
{
    // A single INSERT is its own transaction: short, and never part of a procedure's.
    QSqlQuery q(m_db);
    if (!q.prepare(QStringLiteral(
            "INSERT INTO Reports.tbRunHistory (UserName, Workstation, StartedAt, EndedAt, Caption, ReportFile,"
            " DatabaseName, Parameters, Outputs, Outcome, Message) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")))
        fail(QStringLiteral("row could not be prepared"), q);
    for (const QString& v : {r.user, r.workstation, timeText(r.started), timeText(r.ended), r.caption, r.file,
                             r.database, r.parameters, r.outputs, r.outcome, r.message})
        q.addBindValue(v.isNull() ? QString(QLatin1String("")) : v);
    if (!q.exec())
        fail(QStringLiteral("row could not be written"), q);
}

std::vector<RunRecord> RunHistory::rows(const HistoryFilter& f) const
{
    QString sql = QStringLiteral(
        "SELECT RunID, UserName, Workstation, StartedAt, EndedAt, Caption, ReportFile, DatabaseName, Parameters,"
        " Outputs, Outcome, Message FROM Reports.tbRunHistory WHERE 1");
    QVariantList values;
    if (f.from.isValid()) {
        sql += QStringLiteral(" AND StartedAt >= ?");
        values << f.from.toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (f.to.isValid()) {
        sql += QStringLiteral(" AND StartedAt < ?");
        values << f.to.addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
    }
    // instr, not LIKE: a "%" or "_" typed in a filter means itself.
    if (!f.user.trimmed().isEmpty()) {
        sql += QStringLiteral(" AND instr(lower(UserName), lower(?)) > 0");
        values << f.user.trimmed();
    }
    if (!f.report.trimmed().isEmpty()) {
        sql += QStringLiteral(" AND instr(lower(Caption), lower(?)) > 0");
        values << f.report.trimmed();
    }
    sql += QStringLiteral(" ORDER BY StartedAt DESC, RunID DESC");
    QSqlDatabase db = m_db;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        fail(QStringLiteral("could not be read"), q);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        fail(QStringLiteral("could not be read"), q);
    std::vector<RunRecord> out;
    while (q.next()) {
        RunRecord r;
        r.id = q.value(0).toLongLong();
        r.user = q.value(1).toString();
        r.workstation = q.value(2).toString();
        r.started = QDateTime::fromString(q.value(3).toString(), QLatin1String(kTimeFormat));
        r.ended = QDateTime::fromString(q.value(4).toString(), QLatin1String(kTimeFormat));
        r.caption = q.value(5).toString();
        r.file = q.value(6).toString();
        r.database = q.value(7).toString();
        r.parameters = q.value(8).toString();
        r.outputs = q.value(9).toString();
        r.outcome = q.value(10).toString();
        r.message = q.value(11).toString();
        out.push_back(std::move(r));
    }
    return out;
}

int RunHistory::removeOlderThan(int days, const QDateTime& now)
{
    QSqlQuery q(m_db);
    if (!q.prepare(QStringLiteral("DELETE FROM Reports.tbRunHistory WHERE StartedAt < ?")))
        fail(QStringLiteral("could not be trimmed"), q);
    q.addBindValue(timeText(now.addDays(-qint64(days))));
    if (!q.exec())
        fail(QStringLiteral("could not be trimmed"), q);
    return q.numRowsAffected();
}

QString historyCsv(const std::vector<RunRecord>& rows)
{
    QString text = QStringLiteral(
        "Started,Ended,User,Workstation,Report,File,Database,Parameters,Outputs,Outcome,Message\r\n");
    for (const RunRecord& r : rows) {
        const QStringList fields{timeText(r.started), timeText(r.ended), r.user, r.workstation, r.caption, r.file,
                                 r.database, r.parameters, r.outputs, r.outcome, r.message};
        QStringList cells;
        for (const QString& f : fields)
            cells << csvField(f);
        text += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return text;
}

void openSessionHistory(const ConnectionInfo& info)
{
    g_session.reset();
    try {
        g_session = std::make_unique<RunHistory>(info);
        const int removed = g_session->removeOlderThan(retentionDays(), QDateTime::currentDateTime());
        if (removed > 0)
            qCInfo(lcHistory) << "removed" << removed << "run history rows older than" << retentionDays() << "days";
    } catch (const DbError& e) {
        // The reports still run; only their history is not kept.
        qCWarning(lcHistory).noquote() << "the run history is not kept this session:" << e.message();
        g_session.reset();
    }
}

void closeSessionHistory() { g_session.reset(); }

RunHistory* sessionHistory() { return g_session.get(); }

void recordRun(const RunRecord& record)
{
    if (!g_session) {
        qCWarning(lcHistory).noquote() << "no run history open; not recorded:" << record.caption << record.outcome;
        return;
    }
    try {
        g_session->append(record);
    } catch (const DbError& e) {
        qCWarning(lcHistory).noquote() << "the run of" << record.caption << "was not recorded:" << e.message();
    }
}

} // namespace tarvik::db
