#pragma once
// The login window: draws LoginForm and forwards its buttons.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

#include "app/login_form.h"
#include "qt/qt_port.h"

namespace zivron::qt {

class LoginWindow : public QDialog {
  public:
    explicit LoginWindow(QtPort& port);
    LoginForm& form() { return form_; }
    QLineEdit* user() const { return user_; }
    QLineEdit* password() const { return password_; }
    QCheckBox* save() const { return save_; }
    void Login();

  private:
    QtPort& port_;
    LoginForm form_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* save_;
};

}  // namespace zivron::qt
