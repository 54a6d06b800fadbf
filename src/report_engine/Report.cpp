#include "Report.h"
#include "DataSource.h"
#include "EngineLog.h"
#include "Layout.h"
#include "Values.h"

#include <QDir>
#include <QMutex>
#include <QStandardPaths>

namespace tarvik::engine {

namespace {

QMutex g_folderMutex;
QString g_exportFolder;

} // namespace

// ---- DatabaseTable

void DatabaseTable::setLocation(const QString& location)
{
    parseLocation(location); // refuses what cannot be a table's location
    m_location = location;
}

void DatabaseTable::applyLogOnInfo(const QString& server, const QString& database,
                                   const QString& user, const QString& password)
{
    m_server = server;
    m_database = database;
    m_user = user;
    m_password = password;
    m_loggedOn = true;
}

QString retargetLocation(const QString& location, const QString& database)
{
    const int dot = int(location.indexOf(u'.'));
    if (dot < 0)
        throw ReportError(QStringLiteral("The table location \"%1\" has no \".\": its database part cannot be replaced.")
                              .arg(location));
    return database + location.mid(dot);
}

// ---- ParameterField

void ParameterField::setCurrentValue(const QVariant& value)
{
    const QVariant converted = convertParameterValue(m_def->type, value);
    if (!converted.isValid())
        throw ReportError(QStringLiteral("The value \"%1\" is not a %2 value for the parameter \"%3\".")
                              .arg(value.toString(), parameterTypeName(m_def->type), m_def->name));
    m_value = converted;
}

QVariant ParameterField::currentValue() const
{
    return m_value.isValid() ? m_value : m_def->defaultValue;
}

// ---- Report

Report::Report(DefinitionPtr definition) : m_def(std::move(definition))
{
    for (const auto& t : m_def->tables) {
        auto table = std::make_unique<DatabaseTable>();
        table->m_alias = t.alias;
        table->m_location = t.location;
        m_tables.push_back(std::move(table));
    }
    for (const auto& p : m_def->parameters) {
        auto field = std::make_unique<ParameterField>();
        field->m_def = &p;
        m_params.push_back(std::move(field));
    }
    for (const auto& s : m_def->subreports)
        m_subreports.push_back(std::make_unique<Report>(s));
}

Report::~Report() = default;

void Report::setReportTitle(const QString& title)
{
    m_title = title;
}

QString Report::reportTitle() const
{
    return m_title;
}

std::vector<DatabaseTable*> Report::tables()
{
    std::vector<DatabaseTable*> out;
    for (auto& t : m_tables)
        out.push_back(t.get());
    return out;
}

std::vector<ParameterField*> Report::parameterFields()
{
    std::vector<ParameterField*> out;
    for (auto& p : m_params)
        out.push_back(p.get());
    return out;
}

void Report::setParameterValues(const QVariantList& values)
{
    const size_t n = std::min(size_t(values.size()), m_params.size());
    for (size_t i = 0; i < n; ++i)
        m_params[i]->setCurrentValue(values[qsizetype(i)]);
}

DatabaseTable* Report::table(const QString& alias)
{
    for (auto& t : m_tables)
        if (t->name().compare(alias, Qt::CaseInsensitive) == 0)
            return t.get();
    return nullptr;
}

ParameterField* Report::parameterField(const QString& name)
{
    for (auto& p : m_params)
        if (p->name().compare(name, Qt::CaseInsensitive) == 0)
            return p.get();
    return nullptr;
}

Report* Report::openSubreport(const QString& name)
{
    for (auto& s : m_subreports)
        if (s->name().compare(name, Qt::CaseInsensitive) == 0)
            return s.get();
    QStringList names;
    for (auto& s : m_subreports)
        names << s->name();
    throw ReportError(QStringLiteral("The report \"%1\" has no subreport named \"%2\"%3.")
                          .arg(this->name(), name,
                               names.isEmpty() ? QString()
                                               : QStringLiteral(" (it has: %1)").arg(names.join(QStringLiteral(", ")))));
}

std::vector<Report*> Report::subreports()
{
    std::vector<Report*> out;
    for (auto& s : m_subreports)
        out.push_back(s.get());
    return out;
}

// The settings as they are now: a layout runs on this copy, so later changes to the report
// (a viewer keeps its own reference) never reach a layout already started.
// A subreport table that was never logged on of its own reads through the log-on of the
// report it is placed in (same server and credentials, its own database), as report users
// expect: only subreports that need another database or other values are opened separately.
static ReportSnapshot snapshotOf(Report& report, const QString& title, const TableState* inherited = nullptr,
                                 const std::vector<QVariant>* reportParams = nullptr)
{
    ReportSnapshot snap;
    snap.def = std::shared_ptr<const Definition>(std::shared_ptr<const Definition>(), &report.definition());
    snap.title = title;
    for (DatabaseTable* t : report.tables()) {
        TableState state{t->location(), t->isLoggedOn(), t->server(), t->logOnDatabase(), t->user(),
                         t->password()};
        if (!state.loggedOn && inherited) {
            state.loggedOn = true;
            state.server = inherited->server;
            state.database = state.location.section(QLatin1Char('.'), 0, 0);
            state.user = inherited->user;
            state.password = inherited->password;
        }
        snap.tables.push_back(std::move(state));
    }
    const TableState* logOn = inherited;
    for (const TableState& t : snap.tables)
        if (t.loggedOn) {
            logOn = &t;
            break;
        }
    const auto& defs = report.definition().parameters;
    for (ParameterField* p : report.parameterFields()) {
        // A subreport's parameter tied to one of the report's takes that value when its caller
        // gave it none.
        const ParamDef& def = defs[snap.params.size()];
        QVariant v;
        if (!p->hasCurrentValue() && def.reportIndex >= 0 && reportParams)
            v = convertParameterValue(def.type, (*reportParams)[size_t(def.reportIndex)]);
        snap.params.push_back(v.isValid() ? v : p->currentValue());
    }
    for (Report* s : report.subreports())
        snap.subreports.push_back(snapshotOf(*s, title, logOn, &snap.params));
    return snap;
}

ReportSnapshot snapshotOfReport(Report& report)
{
    return snapshotOf(report, report.reportTitle());
}

std::shared_ptr<Document> Report::layOut()
{
    ReportSnapshot snap = snapshotOf(*this, m_title);
    snap.def = m_def; // the layout holds the definition for as long as it runs
    return startLayout(std::make_unique<LayoutJob>(std::move(snap)));
}

QString Report::defaultExportFolder()
{
    QMutexLocker lock(&g_folderMutex);
    if (!g_exportFolder.isEmpty())
        return g_exportFolder;
    // The desktop folder where there is one; many Linux accounts have none.
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return !desktop.isEmpty() && QDir(desktop).exists() ? desktop : QDir::homePath();
}

void Report::setDefaultExportFolder(const QString& folder)
{
    QMutexLocker lock(&g_folderMutex);
    g_exportFolder = folder;
}

ReportPtr openReport(const QString& path, int openOption)
{
    if (openOption != 1)
        throw ReportError(QStringLiteral("Open option %1 is not supported (1 opens a report for reading).").arg(openOption));
    return std::make_shared<Report>(parseDefinitionFile(path));
}

} // namespace tarvik::engine
