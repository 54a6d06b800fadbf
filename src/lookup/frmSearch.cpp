#include "frmSearch.h"

#include "CommandText.h"
#include "Connection.h"
#include "LookupGrid.h"
#include "Session.h"
#include "Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <exception>
#include <stdexcept>

namespace tarvik::lookup {

namespace {

const QString kPlaceholder = QStringLiteral("##");

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

QString frmSearch::searchCommand(const QString& query, const QString& criteria)
{
    QString text = query;
    // One pass: a "##" inside the criteria is not replaced again.
    return text.replace(kPlaceholder, db::quotedArgumentText(criteria));
}

frmSearch::frmSearch(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSearch"));
    setModal(true);

    title = makeShadowTitle(QString(), this);
    lblHospital = new QLabel(QStringLiteral("#Hospital#"), this);
    lblHospital->setObjectName(QStringLiteral("lblHospital"));
    lblHospital->setTextFormat(Qt::PlainText);
    lblHospital->setAlignment(Qt::AlignCenter);

    auto* searchLabel = new QLabel(QStringLiteral("&Search"), this);
    txtSearchStr = new QLineEdit(this);
    txtSearchStr->setObjectName(QStringLiteral("txtSearchStr"));
    txtSearchStr->setClearButtonEnabled(false);
    searchLabel->setBuddy(txtSearchStr);
    chkAutoSearch = new QCheckBox(QStringLiteral("AutoSearch"), this);
    chkAutoSearch->setObjectName(QStringLiteral("chkAutoSearch"));
    chkAutoSearch->setChecked(true);
    chkAutoSearch->setEnabled(false); // the list always follows the search box
    chkAutoSearch->setFocusPolicy(Qt::NoFocus);

    fraRecords = new QGroupBox(QStringLiteral("Records List"), this);
    fraRecords->setObjectName(QStringLiteral("fraRecords"));
    grdDispWindow = new QTableView(fraRecords);
    grdDispWindow->setObjectName(QStringLiteral("grdDispWindow"));
    m_model = new GridModel(this);
    grdDispWindow->setModel(m_model);
    setUpGrid(grdDispWindow, kSelectorTwips);
    grdDispWindow->horizontalHeader()->setStretchLastSection(true);
    grdDispWindow->setMinimumSize(shell::twipsToPixels(kSelectorTwips + kFirstFieldTwips + kSecondFieldTwips) + 24, 230);
    auto* frameLayout = new QVBoxLayout(fraRecords);
    frameLayout->addWidget(grdDispWindow);

    auto* tipPicture = new QLabel(this);
    tipPicture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(24, 24));
    lblHelpTip = new QLabel(QStringLiteral("Help Tip: type to narrow the list, Down arrow to move into it, Enter or "
                                           "double-click to select, Esc to cancel."),
                            this);
    lblHelpTip->setObjectName(QStringLiteral("lblHelpTip"));
    lblHelpTip->setWordWrap(true);

    cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {cmdSelect, cmdCancel}) {
        b->setAutoDefault(false); // Enter is the search box's and the grid's own
        b->setMinimumWidth(90);
    }
    cmdSelect->setEnabled(false);
    connect(cmdSelect, &QPushButton::clicked, this, &frmSearch::cmdSelect_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSearch::reject);

    connect(txtSearchStr, &QLineEdit::textEdited, this, &frmSearch::txtSearchStr_Edited);
    connect(grdDispWindow, &QTableView::doubleClicked, this, [this] {
        if (cmdSelect->isEnabled())
            cmdSelect_Click();
    });
    connect(grdDispWindow->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { grdDispWindow_RowChanged(current.row()); });
    txtSearchStr->installEventFilter(this);
    grdDispWindow->installEventFilter(this);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(txtSearchStr, 1);
    searchRow->addWidget(chkAutoSearch);

    auto* tipRow = new QHBoxLayout;
    tipRow->addWidget(tipPicture, 0, Qt::AlignTop);
    tipRow->addWidget(lblHelpTip, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSelect);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);
    layout->addWidget(title.holder);
    layout->addWidget(lblHospital);
    layout->addLayout(searchRow);
    layout->addWidget(fraRecords, 1);
    layout->addLayout(tipRow);
    layout->addLayout(buttons);

    setTabOrder(txtSearchStr, grdDispWindow);
    setTabOrder(grdDispWindow, cmdSelect);
    setTabOrder(cmdSelect, cmdCancel);
    resize(sizeHint());
}

frmSearch::~frmSearch() = default;

