#include "fixture.h"

#include "HospitalDb.h"

#include <stdexcept>

namespace dailytest {

QString demoFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        if (!dir.isValid())
            throw std::runtime_error("no temporary folder");
        tarvik::hospitaldb::GeneratorOptions options;
        options.scale = 0.05;
        options.seed = 424242;
        options.to = kServerDate.date();
        options.months = 1;
        options.monthEnd = false;
        tarvik::hospitaldb::generateDemoData(dir.path(), options);
        made = true;
    }
    return dir.path();
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
