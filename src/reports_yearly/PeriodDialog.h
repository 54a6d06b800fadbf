#pragma once

#include "DialogPieces.h"
#include "PeriodReports.h"

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tarvik::yearly {

// The dialogs that ask for a report period: Label1(0) "Report Period:", the from-date
// dtpPeriod(0), Label1(1) "to", the to-date dtpPeriod(1) (both "MM/dd/yyyy", starting at the
// server's day and offering no later one), cmdOK "&OK" and cmdCancel "&Cancel" (Esc). Enter in
// a picker moves on as Tab does. OK refuses a period that ends after today (the workstation's
// day) or starts after it ends with "Invalid Report Period..." and keeps the dialog as it is;
// a period it takes runs the report of the ReportType, and the dialog closes once the report
// is open. A ReportType without a report leaves the dialog open; a failure is shown in a
// message and leaves the dialog open with its values. The dialog is destroyed when it closes.
class PeriodDialog : public QDialog, public shell::ReportTypeDialog
{
    Q_OBJECT
public:
    ~PeriodDialog() override;

    void setReportType(const QString& reportType) override;
    QString reportType() const { return m_reportType; }

    std::array<QLabel*, 2> Label1{};
    std::array<runs::ServerDayPicker*, 2> dtpPeriod{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    explicit PeriodDialog(const QString& formName, QWidget* parent = nullptr);

    // The window caption for a ReportType.
    virtual QString captionFor(const QString& reportType) const = 0;
    // Produces the report of the ReportType for the period through ui; false for a ReportType
    // without one. Throws on failure.
    virtual bool runReport(const QDate& from, const QDate& to, RunUi& ui) = 0;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // The dialog's column: the period row, then the buttons; a dialog may add to it.
    QVBoxLayout* column = nullptr;

private:
    void cmdOK_Click();

    QString m_reportType;
};

} // namespace tarvik::yearly
