#pragma once

#include "DialogRegistry.h"

#include <QDialog>
#include <QString>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tarvik::runs {
class ServerDayPicker;
}

namespace tarvik::monthly {

// The report of one miscellaneous revenue code for a month ("M") or at year end ("Y"). The
// code is typed or looked up; leaving the code box opens the lookup with what it holds. The
// window sees every key first: Enter moves to the next control, Esc cancels, and in the boxes
// and buttons an apostrophe is dropped and letters arrive upper-case.
class frmReportMonthMiscellaneous : public QDialog, public shell::ReportTypeDialog
{
    Q_OBJECT
public:
    explicit frmReportMonthMiscellaneous(QWidget* parent = nullptr);
    ~frmReportMonthMiscellaneous() override;

    void setReportType(const QString& reportType) override;
    QString reportType() const { return m_reportType; }

    QLabel* Label2 = nullptr;
    std::array<QLineEdit*, 2> txtDept{}; // the code; its description
    QToolButton* cmdFind = nullptr;
    QLabel* Label1 = nullptr;
    runs::ServerDayPicker* dtpReportDate = nullptr;
    std::array<QPushButton*, 2> cmdOptions{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Returns true when the key was dealt with here and must not reach the control.
    bool Form_KeyPress(QObject* target, QKeyEvent* event);
    void cmdFind_Click();
    void focusMoved(QWidget* from, QWidget* to);
    // Runs the validation once no mouse button is down (the click that moved the focus has
    // ended), so the lookup never opens under a half-finished click.
    void validateWhenSettled();
    // Opens the lookup with the code box's text; a picked row fills both boxes.
    void txtDept_Validate();
    void cmdOptions_Click(int index);

    QString m_reportType;
    bool m_validationPending = false;
};

} // namespace tarvik::monthly
