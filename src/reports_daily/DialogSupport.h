#pragma once

// What the end-of-day dialogs share: the date picker, the error message, the run hooks that
// close a dialog, and the report-date layout of two of them.

#include "DailyReports.h"
#include "DialogRegistry.h"

#include <QDialog>
#include <QString>
#include <array>
#include <functional>

class QDateEdit;
class QLabel;
class QPushButton;

namespace tarvik::daily {

// A date picker named dtpReportDate: "MM/dd/yyyy", the server's day as its value and as the
// latest day it offers.
QDateEdit* makeReportDatePicker(QWidget* parent);

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
    void produced(const QString& caption) override { m_base.produced(caption); }

private:
    RunUi& m_base;
    std::function<void()> m_unload;
};

// The report-date dialog layout: Label1 "Report Date", dtpReportDate, cmdOptions(0) "&OK"
// (Enter) and cmdOptions(1) "&Cancel" (Esc). OK runs the report and closes the dialog; a
// failure shows its description and leaves the dialog open with its date. The dialog is
// destroyed when it closes, which forgets its ReportType.
class ReportDateDialog : public QDialog, public shell::ReportTypeDialog
{
    Q_OBJECT
public:
    explicit ReportDateDialog(const QString& formName, QWidget* parent = nullptr);
    ~ReportDateDialog() override;

    void setReportType(const QString& reportType) override;
    QString reportType() const { return m_reportType; }

    QLabel* Label1 = nullptr;
    QDateEdit* dtpReportDate = nullptr;
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

} // namespace tarvik::daily
