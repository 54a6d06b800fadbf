#include "GeneratedHospital.h"

#include <QTemporaryDir>
#include <map>
#include <memory>
#include <stdexcept>
#include <tuple>

namespace tarvik::testsupport {

QString generatedHospital(const hospitaldb::GeneratorOptions& options)
{
    using Key = std::tuple<double, std::uint64_t, qint64, int, bool>;
    static std::map<Key, std::unique_ptr<QTemporaryDir>> made;
    const Key key{options.scale, options.seed, options.to.toJulianDay(), options.months, options.monthEnd};
    auto& dir = made[key];
    if (!dir) {
        auto fresh = std::make_unique<QTemporaryDir>();
        if (!fresh->isValid())
            throw std::runtime_error("no temporary folder");
        hospitaldb::generateDemoData(fresh->path(), options);
        dir = std::move(fresh);
    }
    return dir->path();
}

} // namespace tarvik::testsupport
