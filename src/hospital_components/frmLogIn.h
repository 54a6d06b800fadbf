#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvik::hospital {

class clsCurrentUser;

// The log-in window: user name and password. A refused log-in keeps the window open with the
// reason under the fields; Cancel closes it with nobody logged in.
class frmLogIn : public QDialog
{
    Q_OBJECT
public:
    explicit frmLogIn(clsCurrentUser& user, QWidget* parent = nullptr);

private:
    void cmdOK_Click();

    clsCurrentUser& m_user;
    QLineEdit* m_userName;
    QLineEdit* m_password;
    QLabel* m_message;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace tarvik::hospital
