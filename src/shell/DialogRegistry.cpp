#include "DialogRegistry.h"

#include <QVariant>

namespace tarvik::shell {

void DialogRegistry::add(const QString& formName, Factory factory)
{
    m_factories.insert(formName, std::move(factory));
}

bool DialogRegistry::contains(const QString& formName) const
{
    return m_factories.contains(formName);
}

QStringList DialogRegistry::formNames() const
{
    QStringList names = m_factories.keys();
    names.sort();
    return names;
}

QWidget* DialogRegistry::instance(const QString& formName) const
{
    return m_instances.value(formName).data();
}

QWidget* DialogRegistry::open(const QString& formName, const std::optional<QString>& reportType)
{
    const auto factory = m_factories.constFind(formName);
    if (factory == m_factories.cend() || !*factory)
        return nullptr;

    QWidget* dialog = m_instances.value(formName).data();
    if (!dialog) {
        dialog = (*factory)(m_parent.data());
        if (!dialog)
            return nullptr;
        if (dialog->objectName().isEmpty())
            dialog->setObjectName(formName);
        m_instances.insert(formName, dialog);
    }
    if (reportType)
        setReportType(dialog, *reportType);
    if (dialog->isMinimized())
        dialog->showNormal();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

void DialogRegistry::closeAll()
{
    for (const QPointer<QWidget>& dialog : std::as_const(m_instances))
        if (dialog)
            dialog->close();
}

void setReportType(QWidget* dialog, const QString& reportType)
{
    if (auto* typed = dynamic_cast<ReportTypeDialog*>(dialog)) {
        typed->setReportType(reportType);
        return;
    }
    dialog->setProperty("ReportType", reportType);
}

} // namespace tarvik::shell
