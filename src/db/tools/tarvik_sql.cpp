// tarvik-sql: runs one command text against a data folder or an ODBC connection and prints the
// rows it returns as a table. For administrators and tests.

#include "Connection.h"
#include "ProgramOptions.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace tarvik::db;

namespace {

QString cellText(const QVariant& v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    return v.toString();
}

void printTable(QTextStream& out, const Recordset& rs)
{
    const int n = rs.fieldCount();
    QVector<int> widths(n);
    for (int c = 0; c < n; ++c)
        widths[c] = int(rs.fieldName(c).size());
    for (int r = 0; r < rs.recordCount(); ++r)
        for (int c = 0; c < n; ++c)
            widths[c] = std::max(widths[c], int(cellText(rs.row(r).at(c)).size()));
    auto line = [&] {
        for (int c = 0; c < n; ++c)
            out << '+' << QString(widths[c] + 2, QLatin1Char('-'));
        out << "+\n";
    };
    line();
    for (int c = 0; c < n; ++c)
        out << "| " << rs.fieldName(c).leftJustified(widths[c]) << ' ';
    out << "|\n";
    line();
    for (int r = 0; r < rs.recordCount(); ++r) {
        for (int c = 0; c < n; ++c) {
            const QVariant v = rs.row(r).at(c);
            const QString t = cellText(v);
            const bool numeric = v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double ||
                                 v.typeId() == QMetaType::Int;
            out << "| " << (numeric ? t.rightJustified(widths[c]) : t.leftJustified(widths[c])) << ' ';
        }
        out << "|\n";
    }
    line();
    out << rs.recordCount() << (rs.recordCount() == 1 ? " row\n" : " rows\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-sql"));
    const tarvik::ProgramOptions cl =
        tarvik::ProgramOptions("tarvik-sql", "(--data DIR | --odbc CONNECTION) [--timeout SECONDS] \"COMMAND TEXT\"",
                               "Runs one command text, as the reports program sends it, and prints the rows it "
                               "returns as a table.")
            .option({"data"}, "Data folder of the embedded databases.", "DIR")
            .option({"odbc"}, "ODBC connection string.", "CONNECTION")
            .option({"timeout"}, "Command time-out in seconds (0 = none, the default).", "SECONDS", "0")
            .argument("COMMAND TEXT", "A procedure call (Reports..sp_Name '03/02/2026') or a query.")
            .epilogue("Exit status:\n0 the command ran; 1 it failed (the message says why); 2 bad arguments.")
            .process(argc, argv);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = cl.positional();
    if (args.size() != 1)
        cl.fail(QStringLiteral("give one command text (quote it)."));
    if (cl.isSet(QStringLiteral("data")) == cl.isSet(QStringLiteral("odbc")))
        cl.fail(QStringLiteral("give either --data DIR or --odbc CONNECTION."));
    const int timeout = int(cl.integer(QStringLiteral("timeout"), 0, 24 * 3600));
    try {
        Connection conn(cl.isSet(QStringLiteral("data")) ? ConnectionInfo::embedded(cl.value(QStringLiteral("data")))
                                                         : ConnectionInfo::odbc(cl.value(QStringLiteral("odbc"))));
        conn.setCommandTimeout(timeout);
        const RecordsetPtr rs = conn.execute(args.first());
        if (rs)
            printTable(out, *rs);
        else
            out << "The command ran; it returned no rows.\n";
        out.flush();
        return 0;
    } catch (const std::exception& e) {
        err << e.what() << '\n';
        return 1;
    }
}
