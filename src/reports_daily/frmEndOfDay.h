#pragma once

#include "DailyReports.h"
#include "DialogPieces.h"

namespace tarvik::daily {

// The end-of-day batch: any selection of thirteen daily reports for one date, printed or shown
// in viewers in a fixed order. A completed batch closes the dialog; a failed one shows the
// error and leaves the dialog open with its choices.
class frmEndOfDay : public runs::BatchDialog
{
    Q_OBJECT
public:
    explicit frmEndOfDay(QWidget* parent = nullptr);
    ~frmEndOfDay() override;

protected:
    BatchResult runTicked(bool directPrint) override;
};

} // namespace tarvik::daily
