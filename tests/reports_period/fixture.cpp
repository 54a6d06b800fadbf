#include "fixture.h"

#include "GeneratedHospital.h"
#include "HospitalDb.h"


namespace periodtest {

QString demoFolder()
{
    return tarvik::testsupport::generatedHospital(
        {.scale = 0.05, .seed = 1515, .to = kServerDate.date(), .months = 3, .monthEnd = false});
}

Session::Session(const QString& dataFolder, const QDateTime& serverDate)
    : ReportSession(dataFolder, serverDate, {QStringLiteral(TARVIK_SOURCE_REPORTS)})
{
}

} // namespace periodtest
