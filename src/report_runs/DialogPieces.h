#pragma once

// The pieces every report dialog is made of: the date (or month, or year) picker that stops at
// the server's day, the message box of a failed run, the run hooks that close a dialog, the
// one-picker dialog with OK and Cancel, and the batch dialog with its check boxes, ticked count,
// Select All, Print, View and Close.

#include "DialogRegistry.h"
#include "ReportRuns.h"

#include <QDateEdit>
#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace tarvik::runs {

// A date (or month, or year) picker that starts at the server's day and offers no later day:
// its calendar ends there and stepping stops there. A date is typed as a person types it,
// whatever day it passes through on the way; one typed past the server's day stays as typed
// and is refused when the dialog runs (checkPicked), never quietly changed into another.
class ServerDayPicker : public QDateEdit
{
    Q_OBJECT
    Q_PROPERTY(QDate latestDate READ latestDate)
public:
    ServerDayPicker(const QDate& latest, QWidget* parent = nullptr);

    QDate latestDate() const { return m_latest; }
    // The refusal of the picked date, or an empty text when it may be run.
    QString refusal() const;

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The edit hands its own range to its calendar whenever it shows it or its date changes.
    void limitCalendar();

    QDate m_latest;
    bool m_advanced = false; // the last digit filled its section and moved on to the next
    QString m_dayDigits;     // the digits typed into the day section since it was entered
    int m_typedDay = 0;      // a day typed that the month then shown does not have (29 in February)
};

// A picker with the server's day as its value and as the latest day it offers.
// format: "MM/dd/yyyy", "MM/yyyy", "yyyy/MM" or "yyyy".
ServerDayPicker* makeDatePicker(const QString& objectName, const QString& format, QWidget* parent);

// The report-date picker, dtpReportDate in "MM/dd/yyyy".
ServerDayPicker* makeReportDatePicker(QWidget* parent);

// Throws std::runtime_error with a message for a person when the picker holds a date after
// the server's day (typed past it); any other picker passes.
void checkPicked(const QDateEdit* picker);

// The message box of a failed run: the error's description as its only text, an OK button,
// the program's title. Returns when the user closed it.
void showRunError(QWidget* parent, const QString& description);

// The interactive hooks, with the dialog's own unload at the point the run asks for it.
class DialogRunUi final : public RunUi
{
public:
    explicit DialogRunUi(std::function<void()> unload, RunUi& base = interactiveUi())
        : m_base(base), m_unload(std::move(unload))
    {
    }
    void setBusy(bool busy) override { m_base.setBusy(busy); }
    void openProgress() override { m_base.openProgress(); }
    void closeProgress() override { m_base.closeProgress(); }
    void showReport(bool showGroupTree, const QString& caption, bool directPrint, bool modal) override
    {
        m_base.showReport(showGroupTree, caption, directPrint, modal);
    }
    void unloadDialog() override
    {
        if (m_unload)
            m_unload();
    }
    void starting(int index, int count, const QString& what) override { m_base.starting(index, count, what); }
    void batchEnded() override { m_base.batchEnded(); }
    void produced(const QString& caption) override { m_base.produced(caption); }

private:
    RunUi& m_base;
    std::function<void()> m_unload;
};

// A dialog with one picker and OK (Enter) and Cancel (Esc) as cmdOptions(0) and (1):
// Label1, the picker, the two buttons. OK runs the report of the ReportType and closes the
// dialog; a failure shows its description and leaves the dialog open with its value. The
// dialog is destroyed when it closes, which forgets its ReportType.
class PickerDialog : public QDialog, public shell::ReportTypeDialog
{
    Q_OBJECT
public:
    struct Layout
    {
        QString formName;      // the dialog's object name
        QString caption;       // the window's, until a ReportType gives it its own
        QString label;         // Label1's text
        QString pickerName;    // "dtpReportDate", "dtpReportMonth"
        QString pickerFormat;  // the picker's display format
    };
    PickerDialog(const Layout& layout, QWidget* parent = nullptr);
    ~PickerDialog() override;

    void setReportType(const QString& reportType) override;
    QString reportType() const { return m_reportType; }

    QLabel* Label1 = nullptr;
    ServerDayPicker* picker = nullptr;
    std::array<QPushButton*, 2> cmdOptions{};

protected:
    // The window caption for a ReportType.
    virtual QString captionFor(const QString& reportType) const = 0;
    // Produces the report of the ReportType for the picked date; throws on failure.
    virtual void runReport() = 0;

private:
    void cmdOptions_Click(int index);

    QString m_reportType;
};

// Where a batch dialog's check box sits: its grid cell in the boxes' frame.
struct BoxPlace
{
    int box;
    int row;
    int column;
};

// A batch dialog: a heading (Label2), Label1 and the picker, the check boxes chkOption(i) in a
// frame, and cmdSelectAll, cmdOK(0) "&Print", cmdOK(1) "&View" and cmdCancel "&Close". The
// click handler keeps the ticked count and enables Print and View while it is above 0; no
// button answers Enter, so a batch cannot start by accident. A completed batch closes the
// dialog; a failed one shows the error and leaves the dialog open with its choices.
class BatchDialog : public QDialog
{
    Q_OBJECT
public:
    struct Layout
    {
        QString formName;
        QString caption;       // the window's
        QString heading;       // Label2's
        bool shadowedHeading = false; // a second heading label behind it, offset as a shadow
        QString label;         // Label1's
        QString pickerName;
        QString pickerFormat;
        std::vector<QString> boxCaptions; // by box index
        std::vector<BoxPlace> places;     // every box's place
    };
    BatchDialog(const Layout& layout, QWidget* parent = nullptr);
    ~BatchDialog() override;

    // The number of ticked boxes, as the click handler keeps it.
    int tickedCount() const { return m_tickedCount; }
    std::vector<bool> tickedBoxes() const;

    std::vector<QLabel*> Label2;  // the heading, and its shadow where the layout has one
    QLabel* Label1 = nullptr;
    ServerDayPicker* picker = nullptr;
    std::vector<QCheckBox*> chkOption;
    QPushButton* cmdSelectAll = nullptr;
    std::array<QPushButton*, 2> cmdOK{};
    QPushButton* cmdCancel = nullptr;

protected:
    // Runs the ticked boxes for the picked date; Print when directPrint.
    virtual BatchResult runTicked(bool directPrint) = 0;

private:
    void chkOption_Click(int index, bool ticked);
    void cmdSelectAll_Click();
    void cmdOK_Click(int index);

    int m_tickedCount = 0;
};

} // namespace tarvik::runs
