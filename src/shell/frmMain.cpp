#include "frmMain.h"

#include "DialogRegistry.h"
#include "MenuLayout.h"
#include "ReportMenu.h"
#include "Session.h"
#include "Twips.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <stdexcept>

namespace tarvik::shell {

namespace {

constexpr int px(int twips)
{
    return twipsToPixels(twips);
}

const char* kMenuStyle = R"(
QFrame#picMainMenu { background: #dfe6ee; border: none; }
QPushButton[category="true"] {
    text-align: left; padding: 2px 10px; font-weight: bold; color: #1c2a3a;
    border: 1px solid #9aa8b8; border-radius: 3px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfcfd, stop:1 #cdd7e2);
}
QPushButton[category="true"]:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #dbe6f2); }
QPushButton[category="true"][selected="true"] {
    color: #ffffff; border-color: #2d5b8a;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4f86bd, stop:1 #2f6398);
}
QToolButton[item="true"] { text-align: left; color: #1c2a3a; border: 1px solid transparent; border-radius: 4px; padding: 2px 4px; }
QToolButton[item="true"]:hover { background: #f5f8fb; border-color: #9fb6cf; }
QToolButton[item="true"]:pressed { background: #c9d9ea; }
QToolButton[item="true"]:focus { background: #e6eef7; border: 1px solid #2d5b8a; }
QPushButton[category="true"]:focus { border: 2px solid #2d5b8a; }
QPushButton[category="true"][selected="true"]:focus { border: 2px solid #f2c14e; }
QScrollArea#itemArea, QWidget#itemStrip { background: transparent; border: none; }
QFrame#picSplitter { background: #5a6b7d; }
QWidget#imgSplitter { background: #b9c5d2; }
)";

} // namespace

QString statusBarText(const QString& employeeName, const QString& serverName)
{
    return QStringLiteral("Current User: ") + employeeName + QStringLiteral("         SERVER NAME: ")
           + serverName;
}

void SplitterGrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit pressed(qRound(event->position().x()));
}

void SplitterGrip::mouseMoveEvent(QMouseEvent* event)
{
    emit moved(qRound(event->position().x()));
}

void SplitterGrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit released(qRound(event->position().x()));
}

void PictureBox::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_picture.isNull() || width() <= 0 || height() <= 0)
        return;
    // Fills the whole area, trimming the picture's edges rather than leaving bands.
    const QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatioByExpanding);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, m_picture);
}

