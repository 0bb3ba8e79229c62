#include "qt/login_window.h"

#include "app/texts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>

namespace zivron::qt {

LoginWindow::LoginWindow(QtPort& port, Session& session) : port_(port), session_(session) {
    setLayoutDirection(Qt::RightToLeft);
    setWindowTitle(texts::kLoginTitle);
    email_ = new QLineEdit;
    email_->setObjectName("Email");
    password_ = new QLineEdit;
    password_->setObjectName("Password");
    password_->setEchoMode(QLineEdit::Password);
    remember_ = new QCheckBox(texts::kRememberCaption);
    remember_->setObjectName("Remember");
    auto* ok = new QPushButton(texts::kLogInButton);
    ok->setObjectName("LogIn");
    ok->setDefault(true);  // Enter logs in from either box; Escape cancels, as a dialog does
    auto* cancel = new QPushButton(texts::kExitButton);
    cancel->setObjectName("Exit");
    cancel->setAutoDefault(false);
    auto* form = new QFormLayout(this);
    form->addRow(texts::kEmailCaption, email_);
    form->addRow(texts::kPasswordCaption, password_);
    form->addRow(remember_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    form->addRow(buttons);
    connect(ok, &QPushButton::clicked, this, &LoginWindow::LogIn);
    connect(cancel, &QPushButton::clicked, this, [this] {
        reject();
        session_.Exit();
    });
    // Wide enough for the whole title.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
    port_.SetWindow(this);
    if (session_.login_store != nullptr) {
        const std::optional<LoginDetails> saved = session_.login_store->Load();
        if (saved) {
            email_->setText(QString::fromStdString(saved->email));
            password_->setText(QString::fromStdString(saved->password));
            remember_->setChecked(saved->remember);
        }
    }
}

void LoginWindow::LogIn() {
    Status s = session_.LogIn(
        {email_->text().toStdString(), password_->text().toStdString(), remember_->isChecked()});
    if (s) {
        accept();
    } else if (s.error().code != ErrorCode::Cancelled) {
        port_.MessageBox(s.error().message, kProgramTitle, Buttons::Ok);
    }
}

}  // namespace zivron::qt
