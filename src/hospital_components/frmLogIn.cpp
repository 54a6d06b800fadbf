#include "frmLogIn.h"

#include "DataLocation.h"
#include "clsCurrentUser.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvik::hospital {

frmLogIn::frmLogIn(clsCurrentUser& user, QWidget* parent)
    : QDialog(parent), m_user(user)
{
    setObjectName(QStringLiteral("frmLogIn"));
    setWindowTitle(QStringLiteral("Log In"));
    setModal(true);

    auto* heading = new QLabel(QStringLiteral("Log in to use the reports."), this);
    heading->setObjectName(QStringLiteral("lblHeading"));

    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("txtUserName"));
    m_userName->setMaxLength(64);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(256);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&User name:"), m_userName);
    form->addRow(QStringLiteral("&Password:"), m_password);

    auto* location = new QLabel(describeLocation(m_user.connectionInfo()), this);
    location->setObjectName(QStringLiteral("lblDatabase"));
    location->setWordWrap(true);
    QPalette dim = location->palette();
    dim.setColor(QPalette::WindowText, dim.color(QPalette::PlaceholderText));
    location->setPalette(dim);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("lblMessage"));
    m_message->setWordWrap(true);
    QPalette red = m_message->palette();
    red.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x20));
    m_message->setPalette(red);
    m_message->hide();

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(form);
    layout->addWidget(location);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    setMinimumWidth(360);

    // The button box would accept on its own; the log-in decides instead.
    connect(m_ok, &QPushButton::clicked, this, &frmLogIn::cmdOK_Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmLogIn::cmdOK_Click()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString refusal = m_user.LogIn(m_userName->text(), m_password->text());
    QApplication::restoreOverrideCursor();
    if (refusal.isEmpty()) {
        accept();
        return;
    }
    m_message->setText(refusal);
    m_message->show();
    m_password->clear();
    if (m_userName->text().trimmed().isEmpty())
        m_userName->setFocus();
    else
        m_password->setFocus();
}

} // namespace tarvik::hospital
