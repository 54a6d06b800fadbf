#include "fixture.h"

#include "HospitalDb.h"

#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>

namespace monthlytest {

QString demoFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        if (!dir.isValid())
            throw std::runtime_error("no temporary folder");
        tarvik::hospitaldb::GeneratorOptions options;
        options.scale = 0.05;
        options.seed = 1313;
        options.to = kServerDate.date();
        options.months = 3;
        options.monthEnd = false;
        tarvik::hospitaldb::generateDemoData(dir.path(), options);
        made = true;
    }
    return dir.path();
}

Session::Session(const QString& dataFolder, const QDateTime& serverDate)
    : ReportSession(dataFolder, serverDate, {QStringLiteral(TARVIK_SOURCE_REPORTS)})
{
}

void spoil(const QString& folder, const QString& file)
{
    QFile f(folder + QLatin1Char('/') + file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(("cannot spoil " + file).toStdString());
    f.write("<report version=\"1\"><page");
}

} // namespace monthlytest
