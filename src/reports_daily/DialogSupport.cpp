#include "DialogSupport.h"

#include "Session.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <exception>

namespace tarvik::daily {

QDateEdit* makeReportDatePicker(QWidget* parent)
{
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QStringLiteral("dtpReportDate"));
    picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    picker->setCalendarPopup(true);
    // The server's day, not the workstation's: no report of a day that has not come yet.
    const QDate serverDay = gServerDate.date();
    picker->setMaximumDate(serverDay);
    picker->setDate(serverDay);
    return picker;
}

void showRunError(QWidget* parent, const QString& description)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), description, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("msgRunError"));
    box.exec();
}

ReportDateDialog::ReportDateDialog(const QString& formName, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(formName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Report Date Entry"));

    Label1 = new QLabel(QStringLiteral("Report Date"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    dtpReportDate = makeReportDatePicker(this);
    dtpReportDate->setMinimumWidth(130);
    Label1->setBuddy(dtpReportDate);

    const char* texts[] = {"&OK", "&Cancel"};
    for (int i = 0; i < 2; ++i) {
        cmdOptions[size_t(i)] = new QPushButton(QString::fromLatin1(texts[i]), this);
        cmdOptions[size_t(i)]->setObjectName(QStringLiteral("cmdOptions_%1").arg(i));
        cmdOptions[size_t(i)]->setMinimumWidth(90);
        connect(cmdOptions[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdOptions_Click(i); });
    }
    cmdOptions[0]->setDefault(true); // Enter; Esc is the dialog's cancel and closes it

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(18, 18, 18, 14);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(16);
    grid->addWidget(Label1, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(dtpReportDate, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOptions[0]);
    buttons->addWidget(cmdOptions[1]);
    grid->addLayout(buttons, 1, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    setMinimumWidth(330);
    resize(sizeHint());
}

ReportDateDialog::~ReportDateDialog() = default;

void ReportDateDialog::setReportType(const QString& reportType)
{
    m_reportType = reportType;
    setWindowTitle(captionFor(reportType));
}

void ReportDateDialog::cmdOptions_Click(int index)
{
    if (index == 1) {
        close();
        return;
    }
    try {
        runReport();
    } catch (const std::exception& e) {
        // The dialog stays open with its date, so the user can try again.
        showRunError(this, QString::fromStdString(e.what()));
        return;
    }
    close();
}

} // namespace tarvik::daily
