#pragma once
// The login's details kept on the desktop: the e-mail in the program's settings (QSettings, in
// the user's configuration folder), the password in the system keyring through QtKeychain
// (the Secret Service, gnome-keyring or KWallet), never in a file of ours.

#include <QString>

#include "app/login_store.h"

namespace zivron::qt {

class KeyringLoginStore : public LoginStore {
  public:
    std::optional<LoginDetails> Load() override;
    Status Keep(const LoginDetails& details) override;
    void Forget() override;

  private:
    // The keyring's answer to a job: its error text, empty when it did what was asked.
    QString ReadPassword(const QString& email, QString& password);
    QString WritePassword(const QString& email, const QString& password);
    void DeletePassword(const QString& email);
};

}  // namespace zivron::qt
