#include "UnattendedUi.h"

#include "CleanStop.h"
#include "ReportOperations.h"
#include "RunCatalog.h"

#include <QDir>
#include <QPrinterInfo>
#include <QLoggingCategory>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcCli, "tarvik.cli")

namespace tarvik::cli {

namespace {

// A parameter value as a command text would quote it: texts and dates in single quotes (a
// quote doubled), numbers bare, no value as NULL.
QString quotedValue(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return QLatin1Char('\'') + value.toDate().toString(QStringLiteral("MM/dd/yyyy")) + QLatin1Char('\'');
    case QMetaType::QDateTime: {
        // Fractions of a second as they were given (" 23:59:59.99"), none when there are none.
        const QDateTime dt = value.toDateTime();
        const QString format = dt.time().msec() ? QStringLiteral("MM/dd/yyyy HH:mm:ss.z") : QStringLiteral("MM/dd/yyyy HH:mm:ss");
        return QLatin1Char('\'') + dt.toString(format) + QLatin1Char('\'');
    }
    default:
        break;
    }
    QString text = value.toString();
    text.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString valuesOf(engine::Report& report)
{
    QStringList values;
    for (engine::ParameterField* field : report.parameterFields())
        values << quotedValue(field->currentValue());
    return values.join(QStringLiteral(", "));
}

QString databasesOf(engine::Report& report)
{
    QStringList names;
    for (engine::DatabaseTable* table : report.tables()) {
        const QString db = table->isLoggedOn() ? table->logOnDatabase() : table->location().section(QLatin1Char('.'), 0, 0);
        if (!names.contains(db))
            names << db;
    }
    return names.isEmpty() ? QStringLiteral("(no tables)") : names.join(QStringLiteral(", "));
}

QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

bool OutputTargets::any() const
{
    return print || !folders().empty();
}

std::vector<OutputTargets::Folder> OutputTargets::folders() const
{
    std::vector<Folder> out;
    if (!pdfDir.isEmpty())
        out.push_back({pdfDir, 31, ".pdf"});
    if (!xlsDir.isEmpty())
        out.push_back({xlsDir, 29, ".xls"});
    if (!xlsxDir.isEmpty())
        out.push_back({xlsxDir, 38, ".xlsx"});
    if (!csvDir.isEmpty())
        out.push_back({csvDir, 39, ".csv"});
    return out;
}

// ---- Trace -----------------------------------------------------------------------------------

TraceFile::TraceFile(const QString& path) : m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        throw std::runtime_error(
            QStringLiteral("The trace file \"%1\" cannot be written: %2").arg(path, m_file.errorString()).toStdString());
    m_out.setDevice(&m_file);
}

void TraceFile::write(const QString& line)
{
    m_out << line << '\n';
    // Flushed line by line: a run that fails or is killed still leaves what it did. A trace
    // that cannot be written fails the run: its record of what was sent would be incomplete.
    m_out.flush();
    if (m_out.status() != QTextStream::Ok || !m_file.flush() || m_file.error() != QFileDevice::NoError)
        throw std::runtime_error(QStringLiteral("The trace file \"%1\" cannot be written: %2")
                                     .arg(m_file.fileName(), m_file.errorString())
                                     .toStdString());
}

void TraceFile::command(const db::TraceEntry& entry)
{
    write(oneLine(entry.text));
    if (!entry.error.isEmpty())
        write(QStringLiteral("--   failed: ") + oneLine(entry.error));
}

void TraceFile::report(const engine::Report& constReport, const QString& caption)
{
    // The engine lists tables and fields through non-const members; nothing is changed here.
    auto& report = const_cast<engine::Report&>(constReport);
    write(QStringLiteral("-- report: ") + report.filePath());
    write(QStringLiteral("--   database: ") + databasesOf(report));
    write(QStringLiteral("--   values: ") + oneLine(valuesOf(report)));
    for (engine::Report* sub : report.subreports())
        write(QStringLiteral("--   subreport %1: database: %2; values: %3")
                  .arg(sub->name(), databasesOf(*sub), oneLine(valuesOf(*sub))));
    write(QStringLiteral("--   caption: ") + oneLine(caption));
}

// ---- Presenting ------------------------------------------------------------------------------

UnattendedUi::UnattendedUi(OutputTargets targets, QTextStream& progress, TraceFile* trace)
    : m_targets(std::move(targets)), m_progress(progress), m_trace(trace)
{
    setShowReportOverride([this](const engine::ReportPtr& report, bool, const QString& caption, bool, bool) {
        present(report, caption);
    });
}

UnattendedUi::~UnattendedUi()
{
    setShowReportOverride({});
}

void UnattendedUi::begin(const QDate& date, const QString& exportName, int expected, const QString& periodLabel,
                         bool filesByBox)
{
    m_date = date;
    m_exportName = exportName;
    m_expected = expected;
    m_periodLabel = periodLabel;
    m_filesByBox = filesByBox;
}

void UnattendedUi::starting(int, int, const QString& what)
{
    m_box = what;
}

void UnattendedUi::showReport(bool showGroupTree, const QString& caption, bool directPrint, bool modal)
{
    ShowReport(showGroupTree, caption, directPrint, modal);
}

QString UnattendedUi::progressPrefix(const QString& caption) const
{
    const int n = int(m_produced.size()) + 1;
    return QStringLiteral("[%1/%2] %3 ... ").arg(n).arg(std::max(m_expected, n)).arg(caption);
}

void UnattendedUi::present(const engine::ReportPtr& report, const QString& caption)
{
    if (!report)
        throw std::runtime_error("There is no report to present.");
    if (m_trace)
        m_trace->report(*report, caption);

    ProducedReport done;
    done.caption = caption;
    const QString base = m_filesByBox && !m_box.isEmpty()
        ? outputBaseName({}, m_box, m_date, m_periodLabel)
        : outputBaseName(m_exportName, caption, m_date, m_periodLabel);
    try {
        for (const OutputTargets::Folder& folder : m_targets.folders()) {
            const QString path = QDir(folder.dir).absoluteFilePath(base + QLatin1String(folder.extension));
            qCInfo(lcCli).noquote() << "writing" << path;
            if (folder.formatCode == 31) {
                engine::writePdf(report, path);
            } else {
                // The report's own preset (if any) is put back: only this file uses these.
                const engine::ExportOptions saved = report->exportOptions();
                engine::ExportOptions& options = report->exportOptions();
                options.diskFileName = path;
                options.formatType = folder.formatCode;
                options.destinationType = 1;
                try {
                    report->exportReport();
                } catch (...) {
                    report->exportOptions() = saved;
                    throw;
                }
                report->exportOptions() = saved;
            }
            done.files << path;
        }
        if (m_targets.print) {
            report->printOut();
            done.printed = true;
        }
    } catch (...) {
        m_progress << progressPrefix(caption) << "failed" << Qt::endl;
        m_failureReported = true;
        // What was written of this report stays and is named in the failure message.
        if (!done.files.isEmpty()) {
            done.caption += QStringLiteral(" (incomplete)");
            m_produced.push_back(std::move(done));
        }
        throw;
    }
    m_progress << progressPrefix(caption) << "done" << Qt::endl;
    m_produced.push_back(std::move(done));
}

void UnattendedUi::failedAt(const QString& what)
{
    if (m_failureReported)
        return;
    m_progress << progressPrefix(what) << "failed" << Qt::endl;
    m_failureReported = true;
}

QString UnattendedUi::outputsOf(const QString& caption, bool) const
{
    QStringList outputs;
    for (auto it = m_produced.rbegin(); it != m_produced.rend(); ++it) {
        if (it->caption != caption)
            continue;
        for (const QString& file : it->files)
            outputs << QStringLiteral("file ") + file;
        if (it->printed)
            outputs << QStringLiteral("printer ") + QPrinterInfo::defaultPrinterName();
        break;
    }
    return outputs.join(QStringLiteral("; "));
}

bool UnattendedUi::cancelRequested() const
{
    return CleanStop::signal() != 0;
}

} // namespace tarvik::cli