frmMain::frmMain(DialogRegistry& dialogs, QWidget* parent, const QString& pictureFolder)
    : QWidget(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Reports"));
    setMinimumSize(px(2 * layout::kMinPaneWidth + kGripWidth), 300);
    setStyleSheet(QString::fromLatin1(kMenuStyle));
    setFocusPolicy(Qt::StrongFocus);

    if (!gCurrentUser)
        throw std::runtime_error("No user is logged in.");

    m_picMainMenu = new QFrame(this);
    m_picMainMenu->setObjectName(QStringLiteral("picMainMenu"));

    BuildCategoryButtons();

    m_itemArea = new QScrollArea(m_picMainMenu);
    m_itemArea->setObjectName(QStringLiteral("itemArea"));
    m_itemArea->setFrameShape(QFrame::NoFrame);
    m_itemArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_itemArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_itemArea->setFocusPolicy(Qt::NoFocus);
    m_itemArea->viewport()->setAutoFillBackground(false);
    m_itemStrip = new QWidget;
    m_itemStrip->setObjectName(QStringLiteral("itemStrip"));
    m_itemStrip->setAutoFillBackground(false);
    m_itemArea->setWidget(m_itemStrip);
    m_itemArea->setWidgetResizable(false);

    // Item buttons 1 to 10 are copies of item button 0.
    QFont itemFont;
    itemFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                          QStringLiteral("DejaVu Sans")});
    itemFont.setPointSize(9);
    for (int k = 0; k < layout::kItemButtonCount; ++k) {
        auto* button = new QToolButton(m_itemStrip);
        button->setObjectName(QStringLiteral("fltSubMenu_%1").arg(k));
        button->setFocusPolicy(Qt::StrongFocus);
        button->installEventFilter(this);
        button->setProperty("item", true);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setIconSize(QSize(32, 32));
        button->setFont(itemFont);
        button->setCursor(Qt::PointingHandCursor);
        button->hide();
        connect(button, &QToolButton::clicked, this, [this, k] { fltSubMenu_Click(k); });
        m_fltSubMenu.push_back(button);
    }

    m_imgSplitter = new SplitterGrip(this);
    m_imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    m_imgSplitter->setCursor(Qt::SplitHCursor);
    m_imgSplitter->setAttribute(Qt::WA_StyledBackground);
    connect(m_imgSplitter, &SplitterGrip::pressed, this, &frmMain::imgSplitter_MouseDown);
    connect(m_imgSplitter, &SplitterGrip::moved, this, &frmMain::imgSplitter_MouseMove);
    connect(m_imgSplitter, &SplitterGrip::released, this, &frmMain::imgSplitter_MouseUp);

    m_picSplitter = new QFrame(this);
    m_picSplitter->setObjectName(QStringLiteral("picSplitter"));
    m_picSplitter->hide();

    m_image1 = new PictureBox(this);
    m_image1->setObjectName(QStringLiteral("Image1"));

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    m_statusPanel = new QLabel(m_statusBar);
    m_statusPanel->setObjectName(QStringLiteral("StatusBar1_Panel1"));
    m_statusBar->addWidget(m_statusPanel, 1);
    m_statusPanel->setText(statusBarText(gCurrentUser->employeename(), gCurrentUser->ServerName()));

    const QString picturePath = pictureFolder.isEmpty() ? programFile(QStringLiteral("Reports.Jpg"))
                                                        : pictureFolder + QStringLiteral("/Reports.Jpg");
    QPixmap picture;
    if (!QFileInfo::exists(picturePath) || !picture.load(picturePath, "JPG"))
        throw std::runtime_error(
            QStringLiteral("The picture %1 is missing or unreadable.").arg(picturePath).toStdString());
    m_image1->setPicture(picture);

    resize(1000, 640);
    m_cmdMainMenu.front()->click();
}

void frmMain::BuildCategoryButtons()
{
    const auto categories = reportCategories();
    const std::vector<int> tops = layout::buildCategoryButtons(int(categories.size()), kCategoryButtonHeight);
    for (size_t i = 0; i < categories.size(); ++i) {
        auto* button = new QPushButton(QString::fromLatin1(categories[i].caption), m_picMainMenu);
        button->setObjectName(QStringLiteral("cmdMainMenu_%1").arg(i));
        button->setProperty("category", true);
        button->setFocusPolicy(Qt::TabFocus);
        button->installEventFilter(this);
        button->move(px(kCategoryButtonLeft), px(tops[i]));
        button->show();
        const int index = int(i);
        connect(button, &QPushButton::clicked, this, [this, index] { cmdMainMenu_Click(index); });
        m_cmdMainMenu.push_back(button);
    }
}

