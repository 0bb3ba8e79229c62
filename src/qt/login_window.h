#pragma once
// The login window: the e-mail, the password and "keep my details", handed to the session's
// login.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

#include "app/session.h"
#include "qt/qt_port.h"

namespace zivron::qt {

class LoginWindow : public QDialog {
  public:
    LoginWindow(QtPort& port, Session& session);
    QLineEdit* email() const { return email_; }
    QLineEdit* password() const { return password_; }
    QCheckBox* remember() const { return remember_; }
    void LogIn();

  private:
    QtPort& port_;
    Session& session_;
    QLineEdit* email_;
    QLineEdit* password_;
    QCheckBox* remember_;
};

}  // namespace zivron::qt
