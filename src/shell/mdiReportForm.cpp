#include "mdiReportForm.h"

#include "frmRunHistory.h"

#include "DialogRegistry.h"
#include "PageSetup.h"
#include "Session.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QStyle>
#include <QCloseEvent>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QToolBar>

namespace tarvik::shell {

namespace {

struct ToolbarButton
{
    const char* key;
    const char* tooltip;
    const char* picture;
};

constexpr ToolbarButton kToolbarButtons[] = {
    {"EndOfDay", "Shows the options for the End Of Day Reports", "Daily"},
    {"AfterEOM", "Shows the options for the reports AFTER END OF MONTH", "Monthly"},
    {"EndOfYear", "Shows the Options for YEARLY REPORTS", "Yearly"},
    {nullptr, nullptr, nullptr}, // separator
    {"Exit", "QUITS the system", "Exit"},
};

QIcon toolbarPicture(const char* key)
{
    return QIcon(QStringLiteral(":/tarvik/pictures/toolbar/%1.png").arg(QLatin1String(key)));
}

} // namespace

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/tarvik/icons/tarvik-reports-%1.png").arg(size), QSize(size, size));
    return icon;
}

bool askCloseProgram(QWidget* parent)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Message"),
                    QStringLiteral("Are you sure you wish to Close the Program?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("msgCloseProgram"));
    return box.exec() == QMessageBox::Yes;
}

mdiReportForm::mdiReportForm(DialogRegistry& dialogs, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("mdiReportForm"));
    setWindowTitle(QStringLiteral("Tarvik - Reports"));
    // Every window of the program without an icon of its own (dialogs, viewers) takes it.
    QApplication::setWindowIcon(programIcon());
    setWindowIcon(programIcon());
    resize(1200, 780);
    m_dialogs.setParentWidget(this);

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The report menu is maximized: other windows keep their own size when they are activated.
    m_mdi->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    setCentralWidget(m_mdi);

    // Menus.
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* pageSetup = file->addAction(QStringLiteral("&Page Setup"));
    pageSetup->setObjectName(QStringLiteral("mnuPageSetup"));
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(pageSetup, &QAction::triggered, this, &mdiReportForm::mnuPageSetup_Click);
    connect(exit, &QAction::triggered, this, &mdiReportForm::mnuExit_Click);

    m_windowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    m_windowMenu->setObjectName(QStringLiteral("mnuWindow"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &mdiReportForm::updateWindowMenu);
    updateWindowMenu();

    // Toolbar.
    m_toolbar = addToolBar(QStringLiteral("Toolbar"));
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setMovable(false);
    m_toolbar->setIconSize(QSize(32, 32));
    for (const ToolbarButton& button : kToolbarButtons) {
        if (!button.key) {
            m_toolbar->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(button.key);
        QAction* action = m_toolbar->addAction(toolbarPicture(button.picture), key);
        action->setObjectName(key);
        action->setToolTip(QString::fromLatin1(button.tooltip));
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    }

    // The report menu is maximised whenever it becomes the active child.
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (window && window == m_mainWindow && !window->isMaximized())
            window->showMaximized();
    });

    // Load: the report menu, as a child window.
    m_main = new frmMain(m_dialogs);
    m_mainWindow = m_mdi->addSubWindow(m_main);
    m_mainWindow->setObjectName(QStringLiteral("frmMainWindow"));
    // Closing the report menu only hides it: the frame shows it again when it stays open.
    m_mainWindow->setAttribute(Qt::WA_DeleteOnClose, false);
    m_mainWindow->setWindowIcon(programIcon());
    m_mainWindow->showMaximized();
}

mdiReportForm::~mdiReportForm() = default;

