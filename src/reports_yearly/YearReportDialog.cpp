#include "YearReportDialog.h"

#include <QPushButton>

namespace tarvik::yearly {

namespace {

runs::PickerDialog::Layout yearLayout(const QString& formName)
{
    return {formName, QStringLiteral("Report Year"), QStringLiteral("Report Year"),
            QStringLiteral("dtpReportMonth"), QStringLiteral("yyyy")};
}

} // namespace

YearReportDialog::YearReportDialog(const QString& formName, RowOf rowOf, Run run, QWidget* parent)
    : runs::PickerDialog(yearLayout(formName), parent), m_rowOf(rowOf), m_run(run)
{
    // OK first: the usual run is this year's report, one Enter away; Shift+Tab reaches the year.
    setTabOrder(cmdOptions[0], cmdOptions[1]);
    setTabOrder(cmdOptions[1], picker);
    cmdOptions[0]->setFocus();
}

YearReportDialog::~YearReportDialog() = default;

QString YearReportDialog::captionFor(const QString& reportType) const
{
    const YearReportRow* row = m_rowOf(reportType);
    return row ? QString::fromLatin1(row->report.title) : QStringLiteral("Report Year");
}

void YearReportDialog::runReport()
{
    m_run({picker->date(), reportType()}, interactiveUi());
}

} // namespace tarvik::yearly
