#include "frmEndOfDay.h"

#include <QCheckBox>
#include <QDateEdit>

namespace tarvik::daily {

namespace {

runs::BatchDialog::Layout endOfDayLayout()
{
    runs::BatchDialog::Layout l;
    l.formName = QStringLiteral("frmEndOfDay");
    l.caption = QStringLiteral("End Of Day Reports");
    l.heading = QStringLiteral("End of Day Reports");
    l.label = QStringLiteral("Report Date");
    l.pickerName = QStringLiteral("dtpReportDate");
    l.pickerFormat = QStringLiteral("MM/dd/yyyy");
    for (int box = 0; box < kEndOfDayBoxes; ++box)
        l.boxCaptions.push_back(runs::boxCaptionOf(endOfDayRows(), box));
    // The batch's own groups, two columns: patients and adjustments; logbooks and audit trail.
    // The index is what the batch tests; the place is only the form's.
    l.places = {
        {0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}, {10, 4, 0}, {8, 5, 0},
        {4, 0, 1}, {5, 1, 1}, {6, 2, 1}, {9, 3, 1}, {7, 4, 1}, {11, 5, 1}, {12, 6, 1},
    };
    return l;
}

} // namespace

frmEndOfDay::frmEndOfDay(QWidget* parent)
    : runs::BatchDialog(endOfDayLayout(), parent)
{
}

frmEndOfDay::~frmEndOfDay() = default;

BatchResult frmEndOfDay::runTicked(bool directPrint)
{
    EndOfDayInput input;
    input.date = picker->date();
    input.directPrint = directPrint;
    for (int i = 0; i < kEndOfDayBoxes; ++i)
        input.ticked[size_t(i)] = chkOption[size_t(i)]->isChecked();
    return runEndOfDay(input);
}

} // namespace tarvik::daily
