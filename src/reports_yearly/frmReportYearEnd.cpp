#include "frmReportYearEnd.h"

#include <QCheckBox>

namespace tarvik::yearly {

namespace {

runs::BatchDialog::Layout yearEndLayout()
{
    runs::BatchDialog::Layout l;
    l.formName = QStringLiteral("frmReportYearEnd");
    l.caption = QStringLiteral("Year End Reports");
    l.heading = QStringLiteral("Year End Reports");
    l.shadowedHeading = true;
    l.label = QStringLiteral("Report Year");
    l.pickerName = QStringLiteral("dtpReportMonth");
    l.pickerFormat = QStringLiteral("yyyy");
    for (int box = 0; box < kYearEndBoxes; ++box)
        l.boxCaptions.push_back(runs::boxCaptionOf(yearEndRows(), box));
    // Two columns: the laboratory and the imaging departments; the rooms, therapy and
    // apparatus. The index is what the batch tests; the place is only the form's.
    l.places = {
        {0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {7, 3, 0},
        {3, 0, 1}, {8, 1, 1}, {4, 2, 1}, {5, 3, 1}, {6, 4, 1},
    };
    return l;
}

} // namespace

frmReportYearEnd::frmReportYearEnd(QWidget* parent)
    : runs::BatchDialog(yearEndLayout(), parent)
{
}

frmReportYearEnd::~frmReportYearEnd() = default;

BatchResult frmReportYearEnd::runTicked(bool directPrint)
{
    YearEndInput input;
    input.picked = picker->date();
    input.directPrint = directPrint;
    for (int i = 0; i < kYearEndBoxes; ++i)
        input.ticked[size_t(i)] = chkOption[size_t(i)]->isChecked();
    return runYearEnd(input);
}

} // namespace tarvik::yearly
