#pragma once

#include "DailyReports.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;

namespace tarvik::daily {

// The end-of-day batch: any selection of thirteen daily reports for one date, printed or shown
// in viewers in a fixed order. A completed batch closes the dialog; a failed one shows the
// error and leaves the dialog open with its choices.
class frmEndOfDay : public QDialog
{
    Q_OBJECT
public:
    explicit frmEndOfDay(QWidget* parent = nullptr);
    ~frmEndOfDay() override;

    // The number of ticked boxes, as the click handler keeps it.
    int tickedCount() const { return m_tickedCount; }

    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QDateEdit* dtpReportDate = nullptr;
    std::array<QCheckBox*, kEndOfDayBoxes> chkOption{};
    QPushButton* cmdSelectAll = nullptr;
    std::array<QPushButton*, 2> cmdOK{};
    QPushButton* cmdCancel = nullptr;

private:
    void chkOption_Click(int index, bool ticked);
    void cmdSelectAll_Click();
    void cmdOK_Click(int index);

    int m_tickedCount = 0;
};

} // namespace tarvik::daily