void frmSearch::setSearchCaption(const QString& caption)
{
    m_searchCaption = caption;
    setWindowTitle(caption);
    title.setText(caption);
}

void frmSearch::setCriteria(const QString& criteria)
{
    m_criteria = criteria;
    txtSearchStr->setText(criteria);
}

void frmSearch::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    Form_Activate();
}

void frmSearch::Form_Load()
{
    lblHospital->setText(gCompanyName);
    setSearchCaption(m_searchCaption);
    if (m_disableSearch)
        txtSearchStr->setEnabled(false);
    else
        LoadResults();
    if (m_model->rowCount() > 0) {
        m_quiet = true;
        grdDispWindow->setCurrentIndex(m_model->index(0, 0));
        m_quiet = false;
    }
}

void frmSearch::Form_Activate()
{
    if (m_disableSearch)
        grdDispWindow->setFocus(Qt::ActiveWindowFocusReason);
    else
        txtSearchStr->setFocus(Qt::ActiveWindowFocusReason);
}

void frmSearch::applyColumnWidths()
{
    const int widths[] = {kFirstFieldTwips, kSecondFieldTwips};
    for (int column = 0; column < 2 && column < m_model->columnCount(); ++column)
        grdDispWindow->setColumnWidth(column, shell::twipsToPixels(widths[column]));
}

void frmSearch::LoadResults()
{
    const QString text = searchCommand(m_query, m_criteria);
    db::RecordsetPtr rows;
    try {
        if (!gCurrentUser || !gCurrentUser->SqlConnection())
            throw std::runtime_error("Nobody is logged in: there is no database connection.");
        rows = gCurrentUser->SqlConnection()->execute(text);
    } catch (const std::exception& e) {
        // An empty list, so nothing from an earlier search can be picked for this text.
        m_model->setRecordset({});
        cmdSelect->setEnabled(false);
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProgramTitle), QString::fromStdString(e.what()),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("msgLookupError"));
        box.exec();
        return;
    }
    m_quiet = true;
    m_model->setRecordset(rows);
    m_quiet = false;
    applyColumnWidths();
    cmdSelect->setEnabled(m_model->rowCount() > 0);
}

void frmSearch::txtSearchStr_Edited(const QString& text)
{
    const QString upper = text.toUpper();
    if (upper != text) {
        // A letter that becomes two ("ß") moves the cursor along with it.
        const int cursor = txtSearchStr->cursorPosition() + int(upper.size() - text.size());
        txtSearchStr->setText(upper);
        txtSearchStr->setCursorPosition(cursor);
    }
    m_criteria = upper;
    LoadResults();
}

void frmSearch::grdDispWindow_RowChanged(int row)
{
    if (m_quiet || row < 0)
        return;
    // Shows the row's description without searching for it.
    txtSearchStr->setText(cellText(grdDispWindow, row, 0));
}

void frmSearch::selectTopVisibleRow()
{
    if (m_model->rowCount() == 0)
        return;
    int row = grdDispWindow->rowAt(0);
    if (row < 0)
        row = 0;
    grdDispWindow->setCurrentIndex(m_model->index(row, 0));
}

bool frmSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtSearchStr) {
        if (event->type() == QEvent::FocusIn) {
            // A click places the cursor after the focus comes: the text is selected once it has.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
                m_selectOnRelease = true;
            else
                txtSearchStr->selectAll();
        } else if (event->type() == QEvent::MouseButtonRelease && m_selectOnRelease) {
            m_selectOnRelease = false;
            if (!txtSearchStr->hasSelectedText())
                txtSearchStr->selectAll();
        } else if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Down) {
                selectTopVisibleRow();
                grdDispWindow->setFocus(Qt::TabFocusReason);
                return true;
            }
            if (isEnter(key)) {
                if (m_model->rowCount() > 0) {
                    selectTopVisibleRow();
                    cmdSelect_Click();
                }
                return true;
            }
        }
    } else if (watched == grdDispWindow && event->type() == QEvent::KeyPress) {
        if (isEnter(static_cast<QKeyEvent*>(event))) {
            if (cmdSelect->isEnabled())
                cmdSelect_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmSearch::cmdSelect_Click()
{
    int row = grdDispWindow->currentIndex().row();
    if (row < 0 && m_model->rowCount() > 0)
        row = 0;
    if (row < 0)
        return;
    m_resultCode = cellText(grdDispWindow, row, 1);
    m_revenue = cellText(grdDispWindow, row, 0);
    m_valid = true;
    accept();
}

void frmSearch::reject()
{
    m_valid = false;
    QDialog::reject();
}

} // namespace tarvik::lookup
