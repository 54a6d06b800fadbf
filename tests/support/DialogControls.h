#pragma once

// Finding and pressing a dialog's controls by their object names, as the dialog tests do.

#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace tarvik::testsupport {

// The dialog's child of that type and name; a warning names what is missing.
template <typename T>
T* child(QWidget* dialog, const QString& name)
{
    T* found = dialog ? dialog->findChild<T*>(name) : nullptr;
    if (!found)
        qWarning("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return found;
}

// Lets queued events run and closed windows go.
inline void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline void click(QWidget* dialog, const char* name)
{
    QTest::mouseClick(child<QPushButton>(dialog, QLatin1String(name)), Qt::LeftButton);
}

} // namespace tarvik::testsupport
