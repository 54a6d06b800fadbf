// Command texts and procedure scripts: any text is parsed or refused with a DbError, and a
// call built by callText reads back as the arguments it was built from, whatever they hold.

#include "CommandText.h"
#include "DbError.h"
#include "Procedures.h"

#include <QString>
#include <QStringList>
#include <cstdint>

using namespace tarvik::db;

namespace {

[[noreturn]] void broken() { __builtin_trap(); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    // 1. Any text: a command, or a refusal.
    try {
        const Command command = parseCommandText(text);
        if (const auto* call = std::get_if<ProcedureCall>(&command)) {
            for (const QString& a : call->arguments)
                if (a.isNull())
                    broken(); // '' must stay an empty text
            // What a server connection sends holds the same values, bound.
            const ServerStatement s = serverStatement(text);
            if (s.values != call->arguments)
                broken();
        }
    } catch (const DbError&) {
    }

    // 2. The text split at NUL-free separators as the arguments of a call: quoting is exact.
    const QStringList arguments = text.split(QChar(0x1F));
    const QString built = callText(QStringLiteral("Reports..sp_Fuzz '"), arguments);
    try {
        const Command back = parseCommandText(built);
        const auto* call = std::get_if<ProcedureCall>(&back);
        if (!call || call->database != QLatin1String("Reports") || call->procedure != QLatin1String("sp_Fuzz")
            || call->arguments != arguments)
            broken();
    } catch (const DbError&) {
        broken(); // a text the program builds must always read back
    }

    // 3. The same bytes as a procedure script.
    try {
        const auto procedures = parseProcedureScript(text, QStringLiteral("fuzz.sql"));
        for (const ProcedureDef& p : procedures)
            for (const ProcedureParam& param : p.params)
                if (param.defaultValue) {
                    try {
                        convertArgument(p.name, param, *param.defaultValue);
                    } catch (const DbError&) {
                    }
                }
    } catch (const DbError& e) {
        if (!QString::fromUtf8(e.what()).startsWith(QStringLiteral("fuzz.sql:")))
            broken(); // a script error must name the file and line
    }
    return 0;
}