QMdiSubWindow* mdiReportForm::addChildWindow(QWidget* child)
{
    QMdiSubWindow* window = m_mdi->addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

void mdiReportForm::Toolbar1_ButtonClick(const QString& key)
{
    // Errors of the batch dialogs' loading stop here, at the edge of the click.
    try {
        if (key == QLatin1String("EndOfDay"))
            m_dialogs.open(QStringLiteral("frmEndOfDay"));
        else if (key == QLatin1String("AfterEOM"))
            m_dialogs.open(QStringLiteral("frmReportAfterEOM"));
        else if (key == QLatin1String("EndOfYear"))
            m_dialogs.open(QStringLiteral("frmReportYearEnd"));
        else if (key == QLatin1String("Exit"))
            close();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QString::fromLatin1(kProgramTitle),
                              QString::fromUtf8(e.what()));
    }
}

void mdiReportForm::cascadeWindows()
{
    // Qt's own cascade shrinks each window to its smallest size: a viewer a few lines high.
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::StackingOrder))
        if (window->isVisible() && window != m_mainWindow)
            windows << window;
    if (windows.isEmpty())
        return;
    const QSize room = m_mdi->viewport()->size();
    const int step = std::max(20, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, windows.front()) + 4);
    const QSize size(std::min(room.width(), std::max(room.width() * 3 / 4, 640)),
                     std::min(room.height(), std::max(room.height() * 3 / 4, 420)));
    // As many steps as fit before a window would leave the area; then from the top again.
    const int fit = std::max(1, std::min((room.width() - size.width()) / step, (room.height() - size.height()) / step) + 1);
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        if (window->isMaximized() || window->isMinimized())
            window->showNormal();
        const int offset = (i % fit) * step;
        window->setGeometry(offset, offset, size.width(), size.height());
        window->raise();
    }
    if (active && windows.contains(active))
        m_mdi->setActiveSubWindow(active);
    else
        m_mdi->setActiveSubWindow(windows.back());
}

void mdiReportForm::mnuPageSetup_Click()
{
    runPageSetup(this);
}

void mdiReportForm::mnuExit_Click()
{
    close();
}

void mdiReportForm::closeEvent(QCloseEvent* event)
{
    if (askCloseProgram(this)) {
        m_dialogs.closeAll();
        event->accept();
        return;
    }
    event->ignore();
    showMainMenu();
}

void mdiReportForm::showMainMenu()
{
    if (!m_mainWindow)
        return;
    // Closing the child closed the menu inside it too.
    m_main->show();
    m_mainWindow->showMaximized();
    m_mdi->setActiveSubWindow(m_mainWindow);
}

void mdiReportForm::mnuRunHistory_Click()
{
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (auto* open = qobject_cast<frmRunHistory*>(window->widget())) {
            open->refresh();
            m_mdi->setActiveSubWindow(window);
            return;
        }
    }
    auto* form = new frmRunHistory;
    form->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* window = addChildWindow(form);
    window->resize(1000, 480);
    window->show();
}

void mdiReportForm::updateWindowMenu()
{
    m_windowMenu->clear();
    QAction* cascade = m_windowMenu->addAction(QStringLiteral("&Cascade"));
    cascade->setObjectName(QStringLiteral("mnuCascade"));
    connect(cascade, &QAction::triggered, this, &mdiReportForm::cascadeWindows);
    QAction* tile = m_windowMenu->addAction(QStringLiteral("&Tile"));
    tile->setObjectName(QStringLiteral("mnuTile"));
    connect(tile, &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);
    m_windowMenu->addSeparator();
    QAction* history = m_windowMenu->addAction(QStringLiteral("Run &History"));
    history->setObjectName(QStringLiteral("mnuRunHistory"));
    connect(history, &QAction::triggered, this, &mdiReportForm::mnuRunHistory_Click);

    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    bool separated = false;
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        if (!window->isVisible())
            continue;
        if (!separated) {
            m_windowMenu->addSeparator();
            separated = true;
        }
        ++number;
        const QString title = window->windowTitle();
        const QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                         : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction* action = m_windowMenu->addAction(text);
        action->setObjectName(QStringLiteral("mnuWindowList_%1").arg(number - 1));
        action->setCheckable(true);
        action->setChecked(window == m_mdi->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, window = QPointer<QMdiSubWindow>(window)] {
            if (window)
                m_mdi->setActiveSubWindow(window);
        });
    }
}

} // namespace tarvik::shell
