#include "frmAging.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvik::yearly {

frmAging::frmAging(QWidget* parent)
    : PeriodDialog(QStringLiteral("frmAging"), parent)
{
    setWindowTitle(QStringLiteral("AGING"));
    Frame1 = new QGroupBox(QStringLiteral("Aging Report Options"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* options = new QVBoxLayout(Frame1);
    const char* captions[] = {"AR (With Positive Balances Only)", "Payable (With Negative Balances Only)",
                              "All (at net)"};
    for (int i = 0; i < 3; ++i) {
        optOptions[size_t(i)] = new QRadioButton(QString::fromLatin1(captions[i]), Frame1);
        optOptions[size_t(i)]->setObjectName(QStringLiteral("optOptions_%1").arg(i));
        options->addWidget(optOptions[size_t(i)]);
    }
    optOptions[0]->setChecked(true);
    column->insertWidget(0, Frame1);

    setTabOrder(cmdCancel, cmdOK);
    setTabOrder(cmdOK, dtpPeriod[0]);
    setTabOrder(dtpPeriod[0], dtpPeriod[1]);
    setTabOrder(dtpPeriod[1], optOptions[0]);
    setTabOrder(optOptions[0], optOptions[1]);
    setTabOrder(optOptions[1], optOptions[2]);
    cmdCancel->setFocus();
}

QString frmAging::balanceClass() const
{
    for (int i = 0; i < 2; ++i)
        if (optOptions[size_t(i)]->isChecked())
            return balanceClassOf(i);
    return balanceClassOf(2);
}

QString frmAging::captionFor(const QString& reportType) const
{
    // The caption names the report OK will produce, also when the dialog is shown again for
    // the other one.
    if (reportType == QLatin1String("1"))
        return QStringLiteral("Aging Detailed Report");
    if (reportType == QLatin1String("2"))
        return QStringLiteral("Aging Summary Report");
    return QStringLiteral("AGING");
}

bool frmAging::runReport(const QDate& from, const QDate& to, RunUi& ui)
{
    return runAging({from, to, reportType(), balanceClass()}, ui);
}

} // namespace tarvik::yearly
