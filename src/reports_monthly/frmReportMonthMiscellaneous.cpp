#include "frmReportMonthMiscellaneous.h"

#include "DialogPieces.h"
#include "MiscellaneousReports.h"
#include "frmSearch.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <exception>

namespace tarvik::monthly {

namespace {

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The control a key went to, seen as the window's key rules see it.
enum class ControlKind { Picker, TextOrButton, Other };

} // namespace

frmReportMonthMiscellaneous::frmReportMonthMiscellaneous(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReportMonthMiscellaneous"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Monthly Miscellaneous Report"));

    Label2 = new QLabel(QStringLiteral("Department"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    for (int i = 0; i < 2; ++i) {
        txtDept[size_t(i)] = new QLineEdit(this);
        txtDept[size_t(i)]->setObjectName(QStringLiteral("txtDept_%1").arg(i));
    }
    txtDept[0]->setMinimumWidth(110);
    Label2->setBuddy(txtDept[0]);
    // The description comes from the lookup only: a box of its own to type in would open the
    // lookup a second time when it is left.
    txtDept[1]->setReadOnly(true);
    txtDept[1]->setFocusPolicy(Qt::NoFocus);
    txtDept[1]->setMinimumWidth(280);

    cmdFind = new QToolButton(this);
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    cmdFind->setIcon(QIcon::fromTheme(QStringLiteral("edit-find"), style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    cmdFind->setToolTip(QStringLiteral("Find the revenue code"));
    cmdFind->setAutoRaise(true);
    // A picture button: clicking it leaves the focus where it is.
    cmdFind->setFocusPolicy(Qt::NoFocus);
    connect(cmdFind, &QToolButton::clicked, this, &frmReportMonthMiscellaneous::cmdFind_Click);

    Label1 = new QLabel(QStringLiteral("Report Month"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    dtpReportDate = runs::makeDatePicker(QStringLiteral("dtpReportDate"), QStringLiteral("MM/yyyy"), this);
    dtpReportDate->setMinimumWidth(110);
    Label1->setBuddy(dtpReportDate);

    const char* texts[] = {"&OK", "&Cancel"};
    for (int i = 0; i < 2; ++i) {
        QPushButton* button = new QPushButton(QString::fromLatin1(texts[i]), this);
        button->setObjectName(QStringLiteral("cmdOptions_%1").arg(i));
        button->setMinimumWidth(90);
        // Enter moves on from a button too; only a click, Space or Alt+O runs the report.
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, i] { cmdOptions_Click(i); });
        cmdOptions[size_t(i)] = button;
    }

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(14);
    grid->addWidget(Label2, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(txtDept[0], 0, 1);
    grid->addWidget(cmdFind, 0, 2);
    grid->addWidget(txtDept[1], 0, 3);
    grid->addWidget(Label1, 1, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(dtpReportDate, 1, 1);
    grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOptions[0]);
    buttons->addWidget(cmdOptions[1]);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(18);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    setTabOrder(txtDept[0], dtpReportDate);
    setTabOrder(dtpReportDate, cmdOptions[0]);
    setTabOrder(cmdOptions[0], cmdOptions[1]);
    resize(sizeHint());

    connect(qApp, &QApplication::focusChanged, this, &frmReportMonthMiscellaneous::focusMoved);
    // The window sees key strokes before its controls, whichever control has the focus.
    qApp->installEventFilter(this);
}

frmReportMonthMiscellaneous::~frmReportMonthMiscellaneous()
{
    qApp->removeEventFilter(this);
}

void frmReportMonthMiscellaneous::setReportType(const QString& reportType)
{
    m_reportType = reportType;
    // The picker shows what the report is of: a month, or a year only.
    if (const MiscellaneousRow* row = miscellaneousRow(reportType))
        dtpReportDate->setDisplayFormat(QString::fromLatin1(row->pickerFormat));
    setWindowTitle(QStringLiteral("Monthly Miscellaneous Report"));
}

bool frmReportMonthMiscellaneous::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched != this) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && isAncestorOf(widget))
            return Form_KeyPress(watched, static_cast<QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

void frmReportMonthMiscellaneous::keyPressEvent(QKeyEvent* event)
{
    if (!Form_KeyPress(this, event))
        QDialog::keyPressEvent(event);
}

bool frmReportMonthMiscellaneous::Form_KeyPress(QObject* target, QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        cmdOptions_Click(1);
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(target);
    ControlKind kind = ControlKind::Other;
    if (widget && (widget == dtpReportDate || dtpReportDate->isAncestorOf(widget)))
        kind = ControlKind::Picker;
    else if (qobject_cast<QLineEdit*>(target) || qobject_cast<QAbstractButton*>(target))
        kind = ControlKind::TextOrButton;

    if (isEnter(key) && kind != ControlKind::Other) {
        focusNextChild();
        return true;
    }
    if (kind != ControlKind::TextOrButton)
        return false;
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

void frmReportMonthMiscellaneous::cmdFind_Click()
{
    // Into the code box and out again: leaving it opens the lookup.
    txtDept[0]->setFocus(Qt::OtherFocusReason);
    focusNextChild();
}

void frmReportMonthMiscellaneous::focusMoved(QWidget* from, QWidget* to)
{
    // Leaving the code box for another control of this window; not for Cancel, and not when
    // the window itself loses the focus (another window, the lookup, a message).
    if (from != txtDept[0] || !to || !isAncestorOf(to) || to == cmdOptions[1])
        return;
    m_validationPending = true;
    QTimer::singleShot(0, this, &frmReportMonthMiscellaneous::validateWhenSettled);
}

void frmReportMonthMiscellaneous::validateWhenSettled()
{
    if (!m_validationPending)
        return;
    if (QApplication::mouseButtons() != Qt::NoButton) {
        QTimer::singleShot(20, this, &frmReportMonthMiscellaneous::validateWhenSettled);
        return;
    }
    txtDept_Validate();
}

void frmReportMonthMiscellaneous::txtDept_Validate()
{
    m_validationPending = false;
    lookup::frmSearch search(this);
    search.setSearchCaption(QString::fromLatin1(kRevenueLookupCaption));
    search.setCriteria(txtDept[0]->text());
    search.setQuery(QString::fromLatin1(kRevenueLookupQuery));
    search.exec();
    // Back to this window, where the focus has already moved on from the code box.
    activateWindow();
    if (search.valid()) {
        txtDept[0]->setText(search.resultCode());
        txtDept[1]->setText(search.revenue());
    }
}

void frmReportMonthMiscellaneous::cmdOptions_Click(int index)
{
    if (index == 1) {
        m_validationPending = false;
        close();
        return;
    }
    // The code box is looked up before OK acts, when leaving it for OK asked for that.
    if (m_validationPending)
        txtDept_Validate();
    QPointer<frmReportMonthMiscellaneous> self(this);
    try {
        runs::checkPicked(dtpReportDate);
        runMiscellaneousReport(
            {dtpReportDate->date(), m_reportType, txtDept[0]->text(), txtDept[1]->text()});
    } catch (const std::exception& e) {
        // The dialog stays open with the code and the date, so the user can try again.
        runs::showRunError(self ? self.data() : nullptr, QString::fromStdString(e.what()));
        return;
    }
    if (self)
        close();
}

} // namespace tarvik::monthly
