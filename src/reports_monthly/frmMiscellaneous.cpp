#include "frmMiscellaneous.h"

#include "DialogPieces.h"
#include "LookupGrid.h"
#include "MiscellaneousReports.h"
#include "Recordset.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

namespace tarvik::monthly {

namespace {

// The grid's fields by position: the description, then the code.
constexpr int kDescriptionColumn = 0;
constexpr int kCodeColumn = 1;

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

frmMiscellaneous::frmMiscellaneous(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMiscellaneous"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Miscellaneous Reports"));

    title = lookup::makeShadowTitle(QStringLiteral("Miscellaneous Reports   "), this);

    Label1 = new QLabel(QStringLiteral("  Search"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    Label1->setBuddy(txtSearch);
    cmdFind = new QToolButton(this);
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    cmdFind->setIcon(QIcon::fromTheme(QStringLiteral("view-refresh"), style()->standardIcon(QStyle::SP_BrowserReload)));
    cmdFind->setToolTip(QStringLiteral("Refresh the list"));
    cmdFind->setAutoRaise(true);
    cmdFind->setFocusPolicy(Qt::NoFocus);

    grdRevenues = new QTableView(this);
    grdRevenues->setObjectName(QStringLiteral("grdRevenues"));
    m_model = new lookup::GridModel(this);
    grdRevenues->setModel(m_model);
    lookup::setUpGrid(grdRevenues, 200);
    grdRevenues->horizontalHeader()->setStretchLastSection(true);
    // As designed: the description's heading padded to 112 characters, the code's to 12.
    m_descriptionWidth =
        grdRevenues->fontMetrics().horizontalAdvance(QStringLiteral("Description").leftJustified(112)) + 12;
    const int codeWidth =
        std::max(grdRevenues->fontMetrics().horizontalAdvance(QStringLiteral("Code").leftJustified(12)) + 12, 120);
    grdRevenues->setMinimumSize(m_descriptionWidth + codeWidth + grdRevenues->verticalHeader()->width() + 24, 260);

    Label2 = new QLabel(QStringLiteral("Code"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    txtRevenue = new QLineEdit(this);
    txtRevenue->setObjectName(QStringLiteral("txtRevenue"));
    txtRevenue->setMaximumWidth(160);
    Label2->setBuddy(txtRevenue);
    Label3 = new QLabel(QStringLiteral("Description"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    txtDescription = new QLineEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    Label3->setBuddy(txtDescription);

    const char* texts[] = {"&Save", "&Close", "&Add/New"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(texts[i]), this);
        button->setObjectName(QStringLiteral("cmdOptions_%1").arg(i));
        button->setMinimumWidth(90);
        connect(button, &QPushButton::clicked, this, [this, i] { cmdOptions_Click(i); });
        cmdOptions[size_t(i)] = button;
    }

    connect(txtSearch, &QLineEdit::textChanged, this, [this] { LoadRevenues(); });
    connect(cmdFind, &QToolButton::clicked, this, [this] { LoadRevenues(); });
    connect(grdRevenues->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { grdRevenues_RowChanged(current.row()); });
    for (QWidget* w : {static_cast<QWidget*>(txtSearch), static_cast<QWidget*>(grdRevenues),
                       static_cast<QWidget*>(txtRevenue), static_cast<QWidget*>(txtDescription)})
        w->installEventFilter(this);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(Label1);
    searchRow->addWidget(txtSearch, 1);
    searchRow->addWidget(cmdFind);

    auto* entry = new QGridLayout;
    entry->setHorizontalSpacing(8);
    entry->addWidget(Label2, 0, 0);
    entry->addWidget(txtRevenue, 0, 1, Qt::AlignLeft);
    entry->addWidget(Label3, 1, 0);
    entry->addWidget(txtDescription, 1, 1);
    entry->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOptions[2]);
    buttons->addStretch();
    buttons->addWidget(cmdOptions[0]);
    buttons->addWidget(cmdOptions[1]);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->addWidget(title.holder);
    layout->addLayout(searchRow);
    layout->addWidget(grdRevenues, 1);
    layout->addLayout(entry);
    layout->addLayout(buttons);

    setTabOrder(txtSearch, grdRevenues);
    setTabOrder(grdRevenues, txtRevenue);
    setTabOrder(txtRevenue, txtDescription);
    setTabOrder(txtDescription, cmdOptions[0]);
    setTabOrder(cmdOptions[0], cmdOptions[2]);
    setTabOrder(cmdOptions[2], cmdOptions[1]);
    resize(sizeHint());

    LoadRevenues();
}

frmMiscellaneous::~frmMiscellaneous() = default;

bool frmMiscellaneous::LoadRevenues()
{
    db::RecordsetPtr rows;
    try {
        rows = searchRevenues(txtSearch->text());
    } catch (const std::exception& e) {
        // An empty list rather than one that does not match the search text.
        m_model->setRecordset({});
        runs::showRunError(this, QString::fromStdString(e.what()));
        return false;
    }
    // A new list is no move in the grid: the boxes keep what they hold.
    m_quiet = true;
    m_model->setRecordset(rows);
    m_quiet = false;
    grdRevenues->setColumnWidth(kDescriptionColumn, m_descriptionWidth); // the code takes the rest
    return true;
}

void frmMiscellaneous::ClearRevenueEntry()
{
    txtRevenue->clear();
    txtDescription->clear();
}

void frmMiscellaneous::grdRevenues_RowChanged(int row)
{
    if (m_quiet || row < 0)
        return;
    txtRevenue->setText(lookup::cellText(grdRevenues, row, kCodeColumn));
    txtDescription->setText(lookup::cellText(grdRevenues, row, kDescriptionColumn));
}

bool frmMiscellaneous::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == txtSearch) {
        if (key->key() == Qt::Key_Down) {
            if (!grdRevenues->currentIndex().isValid() && m_model->rowCount() > 0)
                grdRevenues->setCurrentIndex(m_model->index(0, 0));
            grdRevenues->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (isEnter(key)) {
            // Refreshes the list; it never presses a button.
            LoadRevenues();
            return true;
        }
    } else if (isEnter(key)) {
        // From the grid, Code and Description, Enter moves to the next control (a Tab).
        focusNextChild();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmMiscellaneous::cmdOptions_Click(int index)
{
    switch (index) {
    case 0:
        cmdSave_Click();
        return;
    case 1:
        close();
        return;
    case 2:
        ClearRevenueEntry();
        txtRevenue->setFocus(Qt::OtherFocusReason);
        return;
    default:
        return;
    }
}

void frmMiscellaneous::cmdSave_Click()
{
    const QString refusal = refusalToSave(txtRevenue->text());
    if (!refusal.isEmpty()) {
        runs::showRunError(this, refusal);
        txtRevenue->setFocus(Qt::OtherFocusReason);
        return;
    }
    runs::RunUi& ui = runs::interactiveUi();
    ui.setBusy(true);
    try {
        saveRevenueCode(txtRevenue->text(), txtDescription->text());
    } catch (const std::exception& e) {
        ui.setBusy(false);
        // Nothing was stored: the boxes keep what was typed, for another try.
        runs::showRunError(this, QString::fromStdString(e.what()));
        return;
    }
    ui.setBusy(false);
    ClearRevenueEntry();
    LoadRevenues();
    txtRevenue->setFocus(Qt::OtherFocusReason);
}

} // namespace tarvik::monthly
