#include "qt/login_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>

namespace zivron::qt {

LoginWindow::LoginWindow(QtPort& port) : port_(port), form_(port) {
    setLayoutDirection(Qt::RightToLeft);
    setWindowTitle(LoginForm::kCaption);
    user_ = new QLineEdit;
    user_->setObjectName("txtUserName");
    password_ = new QLineEdit;
    password_->setObjectName("txtPassword");
    password_->setEchoMode(QLineEdit::Password);
    save_ = new QCheckBox("שמור פרטים");
    auto* ok = new QPushButton("כניסה");
    ok->setObjectName("cmdOK");
    ok->setDefault(true);  // Enter logs in from either box; Escape cancels, as a dialog does
    auto* cancel = new QPushButton("יציאה");
    cancel->setObjectName("cmdCancel");
    cancel->setAutoDefault(false);
    auto* form = new QFormLayout(this);
    form->addRow("הקלד מייל", user_);
    form->addRow("הקלד סיסמה", password_);
    form->addRow(save_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    form->addRow(buttons);
    connect(ok, &QPushButton::clicked, this, &LoginWindow::Login);

    connect(cancel, &QPushButton::clicked, this, [this] {
        reject();
        form_.cmdCancel_Click();
    });
    // Wide enough for the whole title.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
    port_.SetWindow(this);
    form_.Form_Load();
    user_->setText(QString::fromStdString(form_.txtUserName));
    password_->setText(QString::fromStdString(form_.txtPassword));
    save_->setChecked(form_.Check1.Ticked());
}

void LoginWindow::Login() {
    form_.txtUserName = user_->text().toStdString();
    form_.txtPassword = password_->text().toStdString();
    form_.Check1.value = save_->isChecked() ? 1 : 0;
    form_.cmdOK_Click();
    if (form_.main_window) {
        accept();
    }
}

}  // namespace zivron::qt
