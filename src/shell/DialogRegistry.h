#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

namespace tarvik::shell {

// A dialog that serves several reports and is told which one before it is shown.
// (A dialog may instead offer a Qt property "ReportType".)
class ReportTypeDialog
{
public:
    virtual ~ReportTypeDialog() = default;
    virtual void setReportType(const QString& reportType) = 0;
};

// The report dialogs by form name. Each is a single instance shown modeless: opening one
// that is open brings it forward with the new ReportType, without loading it again.
// The dialog libraries register their forms; the shell knows none of them.
class DialogRegistry
{
public:
    // Builds the dialog (its Load); parent is the frame. The dialog may delete itself on close:
    // the next open then loads it afresh.
    using Factory = std::function<QWidget*(QWidget* parent)>;

    void add(const QString& formName, Factory factory);
    bool contains(const QString& formName) const;
    QStringList formNames() const;

    // The window the dialogs belong to (the frame).
    void setParentWidget(QWidget* parent) { m_parent = parent; }

    // Shows the dialog, loading it first when it is not loaded. Returns nullptr, and does
    // nothing, for a form nobody registered. Errors of the factory pass to the caller.
    QWidget* open(const QString& formName, const std::optional<QString>& reportType = std::nullopt);

    // The loaded instance, or nullptr.
    QWidget* instance(const QString& formName) const;

    // Closes every loaded dialog (the program is ending).
    void closeAll();

private:
    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<QWidget>> m_instances;
    QPointer<QWidget> m_parent;
};

// Gives a dialog its ReportType, through ReportTypeDialog or the "ReportType" property.
void setReportType(QWidget* dialog, const QString& reportType);

} // namespace tarvik::shell
