#pragma once

// Internal: a copy of a report's settings taken when it is laid out or exported, and the
// streaming reader of its query.

#include "Definition.h"
#include "Stop.h"
#include "Values.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <memory>
#include <vector>

namespace tarvik::engine {

struct TableState
{
    QString location;
    bool loggedOn = false;
    QString server, database, user, password;
};

struct ReportSnapshot
{
    DefinitionPtr def;
    QString title;
    std::vector<TableState> tables;
    std::vector<QVariant> params; // converted values; invalid = none
    std::vector<ReportSnapshot> subreports;
};

// The three parts of a location; throws ReportError for one that cannot be a table's.
struct Location
{
    QString database, owner, table;
};
Location parseLocation(const QString& location);

// Runs a report's query in the calling thread on a connection of its own and hands out the
// rows one at a time (a forward-only cursor: rows are never all held).
class RowSource
{
public:
    explicit RowSource(const ReportSnapshot& report);
    ~RowSource();
    RowSource(const RowSource&) = delete;
    RowSource& operator=(const RowSource&) = delete;

    const QStringList& columns() const { return m_columns; }
    int columnIndex(const QString& name) const; // case-insensitive; -1 when absent
    // Index of a column a definition names; throws ReportError "file:line: ..." when absent.
    int requireColumn(const QString& name, int line) const;
    bool next(std::vector<QVariant>& row);
    QString sql() const { return m_sql; }

private:
    void close();

    const ReportSnapshot& m_report;
    QString m_connectionName;
    std::unique_ptr<db::StopGuard> m_stopGuard;
    std::unique_ptr<QSqlQuery> m_query;
    QStringList m_columns;
    QString m_sql;
};

// Builds the SQL text and the bound values without running them (for the trace and tests).
struct PreparedQuery
{
    QString sql;
    std::vector<QVariant> values;
};
PreparedQuery prepareQuery(const ReportSnapshot& report, bool embedded,
                           const std::function<QString(const Location&)>& tableRef);

using Row = std::vector<QVariant>;

struct SummaryValue
{
    enum class Kind { Empty, Decimal, Other };
    Kind kind = Kind::Empty;
    Decimal decimal;
    QVariant other;
    QString format(const ValueFormat& f) const;
};

// Walks the rows of a query in order, telling of group starts and ends and keeping the
// running figures of every summary the definition shows.
class RowWalker
{
public:
    class Handler
    {
    public:
        virtual ~Handler() = default;
        virtual void groupsStarting(int fromLevel, const Row& row) = 0;
        virtual void groupHeader(int level, const Row& row) = 0;
        virtual void detail(const Row& row) = 0;
        virtual void groupFooter(int level, const Row& lastRow) = 0;
    };

    RowWalker(const Definition& def, RowSource& source);
    void run(Handler& handler, const std::atomic<bool>* cancel);

    // Column of each element of a band (-1 for elements that read none).
    const std::vector<int>& columnsOf(const BandDef& band) const;
    SummaryValue summary(const ElementDef& e) const;
    int groupColumn(int level) const { return m_groupColumns[size_t(level)]; }
    qint64 rowCount() const { return m_rows; }

private:
    struct Slot
    {
        Decimal sum;
        qint64 rows = 0;
        qint64 values = 0;
        qint64 numeric = 0;
        QVariant min, max;
        bool minNumeric = false;
        void reset() { *this = Slot(); }
        void add(const QVariant& v);
    };

    const Definition& m_def;
    RowSource& m_source;
    std::vector<int> m_groupColumns;
    std::vector<int> m_slotColumns;
    std::vector<Slot> m_slots;
    std::vector<std::pair<const BandDef*, std::vector<int>>> m_bandColumns;
    qint64 m_rows = 0;
};

} // namespace tarvik::engine
