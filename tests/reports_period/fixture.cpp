#include "fixture.h"

#include "HospitalDb.h"

#include <QTemporaryDir>
#include <stdexcept>

namespace periodtest {

QString demoFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        if (!dir.isValid())
            throw std::runtime_error("no temporary folder");
        tarvik::hospitaldb::GeneratorOptions options;
        options.scale = 0.05;
        options.seed = 1515;
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

} // namespace periodtest
