#include "fixture.h"

#include "Connection.h"
#include "ConnectionInfo.h"
#include "DataFolder.h"
#include "HospitalDb.h"

#include <QTemporaryDir>
#include <memory>

namespace monthlyrpt {

namespace {

std::unique_ptr<QTemporaryDir> g_dir;

} // namespace

void DemoHospital::SetUp()
{
    g_dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(g_dir->isValid());
    tarvik::hospitaldb::GeneratorOptions options;
    options.scale = 0.05;
    options.seed = 2026;
    options.to = QDate(2026, 3, 15);
    options.months = 3;
    options.monthEnd = false;
    tarvik::hospitaldb::generateDemoData(g_dir->path(), options);
}

void DemoHospital::TearDown()
{
    g_dir.reset();
}

QString DemoHospital::folder() { return g_dir->path(); }

tarvik::engine::ReportPtr openLikeProgram(const QString& name, const QString& database, const QVariantList& values)
{
    return tarvik::testsupport::openReportLikeProgram(QStringLiteral(TARVIK_SOURCE_REPORTS "/") + name,
                                                      DemoHospital::folder(), kHospital, database, values);
}

void openSubreportLikeProgram(tarvik::engine::Report& report, const QString& name, const QString& database,
                              const QVariantList& values)
{
    tarvik::testsupport::openSubreportLikeProgram(report, DemoHospital::folder(), name, database, values);
}

void execute(const QString& commandText)
{
    tarvik::db::Connection connection(tarvik::db::ConnectionInfo::embedded(DemoHospital::folder()));
    connection.execute(commandText);
}

QVariantList sqlRow(QString sql)
{
    sql.replace(QStringLiteral("?F"), u'\'' + kFirstIso + u'\'');
    sql.replace(QStringLiteral("?T"), u'\'' + kLastIso + u'\'');
    return tarvik::testsupport::queryRow(DemoHospital::folder(), sql);
}

QString countWithCommas(const QVariant& v)
{
    QString s = QString::number(v.toLongLong());
    for (int i = int(s.size()) - 3; i > 0; i -= 3)
        s.insert(i, u',');
    return s;
}

} // namespace monthlyrpt
