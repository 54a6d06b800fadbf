#include "fixture.h"

#include "GeneratedHospital.h"
#include "HospitalDb.h"

#include <stdexcept>

namespace dailytest {

QString demoFolder()
{
    return tarvik::testsupport::generatedHospital(
        {.scale = 0.05, .seed = 424242, .to = kServerDate.date(), .months = 1, .monthEnd = false});
}

std::unique_ptr<QTemporaryDir> emptyHospital()
{
    auto dir = std::make_unique<QTemporaryDir>();
    tarvik::hospitaldb::createDatabases(dir->path());
    return dir;
}

// The definitions the dialogs open: the program's own where they exist, else this folder's
// stand-ins with the same parameter fields.
Session::Session(const QString& dataFolder)
    : ReportSession(dataFolder, kServerDate,
                    {QStringLiteral(TARVIK_DAILY_TEST_DATA), QStringLiteral(TARVIK_SOURCE_REPORTS)})
{
}

} // namespace dailytest
