#include "DialogSupport.h"

namespace tarvik::daily {

ReportDateDialog::ReportDateDialog(const QString& formName, QWidget* parent)
    : runs::PickerDialog({formName, QStringLiteral("Report Date Entry"), QStringLiteral("Report Date"),
                          QStringLiteral("dtpReportDate"), QStringLiteral("MM/dd/yyyy")},
                         parent)
{
}

ReportDateDialog::~ReportDateDialog() = default;

} // namespace tarvik::daily
