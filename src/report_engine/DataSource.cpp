#include "DataSource.h"
#include "EngineLog.h"
#include "ReportError.h"

#include "ConnectionInfo.h"
#include "DbError.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>

namespace tarvik::engine {

Location parseLocation(const QString& location)
{
    const int dot = int(location.indexOf(u'.'));
    if (dot < 0)
        throw ReportError(QStringLiteral("The table location \"%1\" has no database part (database.owner.table).")
                              .arg(location));
    const int last = int(location.lastIndexOf(u'.'));
    Location l;
    l.database = location.left(dot).trimmed();
    l.table = location.mid(last + 1).trimmed();
    l.owner = last > dot ? location.mid(dot + 1, last - dot - 1).trimmed() : QString();
    // These go into SQL as names: only characters that can name an object, so a location
    // can never carry SQL of its own.
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_$#@ ]+$"));
    static const QRegularExpression owner(QStringLiteral("^[A-Za-z0-9_$#@ .]*$"));
    if (!name.match(l.database).hasMatch() || !name.match(l.table).hasMatch() ||
        !owner.match(l.owner).hasMatch())
        throw ReportError(QStringLiteral("The table location \"%1\" is not database.owner.table.").arg(location));
    return l;
}

namespace {

QString quoteIdentifier(const QString& name)
{
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

QVariant bindValue(ParameterType type, const QVariant& v, bool embedded)
{
    switch (type) {
    case ParameterType::Text:
        return v.toString();
    case ParameterType::Date:
        // The embedded databases keep dates as ISO texts, as the stored procedures write them.
        return embedded ? QVariant(v.toDate().toString(Qt::ISODate)) : QVariant(v.toDate());
    case ParameterType::DateTime:
        return embedded ? QVariant(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                        : QVariant(v.toDateTime());
    case ParameterType::Number:
        return v.toDouble();
    case ParameterType::Currency:
        return v.toString(); // the exact decimal text
    case ParameterType::Boolean:
        return v.toBool() ? 1 : 0;
    }
    return v;
}

std::atomic<int> g_connectionCounter{0};

} // namespace

PreparedQuery prepareQuery(const ReportSnapshot& report, bool embedded,
                           const std::function<QString(const Location&)>& tableRef)
{
    const Definition& def = *report.def;
    PreparedQuery out;
    QString sql;
    for (const auto& part : def.query) {
        switch (part.kind) {
        case QueryPart::Kind::Sql:
            sql += part.sql;
            break;
        case QueryPart::Kind::Table:
            sql += tableRef(parseLocation(report.tables[size_t(part.index)].location));
            break;
        case QueryPart::Kind::Parameter: {
            const ParamDef& p = def.parameters[size_t(part.index)];
            const QVariant& v = report.params[size_t(part.index)];
            if (!v.isValid())
                throw ReportError(QStringLiteral("The parameter \"%1\" of the report \"%2\" has no value.")
                                      .arg(p.name, def.name));
            sql += u'?';
            out.values.push_back(bindValue(p.type, v, embedded));
            break;
        }
        }
    }
    QStringList order;
    for (const auto& g : def.groups)
        order << quoteIdentifier(g.column);
    for (const auto& s : def.sort)
        order << quoteIdentifier(s.column) + (s.descending ? QStringLiteral(" DESC") : QString());
    if (!order.isEmpty()) {
        while (sql.trimmed().endsWith(u';'))
            sql = sql.trimmed().chopped(1);
        sql = QStringLiteral("SELECT * FROM (\n%1\n) AS tarvik_rows ORDER BY %2").arg(sql, order.join(QStringLiteral(", ")));
    }
    out.sql = sql;
    return out;
}

RowSource::RowSource(const ReportSnapshot& report) : m_report(report)
{
    const Definition& def = *report.def;
    // One connection serves the query: the log-on of the first table it reads.
    const TableState* logOn = nullptr;
    for (const auto& part : def.query) {
        if (part.kind != QueryPart::Kind::Table)
            continue;
        const TableState& t = report.tables[size_t(part.index)];
        const TableDef& td = def.tables[size_t(part.index)];
        if (!t.loggedOn)
            throw ReportError(QStringLiteral("The table \"%1\" (%2) of the report \"%3\" is not logged on to a database.")
                                  .arg(td.alias, t.location, def.name));
        if (!logOn)
            logOn = &t;
        else if (t.server != logOn->server)
            throw ReportError(QStringLiteral("The tables of the report \"%1\" are logged on to different servers; one query reads one server.")
                                  .arg(def.name));
    }
    if (!logOn)
        throw ReportError(QStringLiteral("The query of the report \"%1\" reads no table.").arg(def.name));

    const auto info = db::ConnectionInfo::fromLogOn(logOn->server, logOn->database, logOn->user,
                                                   logOn->password);
    const bool embedded = info.backend == db::ConnectionInfo::Backend::Embedded;
    const PreparedQuery prepared = prepareQuery(report, embedded, [&info](const Location& l) {
        return db::tableReference(info, l.database, l.owner, l.table);
    });
    m_sql = prepared.sql;
    m_connectionName = QStringLiteral("tarvik.engine.%1").arg(++g_connectionCounter);
    QSqlDatabase database;
    try {
        // A report only reads: its connection refuses every write, whatever its query says.
        database = db::openDatabase(info, m_connectionName, false, db::Access::ReadOnly);
    } catch (const db::DbError& e) {
        throw ReportError(QStringLiteral("The report \"%1\" cannot reach its database: %2").arg(def.name, e.message()));
    }
    m_stopGuard = std::make_unique<db::StopGuard>(database);
    m_query = std::make_unique<QSqlQuery>(database);
    m_query->setForwardOnly(true);
    auto fail = [&](const QString& why) {
        const QString text = QStringLiteral("the query failed: %1").arg(why);
        database = QSqlDatabase();
        close(); // the destructor does not run for a constructor that throws
        throw ReportError(def.filePath, def.queryLine, text);
    };
    if (!m_query->prepare(m_sql))
        fail(m_query->lastError().text());
    if (db::preparedQueryOnlyReads(*m_query) == false) {
        database = QSqlDatabase();
        close();
        throw ReportError(def.filePath, def.queryLine,
                          QStringLiteral("the query would change the database; a report's query may only read data"));
    }
    for (const auto& v : prepared.values)
        m_query->addBindValue(v);
    if (!m_query->exec())
        fail(m_query->lastError().text());
    const QSqlRecord rec = m_query->record();
    for (int i = 0; i < rec.count(); ++i)
        m_columns << rec.fieldName(i);
    qCDebug(lcEngine).noquote() << "query of" << def.name << ":" << m_sql;
}

RowSource::~RowSource() { close(); }

void RowSource::close()
{
    m_query.reset();
    m_stopGuard.reset();
    if (!m_connectionName.isEmpty() && QSqlDatabase::contains(m_connectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

int RowSource::columnIndex(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int RowSource::requireColumn(const QString& name, int line) const
{
    const int i = columnIndex(name);
    if (i < 0)
        throw ReportError(m_report.def->filePath, line,
                          QStringLiteral("the query has no column \"%1\" (it has: %2)")
                              .arg(name, m_columns.join(QStringLiteral(", "))));
    return i;
}

bool RowSource::next(Row& row)
{
    if (!m_query || !m_query->next()) {
        if (m_query && m_query->lastError().isValid())
            throw ReportError(m_report.def->filePath, m_report.def->queryLine,
                              QStringLiteral("reading the rows failed: %1").arg(m_query->lastError().text()));
        return false;
    }
    const int n = int(m_columns.size());
    row.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        row[size_t(i)] = m_query->value(i);
    return true;
}

QString SummaryValue::format(const ValueFormat& f) const
{
    switch (kind) {
    case Kind::Empty:
        return {};
    case Kind::Decimal:
        return formatDecimal(decimal, f);
    case Kind::Other:
        return formatValue(other, f);
    }
    return {};
}

void RowWalker::Slot::add(const QVariant& v)
{
    ++rows;
    if (isEmptyValue(v))
        return;
    ++values;
    const auto d = Decimal::fromVariant(v);
    const bool isNum = d.has_value() && v.typeId() != QMetaType::QString;
    if (d && (isNum || v.typeId() == QMetaType::QString)) {
        sum += *d;
        ++numeric;
    }
    auto less = [](const QVariant& a, const QVariant& b) {
        const auto da = Decimal::fromVariant(a), db = Decimal::fromVariant(b);
        if (da && db)
            return *da < *db;
        return a.toString() < b.toString();
    };
    if (!min.isValid() || less(v, min))
        min = v;
    if (!max.isValid() || less(max, v))
        max = v;
}

RowWalker::RowWalker(const Definition& def, RowSource& source) : m_def(def), m_source(source)
{
    for (const auto& g : def.groups)
        m_groupColumns.push_back(source.requireColumn(g.column, g.line));
    m_slots.resize(def.accumulators.size());
    m_slotColumns.resize(def.accumulators.size(), -1);
    for (const BandDef* band : def.allBands()) {
        std::vector<int> cols(band->elements.size(), -1);
        for (size_t i = 0; i < band->elements.size(); ++i) {
            const ElementDef& e = band->elements[i];
            if (e.kind == ElementKind::Field || (e.kind == ElementKind::Summary && !e.column.isEmpty()))
                cols[i] = source.requireColumn(e.column, e.line);
            if (e.kind == ElementKind::Summary)
                m_slotColumns[size_t(e.accumulator)] = cols[i];
        }
        m_bandColumns.emplace_back(band, std::move(cols));
    }
}

const std::vector<int>& RowWalker::columnsOf(const BandDef& band) const
{
    for (const auto& [b, cols] : m_bandColumns)
        if (b == &band)
            return cols;
    static const std::vector<int> none;
    return none;
}

SummaryValue RowWalker::summary(const ElementDef& e) const
{
    const Slot& s = m_slots[size_t(e.accumulator)];
    SummaryValue v;
    switch (e.function) {
    case SummaryFunction::Sum:
    case SummaryFunction::RunningTotal:
        v.kind = SummaryValue::Kind::Decimal;
        v.decimal = s.sum;
        break;
    case SummaryFunction::Count:
        v.kind = SummaryValue::Kind::Decimal;
        v.decimal = Decimal::fromInt(e.column.isEmpty() ? s.rows : s.values);
        break;
    case SummaryFunction::Average:
        if (s.numeric > 0) {
            v.kind = SummaryValue::Kind::Decimal;
            v.decimal = s.sum.dividedBy(s.numeric);
        }
        break;
    case SummaryFunction::Min:
    case SummaryFunction::Max: {
        const QVariant& m = e.function == SummaryFunction::Min ? s.min : s.max;
        if (m.isValid()) {
            const auto d = Decimal::fromVariant(m);
            if (d && m.typeId() != QMetaType::QString) {
                v.kind = SummaryValue::Kind::Decimal;
                v.decimal = *d;
            } else {
                v.kind = SummaryValue::Kind::Other;
                v.other = m;
            }
        }
        break;
    }
    }
    return v;
}

void RowWalker::run(Handler& handler, const std::atomic<bool>* cancel)
{
    const int levels = int(m_groupColumns.size());
    Row row, prev;
    bool first = true;
    auto resetFrom = [&](int level) {
        for (size_t i = 0; i < m_slots.size(); ++i)
            if (m_def.accumulators[i].group >= level)
                m_slots[i].reset();
    };
    while (m_source.next(row)) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return;
        int from = levels;
        if (first) {
            from = 0;
        } else {
            for (int l = 0; l < levels; ++l) {
                const int c = m_groupColumns[size_t(l)];
                if (row[size_t(c)] != prev[size_t(c)]) {
                    from = l;
                    break;
                }
            }
            for (int l = levels - 1; l >= from; --l)
                handler.groupFooter(l, prev);
        }
        if (from < levels) {
            resetFrom(from);
            handler.groupsStarting(from, row);
            for (int l = from; l < levels; ++l)
                handler.groupHeader(l, row);
        }
        ++m_rows;
        for (size_t i = 0; i < m_slots.size(); ++i) {
            const int c = m_slotColumns[i];
            m_slots[i].add(c >= 0 ? row[size_t(c)] : QVariant(1));
        }
        handler.detail(row);
        prev.swap(row);
        first = false;
    }
    if (!first)
        for (int l = levels - 1; l >= 0; --l)
            handler.groupFooter(l, prev);
}

} // namespace tarvik::engine
