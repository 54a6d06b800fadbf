#pragma once

#include <QDialog>
#include <array>

class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace tarvik::daily {

// The patients' account status report as of one date, in one of four sort orders, shown in a
// modal viewer. The window sees every key first: Esc closes it, Enter moves to the next
// control, a single quote is dropped and letters arrive upper-case.
class frmAccountStatusReport : public QDialog
{
    Q_OBJECT
public:
    explicit frmAccountStatusReport(QWidget* parent = nullptr);
    ~frmAccountStatusReport() override;

    // The selected sort order (0 balance ... 3 station).
    int selectedOption() const;

    QLabel* lblTitle = nullptr;
    QLabel* lblSTitle = nullptr;
    QLabel* Label1 = nullptr;
    QDateEdit* dtpReportDate = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 4> optOptions{};
    std::array<QPushButton*, 2> cmdOptions{};
    QLabel* Label3 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Returns true when the key was dealt with here and must not reach the control.
    bool Form_KeyPress(QObject* target, QKeyEvent* event);
    void cmdOptions_Click(int index);
};

} // namespace tarvik::daily
