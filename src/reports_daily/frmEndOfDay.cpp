#include "frmEndOfDay.h"

#include "DialogSupport.h"
#include "Twips.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvik::daily {

namespace {

// Where each box sits on the screen: the batch's own groups, two columns. The index is what
// the batch tests; the place is only the form's.
struct BoxPlace
{
    int box;
    int row;
    int column;
};
constexpr BoxPlace kPlaces[] = {
    {0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}, {10, 4, 0}, {8, 5, 0},                 // patients, adjustments
    {4, 0, 1}, {5, 1, 1}, {6, 2, 1}, {9, 3, 1}, {7, 4, 1}, {11, 5, 1}, {12, 6, 1},     // logbooks, audit trail
};

QString boxCaption(int box)
{
    for (const BatchRow& row : endOfDayRows())
        if (row.box == box)
            return QString::fromLatin1(row.boxCaption);
    return {};
}

} // namespace

frmEndOfDay::frmEndOfDay(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEndOfDay"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("End Of Day Reports"));

    Label2 = new QLabel(QStringLiteral("End of Day Reports"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont heading = Label2->font();
    heading.setPointSizeF(heading.pointSizeF() * 1.5);
    heading.setBold(true);
    Label2->setFont(heading);

    Label1 = new QLabel(QStringLiteral("Report Date"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    dtpReportDate = makeReportDatePicker(this);
    dtpReportDate->setMinimumWidth(130);
    Label1->setBuddy(dtpReportDate);

    auto* boxes = new QGroupBox(this);
    boxes->setObjectName(QStringLiteral("fraReports"));
    auto* boxGrid = new QGridLayout(boxes);
    boxGrid->setHorizontalSpacing(28);
    boxGrid->setVerticalSpacing(8);
    for (int i = 0; i < kEndOfDayBoxes; ++i) {
        chkOption[size_t(i)] = new QCheckBox(boxCaption(i), boxes);
        chkOption[size_t(i)]->setObjectName(QStringLiteral("chkOption_%1").arg(i));
        connect(chkOption[size_t(i)], &QCheckBox::toggled, this, [this, i](bool on) { chkOption_Click(i, on); });
    }
    for (const BoxPlace& place : kPlaces)
        boxGrid->addWidget(chkOption[size_t(place.box)], place.row, place.column);

    cmdSelectAll = new QPushButton(QStringLiteral("&Select All"), this);
    cmdSelectAll->setObjectName(QStringLiteral("cmdSelectAll"));
    connect(cmdSelectAll, &QPushButton::clicked, this, &frmEndOfDay::cmdSelectAll_Click);
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
    dateRow->addWidget(dtpReportDate);
    dateRow->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSelectAll);
    buttons->addStretch();
    buttons->addWidget(cmdOK[0]);
    buttons->addWidget(cmdOK[1]);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(12);
    layout->addWidget(Label2);
    layout->addLayout(dateRow);
    layout->addWidget(boxes);
    layout->addLayout(buttons);
    resize(sizeHint());

    // 10 twips from the screen's left, 100 from its top.
    move(shell::twipsToPixels(10), shell::twipsToPixels(100));
    m_tickedCount = 0; // Print and View keep their designed (enabled) state until a box is clicked
}

frmEndOfDay::~frmEndOfDay() = default;

void frmEndOfDay::chkOption_Click(int, bool ticked)
{
    m_tickedCount += ticked ? 1 : -1;
    const bool any = m_tickedCount > 0;
    if (!any)
        m_tickedCount = 0;
    cmdOK[0]->setEnabled(any);
    cmdOK[1]->setEnabled(any);
}

void frmEndOfDay::cmdSelectAll_Click()
{
    for (QCheckBox* box : chkOption)
        box->setChecked(true);
}

void frmEndOfDay::cmdOK_Click(int index)
{
    EndOfDayInput input;
    input.date = dtpReportDate->date();
    input.directPrint = index == 0;
    for (int i = 0; i < kEndOfDayBoxes; ++i)
        input.ticked[size_t(i)] = chkOption[size_t(i)]->isChecked();
    const BatchResult result = runEndOfDay(input);
    if (!result.ok()) {
        // What was produced stays; the user can correct the choice and press again.
        showRunError(this, result.error);
        return;
    }
    close();
}

} // namespace tarvik::daily
