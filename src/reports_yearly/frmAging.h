#pragma once

#include "PeriodDialog.h"

#include <array>

class QGroupBox;
class QRadioButton;

namespace tarvik::yearly {

// The receivable and payable aging over a period: ReportType "1" in detail ("Aging Detailed
// Report"), "2" in summary ("Aging Summary Report"); "AGING" for any other, which produces
// nothing. Frame1 "Aging Report Options" holds the balance class: optOptions(0) receivables
// (P, chosen when the dialog opens), (1) payables (N), (2) all at net (A). The aging is
// recomputed for the period and the class under the hourglass, then shown. The dialog opens
// with the focus on Cancel; Tab goes Cancel, OK, the two dates, the options.
class frmAging : public PeriodDialog
{
    Q_OBJECT
public:
    explicit frmAging(QWidget* parent = nullptr);

    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 3> optOptions{};

    // The class letter the options choose.
    QString balanceClass() const;

protected:
    QString captionFor(const QString& reportType) const override;
    bool runReport(const QDate& from, const QDate& to, RunUi& ui) override;
};

} // namespace tarvik::yearly
