#include "frmAuditTrail.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvik::yearly {

namespace {

AuditTrailDialog::Layout dailyLayout()
{
    return {QStringLiteral("frmAuditTrail"), QStringLiteral("Report Date:"), QStringLiteral("MM/dd/yyyy"),
            &auditTrailRows(), {{0, "chkDetail"}, {1, "chkSumAR"}, {2, "chkSumGL"}}};
}

} // namespace

frmAuditTrail::frmAuditTrail(QWidget* parent)
    : AuditTrailDialog(dailyLayout(), parent)
{
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* options = new QVBoxLayout(Frame1);
    const char* captions[] = {"In Patients", "Out Patients", "All Patients"};
    for (int i = 0; i < 3; ++i) {
        optPatientType[size_t(i)] = new QRadioButton(QString::fromLatin1(captions[i]), Frame1);
        optPatientType[size_t(i)]->setObjectName(QStringLiteral("optPatientType_%1").arg(i));
        options->addWidget(optPatientType[size_t(i)]);
    }
    optPatientType[0]->setChecked(true);
    sideColumn->addWidget(Frame1);
    sideColumn->addStretch();
    // The day, the patients, the reports, then the buttons.
    QList<QWidget*> order{dtpReportDate, optPatientType[0], optPatientType[1], optPatientType[2]};
    for (QCheckBox* box : boxes)
        order << box;
    order << cmdView << cmdClose;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QString frmAuditTrail::patientClass() const
{
    for (int i = 0; i < 2; ++i)
        if (optPatientType[size_t(i)]->isChecked())
            return patientClassOf(i);
    return patientClassOf(2);
}

BatchResult frmAuditTrail::runTicked()
{
    AuditTrailInput in;
    in.date = dtpReportDate->date();
    in.patientClass = patientClass();
    const std::vector<bool> ticked = tickedBoxes();
    for (int i = 0; i < kAuditTrailBoxes; ++i)
        in.ticked[size_t(i)] = ticked.at(size_t(i));
    return runAuditTrail(in);
}

} // namespace tarvik::yearly
