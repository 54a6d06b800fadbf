#include "DialogPieces.h"

#include "Session.h"
#include "Twips.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <exception>
#include <stdexcept>

namespace tarvik::runs {

ServerDayPicker::ServerDayPicker(const QDate& latest, QWidget* parent)
    : QDateEdit(parent), m_latest(latest)
{
    // No maximum on the edit itself: with one, a keystroke that passes a later day on the
    // way ("12/1" then "5" when the latest day is the 8th) is dropped, and the date typed
    // becomes another. The calendar and the arrows stop at the latest day instead.
    setMinimumDate(QDate(1900, 1, 1));
    setCalendarPopup(true);
    connect(this, &QDateEdit::dateChanged, this, &ServerDayPicker::limitCalendar);
    limitCalendar();
}

void ServerDayPicker::limitCalendar()
{
    QCalendarWidget* calendar = calendarWidget();
    if (!calendar || !m_latest.isValid())
        return;
    // Quietly: the calendar's own selection must never change the date typed in the edit.
    const QSignalBlocker quiet(calendar);
    calendar->setMaximumDate(m_latest);
}

void ServerDayPicker::mousePressEvent(QMouseEvent* event)
{
    m_advanced = false;
    m_dayDigits.clear();
    m_typedDay = 0;
    QDateEdit::mousePressEvent(event);
    limitCalendar();
}

void ServerDayPicker::keyPressEvent(QKeyEvent* event)
{
    // A digit that fills its section moves on to the next one by itself; the separator a
    // person types after it ("12/15/2025") must not move on once more and skip the day.
    const QString text = event->text();
    const bool digit = text.size() == 1 && text.at(0).isDigit();
    const bool separator = text.size() == 1 && !text.at(0).isLetterOrNumber() && !text.at(0).isSpace()
        && displayFormat().contains(text.at(0));
    if (separator && m_advanced) {
        m_advanced = false;
        event->accept();
        return;
    }
    const int sectionBefore = currentSectionIndex();
    const bool inDay = currentSection() == DaySection;
    QDateEdit::keyPressEvent(event);
    m_advanced = digit && currentSectionIndex() != sectionBefore;

    // The day is typed before the year: "02/29/2024" passes through February of the year
    // shown, which may have no 29th, and the edit holds the 28th meanwhile. The day typed
    // comes back once the year typed has it.
    if (digit && inDay) {
        m_dayDigits += text;
        const int typed = m_dayDigits.toInt();
        m_typedDay = typed != date().day() ? typed : 0;
    } else if (!digit || currentSectionIndex() != sectionBefore) {
        m_dayDigits.clear();
    }
    if (!digit && !separator)
        m_typedDay = 0;
    if (m_typedDay > 0) {
        const QDate wanted(date().year(), date().month(), m_typedDay);
        if (wanted.isValid() && wanted != date()) {
            const int section = currentSectionIndex();
            setDate(wanted);
            setCurrentSectionIndex(section);
            m_typedDay = 0;
        }
    }
    limitCalendar();
}

QString ServerDayPicker::refusal() const
{
    // A month picker asks for a month, whatever day of it the edit holds: the server's own
    // month is never refused (the edit may hold the 28th after passing through February).
    const Sections shown = displayedSections();
    const auto shownPart = [shown](const QDate& d) {
        if (shown & DaySection)
            return d;
        return QDate(d.year(), (shown & MonthSection) ? d.month() : 1, 1);
    };
    if (!m_latest.isValid() || shownPart(date()) <= shownPart(m_latest))
        return {};
    const QString format = displayFormat();
    return QStringLiteral("%1 is after the server's date %2: no report can be run for a day that has not come yet.")
        .arg(date().toString(format), m_latest.toString(format));
}

void ServerDayPicker::stepBy(int steps)
{
    const QDate before = date();
    QDateEdit::stepBy(steps);
    if (m_latest.isValid() && steps > 0 && date() > m_latest)
        setDate(before > m_latest ? before : m_latest);
}

QAbstractSpinBox::StepEnabled ServerDayPicker::stepEnabled() const
{
    StepEnabled enabled = QDateEdit::stepEnabled();
    if (m_latest.isValid() && date() >= m_latest)
        enabled &= ~StepUpEnabled;
    return enabled;
}

ServerDayPicker* makeDatePicker(const QString& objectName, const QString& format, QWidget* parent)
{
    // The server's day, not the workstation's: no report of a day that has not come yet.
    const QDate serverDay = gServerDate.date();
    auto* picker = new ServerDayPicker(serverDay, parent);
    picker->setObjectName(objectName);
    picker->setDisplayFormat(format);
    picker->setDate(serverDay);
    return picker;
}

ServerDayPicker* makeReportDatePicker(QWidget* parent)
{
    return makeDatePicker(QStringLiteral("dtpReportDate"), QStringLiteral("MM/dd/yyyy"), parent);
}

void checkPicked(const QDateEdit* picker)
{
    if (const auto* server = qobject_cast<const ServerDayPicker*>(picker)) {
        const QString refusal = server->refusal();
        if (!refusal.isEmpty())
            throw std::runtime_error(refusal.toStdString());
    }
}

void showRunError(QWidget* parent, const QString& description)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), description, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("msgRunError"));
    box.exec();
}

// ---- One picker, OK and Cancel ------------------------------------------------------------

