#pragma once

#include "DialogPieces.h"
#include "PeriodReports.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tarvik::yearly {

// The audit-trail dialogs: Label1 and the picker dtpReportDate (it starts at the server's day
// and offers no later one), a check box per report (all ticked when the dialog opens), cmdView
// "&View" (Enter) and cmdClose "&Close" (Esc). View produces the ticked reports in their order,
// each in its own viewer, and closes the dialog, also when none is ticked; a failure is shown
// in a message and leaves the dialog open with its choices, what was produced before it kept.
class AuditTrailDialog : public QDialog
{
    Q_OBJECT
public:
    ~AuditTrailDialog() override;

    QLabel* Label1 = nullptr;
    runs::ServerDayPicker* dtpReportDate = nullptr;
    QPushButton* cmdView = nullptr;
    QPushButton* cmdClose = nullptr;

    // The boxes by their index in the dialog's table (the order they are produced in).
    std::vector<QCheckBox*> boxes;
    std::vector<bool> tickedBoxes() const;

    struct Layout
    {
        QString formName;
        QString label;          // Label1's
        QString pickerFormat;
        const std::vector<BatchRow>* rows; // the table: the box captions
        std::vector<std::pair<int, const char*>> boxNames; // (index, object name), top to bottom
    };

protected:
    AuditTrailDialog(const Layout& layout, QWidget* parent);

    // Runs the ticked reports for the picked date.
    virtual BatchResult runTicked() = 0;

    // Where a dialog puts its own controls: beside the boxes.
    QVBoxLayout* sideColumn = nullptr;

private:
    void cmdView_Click();
};

} // namespace tarvik::yearly
