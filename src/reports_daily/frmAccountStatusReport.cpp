#include "frmAccountStatusReport.h"

#include "DailyReports.h"
#include "DialogSupport.h"

#include <QApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <exception>

namespace tarvik::daily {

frmAccountStatusReport::frmAccountStatusReport(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAccountStatusReport"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Patient's Account Status Report"));

    // The title and its shadow, one over the other.
    auto* title = new QWidget(this);
    title->setObjectName(QStringLiteral("picTitle"));
    lblSTitle = new QLabel(QStringLiteral("Patient's Account Status Report"), title);
    lblSTitle->setObjectName(QStringLiteral("lblSTitle"));
    lblTitle = new QLabel(QStringLiteral("Patient's Account Status Report"), title);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    for (QLabel* label : {lblSTitle, lblTitle}) {
        label->setFont(titleFont);
        label->adjustSize();
    }
    lblSTitle->setStyleSheet(QStringLiteral("color: #a0a0a0"));
    lblTitle->setStyleSheet(QStringLiteral("color: #1f3f7a"));
    lblSTitle->move(2, 2);
    lblTitle->move(0, 0);
    lblTitle->raise();
    title->setFixedSize(lblTitle->width() + 2, lblTitle->height() + 2);

    Label1 = new QLabel(QStringLiteral("Report Date"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    dtpReportDate = makeReportDatePicker(this);
    dtpReportDate->setMinimumWidth(130);
    Label1->setBuddy(dtpReportDate);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* options = new QVBoxLayout(Frame1);
    options->setSpacing(8);
    for (const AccountStatusRow& row : accountStatusRows()) {
        auto* option = new QRadioButton(QString::fromLatin1(row.optionCaption), Frame1);
        option->setObjectName(QStringLiteral("optOptions_%1").arg(row.option));
        optOptions[size_t(row.option)] = option;
        options->addWidget(option);
    }
    optOptions[0]->setChecked(true);

    const char* texts[] = {"&OK    ", "&Cancel"};
    for (int i = 0; i < 2; ++i) {
        cmdOptions[size_t(i)] = new QPushButton(QString::fromLatin1(texts[i]), this);
        cmdOptions[size_t(i)]->setObjectName(QStringLiteral("cmdOptions_%1").arg(i));
        cmdOptions[size_t(i)]->setAutoDefault(false);
        cmdOptions[size_t(i)]->setMinimumWidth(90);
        connect(cmdOptions[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdOptions_Click(i); });
    }

    Label3 = new QLabel(QStringLiteral("Click one from the options above  or <ESC>/Cancel to exit"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setTextFormat(Qt::PlainText);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(Label1);
    dateRow->addWidget(dtpReportDate);
    dateRow->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOptions[0]);
    buttons->addWidget(cmdOptions[1]);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(12);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addLayout(dateRow);
    layout->addWidget(Frame1);
    layout->addWidget(Label3);
    layout->addLayout(buttons);
    resize(sizeHint());

    // The window sees key strokes before its controls, whichever control has the focus.
    qApp->installEventFilter(this);
}

frmAccountStatusReport::~frmAccountStatusReport()
{
    qApp->removeEventFilter(this);
}

int frmAccountStatusReport::selectedOption() const
{
    for (size_t i = 0; i < optOptions.size(); ++i)
        if (optOptions[i]->isChecked())
            return int(i);
    return 0;
}

bool frmAccountStatusReport::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched != this) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && isAncestorOf(widget))
            return Form_KeyPress(watched, static_cast<QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

void frmAccountStatusReport::keyPressEvent(QKeyEvent* event)
{
    if (!Form_KeyPress(this, event))
        QDialog::keyPressEvent(event);
}

bool frmAccountStatusReport::Form_KeyPress(QObject* target, QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        close();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        focusNextChild();
        return true;
    }
    const QString text = event->text();
    if (text == QLatin1String("'"))
        return true;
    const QString upper = text.toUpper();
    if (upper != text) {
        // Hand the control the upper-case key instead.
        QKeyEvent shifted(event->type(), event->key(), event->modifiers(), upper, event->isAutoRepeat(),
                          ushort(event->count()));
        QApplication::sendEvent(target, &shifted);
        return true;
    }
    return false;
}

void frmAccountStatusReport::cmdOptions_Click(int index)
{
    if (index == 1) {
        close();
        return;
    }
    QPointer<frmAccountStatusReport> self(this);
    // The dialog goes before the modal viewer opens; the closed window stays alive until this
    // handler returns (its deletion waits for the event loop that called it).
    DialogRunUi ui([self] {
        if (self)
            self->close();
    });
    try {
        runs::checkPicked(dtpReportDate);
        runAccountStatus({dtpReportDate->date(), selectedOption()}, ui);
    } catch (const std::exception& e) {
        showRunError(self && self->isVisible() ? self.data() : nullptr, QString::fromStdString(e.what()));
    }
}

} // namespace tarvik::daily