PickerDialog::PickerDialog(const Layout& layout, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(layout.formName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(layout.caption);

    Label1 = new QLabel(layout.label, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    picker = makeDatePicker(layout.pickerName, layout.pickerFormat, this);
    picker->setMinimumWidth(130);
    Label1->setBuddy(picker);

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
    grid->addWidget(picker, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOptions[0]);
    buttons->addWidget(cmdOptions[1]);
    grid->addLayout(buttons, 1, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    setMinimumWidth(330);
    resize(sizeHint());
}

PickerDialog::~PickerDialog() = default;

void PickerDialog::setReportType(const QString& reportType)
{
    m_reportType = reportType;
    setWindowTitle(captionFor(reportType));
}

void PickerDialog::cmdOptions_Click(int index)
{
    if (index == 1) {
        close();
        return;
    }
    try {
        checkPicked(picker);
        runReport();
    } catch (const std::exception& e) {
        // The dialog stays open with its value, so the user can try again.
        showRunError(this, QString::fromStdString(e.what()));
        return;
    }
    close();
}

// ---- Batches -------------------------------------------------------------------------------

BatchDialog::BatchDialog(const Layout& layout, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(layout.formName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(layout.caption);

    QFont headingFont = font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.5);
    headingFont.setBold(true);
    QWidget* heading = nullptr;
    if (layout.shadowedHeading) {
        // The heading drawn twice, the copy behind it offset down and right as a shadow.
        auto* holder = new QWidget(this);
        auto* stack = new QStackedLayout(holder);
        stack->setStackingMode(QStackedLayout::StackAll);
        for (int i = 0; i < 2; ++i) {
            auto* label = new QLabel(layout.heading, holder);
            label->setObjectName(QStringLiteral("Label2_%1").arg(i));
            label->setFont(headingFont);
            label->setContentsMargins(i == 1 ? 0 : 2, i == 1 ? 0 : 2, i == 1 ? 2 : 0, i == 1 ? 2 : 0);
            if (i == 0)
                label->setStyleSheet(QStringLiteral("color: gray"));
            Label2.push_back(label);
            stack->addWidget(label);
        }
        Label2[1]->raise();
        heading = holder;
    } else {
        auto* label = new QLabel(layout.heading, this);
        label->setObjectName(QStringLiteral("Label2"));
        label->setFont(headingFont);
        Label2.push_back(label);
        heading = label;
    }

    Label1 = new QLabel(layout.label, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    picker = makeDatePicker(layout.pickerName, layout.pickerFormat, this);
    picker->setMinimumWidth(130);
    Label1->setBuddy(picker);

    auto* boxes = new QGroupBox(this);
    boxes->setObjectName(QStringLiteral("fraReports"));
    auto* boxGrid = new QGridLayout(boxes);
    boxGrid->setHorizontalSpacing(28);
    boxGrid->setVerticalSpacing(8);
    const int count = int(layout.boxCaptions.size());
    for (int i = 0; i < count; ++i) {
        auto* box = new QCheckBox(layout.boxCaptions[size_t(i)], boxes);
        box->setObjectName(QStringLiteral("chkOption_%1").arg(i));
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) { chkOption_Click(i, on); });
        chkOption.push_back(box);
    }
    for (const BoxPlace& place : layout.places)
        boxGrid->addWidget(chkOption.at(size_t(place.box)), place.row, place.column);

    cmdSelectAll = new QPushButton(QStringLiteral("&Select All"), this);
    cmdSelectAll->setObjectName(QStringLiteral("cmdSelectAll"));
    connect(cmdSelectAll, &QPushButton::clicked, this, &BatchDialog::cmdSelectAll_Click);
    const char* okTexts[] = {"&Print", "&View"};
    for (int i = 0; i < 2; ++i) {
        cmdOK[size_t(i)] = new QPushButton(QString::fromLatin1(okTexts[i]), this);
        cmdOK[size_t(i)]->setObjectName(QStringLiteral("cmdOK_%1").arg(i));
        connect(cmdOK[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdOK_Click(i); });
    }
    cmdCancel = new QPushButton(QStringLiteral("&Close"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    // Enter must not start a batch by accident: no button answers it.
    for (QPushButton* button : {cmdSelectAll, cmdOK[0], cmdOK[1], cmdCancel}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(90);
    }

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(Label1);
    dateRow->addWidget(picker);
    dateRow->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSelectAll);
    buttons->addStretch();
    buttons->addWidget(cmdOK[0]);
    buttons->addWidget(cmdOK[1]);
    buttons->addWidget(cmdCancel);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(18, 14, 18, 14);
    column->setSpacing(12);
    column->addWidget(heading);
    column->addLayout(dateRow);
    column->addWidget(boxes);
    column->addLayout(buttons);
    resize(sizeHint());

    // 10 twips from the screen's left, 100 from its top.
    move(shell::twipsToPixels(10), shell::twipsToPixels(100));
    m_tickedCount = 0; // Print and View keep their designed (enabled) state until a box is clicked
}

BatchDialog::~BatchDialog() = default;

std::vector<bool> BatchDialog::tickedBoxes() const
{
    std::vector<bool> ticked;
    for (QCheckBox* box : chkOption)
        ticked.push_back(box->isChecked());
    return ticked;
}

void BatchDialog::chkOption_Click(int, bool ticked)
{
    m_tickedCount += ticked ? 1 : -1;
    const bool any = m_tickedCount > 0;
    if (!any)
        m_tickedCount = 0;
    cmdOK[0]->setEnabled(any);
    cmdOK[1]->setEnabled(any);
}

void BatchDialog::cmdSelectAll_Click()
{
    for (QCheckBox* box : chkOption)
        box->setChecked(true);
}

void BatchDialog::cmdOK_Click(int index)
{
    try {
        checkPicked(picker);
    } catch (const std::exception& e) {
        showRunError(this, QString::fromStdString(e.what()));
        return;
    }
    const BatchResult result = runTicked(index == 0);
    if (!result.ok()) {
        // What was produced stays; the user can correct the choice and press again.
        showRunError(this, result.error);
        return;
    }
    close();
}

} // namespace tarvik::runs
