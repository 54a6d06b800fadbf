// Report definitions as a person (or a damaged disk) may leave them: any bytes must give a
// definition or a ReportError naming the file, never a crash or a hang.

#include "Definition.h"
#include "ReportError.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray xml(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const auto def = tarvik::engine::parseDefinition(xml, QStringLiteral("fuzz.rpt"));
        // What the layout reads of a definition it was given.
        for (const auto* band : def->allBands())
            (void)band->elements.size();
        (void)def->pageSizePoints();
    } catch (const tarvik::engine::ReportError& e) {
        if (!QString::fromUtf8(e.what()).startsWith(QStringLiteral("fuzz.rpt")))
            __builtin_trap(); // an error that does not say which file
    }
    // The same bytes as a number or date pattern of an element.
    try {
        tarvik::engine::parseValueFormat(QString::fromUtf8(xml.left(256)));
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
