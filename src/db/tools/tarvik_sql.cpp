// tarvik-sql: runs one command text against a data folder or an ODBC connection and prints the
// rows it returns as a table. For administrators and tests.

#include "Connection.h"

#include <QCommandLineParser>
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
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs one command text, as the reports program sends it, and prints the rows it returns."));
    parser.addHelpOption();
    QCommandLineOption dataOpt(QStringLiteral("data"), QStringLiteral("Data folder of the embedded databases."),
                               QStringLiteral("DIR"));
    QCommandLineOption odbcOpt(QStringLiteral("odbc"), QStringLiteral("ODBC connection string."),
                               QStringLiteral("CONNECTION"));
    QCommandLineOption timeoutOpt(QStringLiteral("timeout"), QStringLiteral("Command time-out in seconds (0 = none)."),
                                  QStringLiteral("SECONDS"), QStringLiteral("0"));
    parser.addOption(dataOpt);
    parser.addOption(odbcOpt);
    parser.addOption(timeoutOpt);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command text."));
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1 || parser.isSet(dataOpt) == parser.isSet(odbcOpt)) {
        err << "Usage: tarvik-sql (--data DIR | --odbc CONNECTION) \"COMMAND TEXT\"\n";
        return 2;
    }
    try {
        Connection conn(parser.isSet(dataOpt) ? ConnectionInfo::embedded(parser.value(dataOpt))
                                              : ConnectionInfo::odbc(parser.value(odbcOpt)));
        conn.setCommandTimeout(parser.value(timeoutOpt).toInt());
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
