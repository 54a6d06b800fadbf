#include "frmReportAfterEOM.h"

#include "Session.h"

#include <QCheckBox>

namespace tarvik::monthly {

namespace {

runs::BatchDialog::Layout afterEndOfMonthLayout()
{
    runs::BatchDialog::Layout l;
    l.formName = QStringLiteral("frmReportAfterEOM");
    l.caption = QStringLiteral("End of Month (After EOM)");
    l.heading = QStringLiteral("End of Month (After EOM)");
    l.shadowedHeading = true;
    l.label = QStringLiteral("Report Month");
    l.pickerName = QStringLiteral("dtpReportMonth");
    l.pickerFormat = QStringLiteral("yyyy/MM");
    for (int box = 0; box < kAfterEndOfMonthBoxes; ++box)
        l.boxCaptions.push_back(runs::boxCaptionOf(afterEndOfMonthRows(), box));
    // Two columns: the departments' summaries (the laboratory's package deals under its
    // summary); then aging, ledger and revenue. The index is what the batch tests.
    l.places = {
        {0, 0, 0},  {8, 1, 0},  {1, 2, 0},  {2, 3, 0},  {3, 4, 0},  {4, 5, 0},
        {5, 6, 0},  {6, 7, 0},  {7, 8, 0},  {9, 9, 0},  {11, 10, 0},
        {12, 0, 1}, {10, 1, 1}, {17, 2, 1}, {16, 3, 1}, {15, 5, 1}, {13, 6, 1}, {14, 8, 1},
    };
    return l;
}

} // namespace

frmReportAfterEOM::frmReportAfterEOM(QWidget* parent)
    : runs::BatchDialog(afterEndOfMonthLayout(), parent)
{
    // The month picker shows the first day of the server's month; it offers nothing after the
    // server's day.
    picker->setDate(firstDayOfMonth(gServerDate.date()));
}

frmReportAfterEOM::~frmReportAfterEOM() = default;

BatchResult frmReportAfterEOM::runTicked(bool directPrint)
{
    AfterEndOfMonthInput input;
    input.date = picker->date();
    input.directPrint = directPrint;
    for (int i = 0; i < kAfterEndOfMonthBoxes; ++i)
        input.ticked[size_t(i)] = chkOption[size_t(i)]->isChecked();
    return runAfterEndOfMonth(input);
}

} // namespace tarvik::monthly
