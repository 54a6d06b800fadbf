#include "PeriodDialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <exception>

namespace tarvik::yearly {

PeriodDialog::PeriodDialog(const QString& formName, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(formName);
    setAttribute(Qt::WA_DeleteOnClose);

    const char* labels[] = {"Report Period:", "to"};
    for (int i = 0; i < 2; ++i) {
        Label1[size_t(i)] = new QLabel(QString::fromLatin1(labels[i]), this);
        Label1[size_t(i)]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        dtpPeriod[size_t(i)] = runs::makeDatePicker(QStringLiteral("dtpPeriod_%1").arg(i), QStringLiteral("MM/dd/yyyy"), this);
        dtpPeriod[size_t(i)]->setMinimumWidth(120);
        dtpPeriod[size_t(i)]->installEventFilter(this);
        Label1[size_t(i)]->setBuddy(dtpPeriod[size_t(i)]);
    }

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* button : {cmdOK, cmdCancel})
        button->setMinimumWidth(90);
    // Enter on an option (or wherever no other button has the focus) is OK.
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &PeriodDialog::cmdOK_Click);
    // Esc is the dialog's own cancel and closes it too.
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);

    auto* period = new QHBoxLayout;
    period->setSpacing(8);
    period->addWidget(Label1[0]);
    period->addWidget(dtpPeriod[0]);
    period->addWidget(Label1[1]);
    period->addWidget(dtpPeriod[1]);
    period->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    column = new QVBoxLayout(this);
    column->setContentsMargins(18, 18, 18, 14);
    column->setSpacing(16);
    column->addLayout(period);
    column->addLayout(buttons);

    setTabOrder(dtpPeriod[0], dtpPeriod[1]);
    setTabOrder(dtpPeriod[1], cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    dtpPeriod[0]->setFocus();
}

PeriodDialog::~PeriodDialog() = default;

void PeriodDialog::setReportType(const QString& reportType)
{
    m_reportType = reportType;
    setWindowTitle(captionFor(reportType));
}

bool PeriodDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in a picker goes on to the next control, as Tab does, and never starts the report
    // with half a period typed.
    if (event->type() == QEvent::KeyPress && (watched == dtpPeriod[0] || watched == dtpPeriod[1])) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            focusNextChild();
            // Into a group of options: onto the one chosen, as a person expects.
            if (auto* option = qobject_cast<QRadioButton*>(focusWidget()); option && !option->isChecked())
                for (auto* sibling : option->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
                    if (sibling->isChecked() && sibling->autoExclusive())
                        sibling->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PeriodDialog::cmdOK_Click()
{
    const QDate from = dtpPeriod[0]->date();
    const QDate to = dtpPeriod[1]->date();
    // The workstation's day, as the period reports have always been checked; the pickers
    // themselves stop at the server's day.
    if (!periodIsValid(from, to, QDate::currentDate())) {
        runs::showRunError(this, QString::fromLatin1(kInvalidPeriod));
        return;
    }
    QPointer<PeriodDialog> self(this);
    bool produced = false;
    try {
        runs::checkPicked(dtpPeriod[0]);
        runs::checkPicked(dtpPeriod[1]);
        runs::DialogRunUi ui([self] {
            if (self)
                self->close();
        });
        produced = runReport(from, to, ui);
    } catch (const std::exception& e) {
        // The dialog keeps its values (unless the report was already open and it had gone).
        runs::showRunError(isVisible() ? this : parentWidget(), QString::fromStdString(e.what()));
        return;
    }
    if (produced && self)
        close();
}

} // namespace tarvik::yearly
