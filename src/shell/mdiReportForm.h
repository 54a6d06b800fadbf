#pragma once

#include <QMainWindow>
#include <QPointer>

class QIcon;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace tarvik::shell {

class DialogRegistry;
class frmMain;

// The program's frame: toolbar for the batch dialogs, File and Window menus, and the child
// windows (the report menu and the report viewers). Closing it ends the program after a question.
class mdiReportForm : public QMainWindow
{
    Q_OBJECT
public:
    // Loads the frame and shows the report menu in it. Throws when the menu cannot load.
    explicit mdiReportForm(DialogRegistry& dialogs, QWidget* parent = nullptr);
    ~mdiReportForm() override;

    QMdiArea* mdiArea() const { return m_mdi; }
    frmMain* mainMenu() const { return m_main; }

    // Adds a child window (a report viewer) to the frame.
    QMdiSubWindow* addChildWindow(QWidget* child);

    // Opens the run history as a child window (or brings the open one forward).
    void mnuRunHistory_Click();

    // A toolbar button, by its key ("EndOfDay", "AfterEOM", "EndOfYear", "Exit").
    void Toolbar1_ButtonClick(const QString& key);

    // Window > Cascade: the report windows one over the other, each offset by a title bar
    // and large enough to read a report in; the report menu stays maximized behind them.
    void cascadeWindows();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void mnuPageSetup_Click();
    void mnuExit_Click();
    void updateWindowMenu();
    void showMainMenu();

    DialogRegistry& m_dialogs;
    QMdiArea* m_mdi;
    frmMain* m_main = nullptr;
    QPointer<QMdiSubWindow> m_mainWindow;
    QToolBar* m_toolbar;
    QMenu* m_windowMenu;
};

// The program's icon, on every window of the program.
QIcon programIcon();

// The question the frame asks before it closes; a test may answer it instead of a person.
// Returns true for Yes.
bool askCloseProgram(QWidget* parent);

} // namespace tarvik::shell
