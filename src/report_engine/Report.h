#pragma once

// The report engine's public face: open a definition, point its tables at a database, give
// its parameters values, then lay it out, print it or export it.

#include "Definition.h"
#include "Document.h"
#include "ReportError.h"

#include <QPageLayout>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPrinter;

namespace tarvik::engine {

class Report;
using ReportPtr = std::shared_ptr<Report>;

// Where a table's rows are read from, and with which log-on.
class DatabaseTable
{
public:
    QString name() const { return m_alias; }
    // database.owner.table
    QString location() const { return m_location; }
    // Throws ReportError for a location without a database part or with characters that
    // cannot name a database object.
    void setLocation(const QString& location);
    void applyLogOnInfo(const QString& server, const QString& database, const QString& user,
                        const QString& password);

    bool isLoggedOn() const { return m_loggedOn; }
    QString server() const { return m_server; }
    QString logOnDatabase() const { return m_database; }
    QString user() const { return m_user; }
    QString password() const { return m_password; }

private:
    friend class Report;
    QString m_alias;
    QString m_location;
    bool m_loggedOn = false;
    QString m_server, m_database, m_user, m_password;
};

class ParameterField
{
public:
    QString name() const { return m_def->name; }
    ParameterType type() const { return m_def->type; }
    QString promptText() const { return m_def->prompt; }
    // Texts, "mm/dd/yyyy" date texts, numbers, QDate...: converted to the declared type, or
    // ReportError naming the field and the value.
    void setCurrentValue(const QVariant& value);
    // The value given, else the definition's default, else invalid.
    QVariant currentValue() const;
    bool hasCurrentValue() const { return m_value.isValid(); }

private:
    friend class Report;
    const ParamDef* m_def = nullptr;
    QVariant m_value;
};

struct ExportOptions
{
    QString diskFileName;
    int formatType = 0;      // 0 = not set; 29 .xls, 31 PDF, 38 .xlsx, 39 CSV
    int destinationType = 0; // 0 = not set; 1 a disk file
};

class Report
{
public:
    explicit Report(DefinitionPtr definition);
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    void setReportTitle(const QString& title);
    QString reportTitle() const;

    // The caption the report is presented under (a viewer window's title). It names print
    // jobs, PDF documents and spreadsheet sheets; empty until a caller sets it.
    void setCaption(const QString& caption) { m_caption = caption; }
    QString caption() const { return m_caption; }
    // The caption, or the definition's name when there is none.
    QString displayName() const { return m_caption.isEmpty() ? name() : m_caption; }

    std::vector<DatabaseTable*> tables();
    std::vector<ParameterField*> parameterFields();
    // Value i goes to the i-th parameter field; values beyond the fields are ignored, fields
    // beyond the values keep what they had, and an empty list touches nothing.
    void setParameterValues(const QVariantList& values);
    DatabaseTable* table(const QString& alias);               // nullptr when absent
    ParameterField* parameterField(const QString& name);      // nullptr when absent
    Report* openSubreport(const QString& name);               // throws for an unknown name
    std::vector<Report*> subreports();

    ExportOptions& exportOptions() { return m_exportOptions; }
    const ExportOptions& exportOptions() const { return m_exportOptions; }
    void exportReport();
    // The export exportReport() makes, prepared now (its format, file and the report's values)
    // and run by the returned function, on any thread, while this report lives. A PDF takes the
    // pages of laidOut when given (a viewer's), else lays the report out. Throws as
    // exportReport() does for options it cannot take.
    std::function<void()> prepareExport(std::shared_ptr<Document> laidOut = {});
    // The file exportReport() writes: the options' file name, else the stored one, else the
    // report's name with the format's extension; a relative name lies in the export folder.
    QString exportFilePath() const;
    void printOut();
    std::shared_ptr<Document> layOut();

    QString filePath() const { return m_def->filePath; }
    QString name() const { return m_def->name; }
    const Definition& definition() const { return *m_def; }

    // Where an export with no file name (or a relative one) goes: the folder the program sets,
    // else the user's desktop folder when it exists, else the home folder.
    static QString defaultExportFolder();
    static void setDefaultExportFolder(const QString& folder);

private:
    DefinitionPtr m_def;
    QString m_title;
    QString m_caption;
    std::vector<std::unique_ptr<DatabaseTable>> m_tables;
    std::vector<std::unique_ptr<ParameterField>> m_params;
    std::vector<std::unique_ptr<Report>> m_subreports;
    ExportOptions m_exportOptions;
};

// Opens a definition file; open option 1 (the only one) opens it for reading. Throws
// ReportError "file:line: cause".
ReportPtr openReport(const QString& path, int openOption = 1);

// Replaces the database part of a location ("Patient_data.dbo.tbX" with "Reports" gives
// "Reports.dbo.tbX"); everything from the first dot on stays. Throws for a location without a dot.
QString retargetLocation(const QString& location, const QString& database);

// Writes the report as a PDF: fonts embedded, groups of the tree as the outline. An existing
// file is replaced only once the new one is complete.
void writePdf(const ReportPtr& report, const QString& path);
// The same for a finished document (report gives the title and the definition).
void writePdf(const Report& report, Document& document, const QString& path);

// Page set-up chosen by the frame's Page Setup, kept for the session; every printout uses it.
class PrintSettings
{
public:
    static QString printerName(); // empty = the system's default printer
    static void setPrinterName(const QString& name);
    // The paper chosen; invalid = each report on its own paper.
    static QPageSize paper();
    static void setPaper(const QPageSize& paper);
    // The orientation chosen; none = each report as it is laid out.
    static std::optional<QPageLayout::Orientation> orientation();
    static void setOrientation(std::optional<QPageLayout::Orientation> orientation);
    static int copies();
    static void setCopies(int copies);
    // Back to the defaults: the default printer, each report on its own page, one copy.
    static void reset();

    // The page a report whose pages measure reportPage (points) prints on: the paper chosen
    // (else the report's own), turned as chosen (else as the report is laid out), no margins
    // (the report's margins are in its pages).
    static QPageLayout pageLayoutFor(const QSizeF& reportPage);
    // Printer name (checked), the page for reportPage and the copies.
    static void applyTo(QPrinter& printer, const QSizeF& reportPage);
};

} // namespace tarvik::engine
