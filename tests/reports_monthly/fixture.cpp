#include "fixture.h"

#include "GeneratedHospital.h"
#include "HospitalDb.h"

#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>

namespace monthlytest {

QString demoFolder()
{
    return tarvik::testsupport::generatedHospital(
        {.scale = 0.05, .seed = 1313, .to = kServerDate.date(), .months = 3, .monthEnd = false});
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
