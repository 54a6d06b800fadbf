#pragma once

#include "AuditTrailDialog.h"

#include <array>

class QGroupBox;
class QRadioButton;

namespace tarvik::yearly {

// The daily transactions audit trail: the day (dtpReportDate), the patients in Frame1
// (optPatientType(0) "In Patients", chosen when the dialog opens; (1) "Out Patients"; (2) "All
// Patients") and the reports chkDetail (with its summary and doctors' parts), chkSumAR and
// chkSumGL.
class frmAuditTrail : public AuditTrailDialog
{
    Q_OBJECT
public:
    explicit frmAuditTrail(QWidget* parent = nullptr);

    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 3> optPatientType{};

    // The patient class letter the options choose.
    QString patientClass() const;

protected:
    BatchResult runTicked() override;
};

} // namespace tarvik::yearly