void frmMain::cmdMainMenu_Click(int index)
{
    if (index < 0 || index >= int(m_cmdMainMenu.size()))
        return;
    m_selected = index;
    for (size_t i = 0; i < m_cmdMainMenu.size(); ++i) {
        QPushButton* button = m_cmdMainMenu[i];
        button->setProperty("selected", int(i) == index);
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
    ArrangeCategoryButtons();
    ShowCategoryItems();
    orderTabs();
}

void frmMain::orderTabs()
{
    // Tab goes down the menu as it shows: the categories up to the open one, its items, then
    // the categories below them.
    std::vector<QWidget*> chain;
    for (int i = 0; i <= m_selected; ++i)
        chain.push_back(m_cmdMainMenu[size_t(i)]);
    for (int k = 0; k < m_itemCount; ++k)
        chain.push_back(m_fltSubMenu[size_t(k)]);
    for (size_t i = size_t(m_selected) + 1; i < m_cmdMainMenu.size(); ++i)
        chain.push_back(m_cmdMainMenu[i]);
    for (size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void frmMain::focusInEvent(QFocusEvent* event)
{
    // The menu itself takes no keys: its open category's first item does.
    QWidget::focusInEvent(event);
    if (m_itemCount > 0)
        m_fltSubMenu.front()->setFocus(event->reason());
    else
        m_cmdMainMenu[size_t(m_selected)]->setFocus(event->reason());
}

void frmMain::ArrangeCategoryButtons()
{
    const std::vector<int> tops = layout::arrangeCategoryButtons(
        m_selected, int(m_cmdMainMenu.size()), kCategoryButtonHeight, 0, paneHeightTwips());
    for (size_t i = 0; i < m_cmdMainMenu.size(); ++i)
        m_cmdMainMenu[i]->move(px(kCategoryButtonLeft), px(tops[i]));
}

void frmMain::ShowCategoryItems()
{
    m_basePicture = reportCategories()[size_t(m_selected)].basePicture;
    std::vector<QString> captions;
    for (const ReportItem& item : itemsOfCategory(m_selected))
        captions.push_back(QString::fromLatin1(item.caption));
    BuildItemButtons(captions);
}

void frmMain::BuildItemButtons(const std::vector<QString>& captions)
{
    const QPushButton* selected = m_cmdMainMenu[size_t(m_selected)];
    const std::vector<int> tops = layout::buildItemButtons(
        pixelsToTwips(selected->y()), kCategoryButtonHeight, int(captions.size()), kItemButtonHeight);
    m_itemCount = int(tops.size());
    const int width = px(layout::sizeControls(m_paneWidth, windowWidthTwips(), kGripWidth, 0,
                                              paneHeightTwips())
                             .itemButtonWidth);
    // The strip starts where the first item does and ends above the next category button
    // (or the pane's bottom margin); the items keep their places in it.
    const int stripTop = tops.empty() ? selected->y() + selected->height() : px(tops.front());
    int stripBottom = m_picMainMenu->height() - px(layout::kBottomGap);
    if (m_selected + 1 < int(m_cmdMainMenu.size()))
        stripBottom = m_cmdMainMenu[size_t(m_selected + 1)]->y();
    const int contentHeight = tops.empty() ? 0 : px(tops.back()) + px(kItemButtonHeight) - stripTop;
    const int viewHeight = std::max(0, std::min(contentHeight, stripBottom - stripTop));
    const bool scrolls = contentHeight > viewHeight;
    const int scrollBar = scrolls ? m_itemArea->verticalScrollBar()->sizeHint().width() : 0;
    const int buttonWidth = std::max(1, std::min(width, m_picMainMenu->width() - px(kItemButtonLeft) - scrollBar));
    m_itemArea->setGeometry(px(kItemButtonLeft), stripTop, buttonWidth + scrollBar, viewHeight);
    m_itemStrip->resize(buttonWidth, std::max(contentHeight, 1));
    for (int k = 0; k < layout::kItemButtonCount; ++k) {
        QToolButton* button = m_fltSubMenu[size_t(k)];
        if (k >= m_itemCount) {
            button->hide();
            continue;
        }
        button->setText(captions[size_t(k)]);
        button->setIcon(QIcon(bigPicturePath(m_basePicture + k)));
        button->setGeometry(0, px(tops[size_t(k)]) - stripTop, buttonWidth, px(kItemButtonHeight));
        button->show();
    }
    m_itemArea->setVisible(m_itemCount > 0);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    // The menu by keyboard: Enter opens the focused item (or category), the arrows move
    // between the items of the open category.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            button->click();
            return true;
        }
        const auto item = std::find(m_fltSubMenu.begin(), m_fltSubMenu.end(), watched);
        if (item != m_fltSubMenu.end() && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
            const int k = int(item - m_fltSubMenu.begin()) + (key->key() == Qt::Key_Down ? 1 : -1);
            if (k >= 0 && k < m_itemCount)
                m_fltSubMenu[size_t(k)]->setFocus(Qt::TabFocusReason);
            return true;
        }
    } else if (event->type() == QEvent::FocusIn) {
        if (auto* item = qobject_cast<QWidget*>(watched); item && item->parentWidget() == m_itemStrip)
            m_itemArea->ensureWidgetVisible(item, 0, 4);
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::fltSubMenu_Click(int index)
{
    OpenReportItem(m_selected, index);
}

void frmMain::OpenReportItem(int category, int item)
{
    const std::optional<ReportItem> entry = findReportItem(category, item);
    if (!entry)
        return;
    // A dialog that fails to load stops here, at the edge of the click.
    try {
        std::optional<QString> reportType;
        if (entry->reportType)
            reportType = QString::fromLatin1(entry->reportType);
        m_dialogs.open(QString::fromLatin1(entry->form), reportType);
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QString::fromLatin1(kProgramTitle), QString::fromUtf8(e.what()));
    }
}

int frmMain::windowWidthTwips() const
{
    return pixelsToTwips(width());
}

int frmMain::paneHeightTwips() const
{
    return pixelsToTwips(std::max(height() - m_statusBar->sizeHint().height(), 0));
}

void frmMain::SizeControls(int paneWidth)
{
    m_paneWidth = layout::sizeControls(paneWidth, windowWidthTwips(), kGripWidth, 0, paneHeightTwips())
                      .paneWidth;
    applyGeometry();
}

void frmMain::applyGeometry()
{
    const int paneHeight = paneHeightTwips();
    const layout::PaneSizes s =
        layout::sizeControls(m_paneWidth, windowWidthTwips(), kGripWidth, 0, paneHeight);
    m_picMainMenu->setGeometry(0, 0, px(s.paneWidth), px(paneHeight));
    for (QPushButton* button : m_cmdMainMenu)
        button->resize(px(s.categoryButtonWidth), px(kCategoryButtonHeight));
    m_imgSplitter->setGeometry(px(s.gripLeft), px(s.gripTop), px(kGripWidth), px(s.gripHeight));
    m_image1->setGeometry(px(s.imageLeft), 0, px(s.imageWidth), px(paneHeight));
    const int statusHeight = m_statusBar->sizeHint().height();
    m_statusBar->setGeometry(0, height() - statusHeight, width(), statusHeight);
    ArrangeCategoryButtons();
    ShowCategoryItems();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyGeometry();
}

void frmMain::imgSplitter_MouseDown(int)
{
    m_barLeft = pixelsToTwips(m_imgSplitter->x());
    const int gripHeight = pixelsToTwips(m_imgSplitter->height());
    m_picSplitter->setGeometry(px(m_barLeft), m_imgSplitter->y(), px(kGripWidth / 2),
                               px(gripHeight - 20));
    m_picSplitter->show();
    m_picSplitter->raise();
    m_dragging = true;
}

void frmMain::imgSplitter_MouseMove(int x)
{
    if (!m_dragging)
        return;
    m_barLeft = layout::clampSplitterDrag(pixelsToTwips(m_imgSplitter->x()) + pixelsToTwips(x),
                                          windowWidthTwips());
    m_picSplitter->move(px(m_barLeft), m_picSplitter->y());
}

void frmMain::imgSplitter_MouseUp(int)
{
    if (!m_dragging)
        return;
    SizeControls(m_barLeft);
    m_picSplitter->hide();
    m_dragging = false;
}

} // namespace tarvik::shell
