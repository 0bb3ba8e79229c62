#include "qt/keyring_login_store.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QSettings>
#include "app/texts.h"

namespace zivron::qt {
namespace {

const QString kService = QStringLiteral("zivron");
const QString kEmailKey = QStringLiteral("login/email");
// Set once the operator was told that no keyring keeps the password: said once, not at every
// login.
const QString kNoKeyringToldKey = QStringLiteral("login/no_keyring_told");

// A keyring job run to its end: QtKeychain answers through the event loop.
void RunToEnd(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

}  // namespace

QString KeyringLoginStore::ReadPassword(const QString& email, QString& password) {
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(email);
    RunToEnd(job);
    password = job.error() == QKeychain::NoError ? job.textData() : QString();
    return job.error() == QKeychain::NoError ? QString() : job.errorString();
}

QString KeyringLoginStore::WritePassword(const QString& email, const QString& password) {
    QKeychain::WritePasswordJob job(kService);
    job.setKey(email);
    job.setTextData(password);
    RunToEnd(job);
    return job.error() == QKeychain::NoError ? QString() : job.errorString();
}

void KeyringLoginStore::DeletePassword(const QString& email) {
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(email);
    RunToEnd(job);
}

std::optional<LoginDetails> KeyringLoginStore::Load() {
    const QString email = QSettings().value(kEmailKey).toString();
    if (email.isEmpty()) {
        return std::nullopt;
    }
    QString password;
    (void)ReadPassword(email, password);
    return LoginDetails{email.toStdString(), password.toStdString(), true};
}

Status KeyringLoginStore::Keep(const LoginDetails& details) {
    QSettings settings;
    const QString email = QString::fromStdString(details.email);
    const QString before = settings.value(kEmailKey).toString();
    if (!before.isEmpty() && before != email) {
        DeletePassword(before);
    }
    settings.setValue(kEmailKey, email);
    if (WritePassword(email, QString::fromStdString(details.password)).isEmpty()) {
        return Ok();
    }
    if (settings.value(kNoKeyringToldKey).toBool()) {
        return Ok();  // told once already; the e-mail is kept, the password typed each time
    }
    settings.setValue(kNoKeyringToldKey, true);
    return Error{ErrorCode::IoFailure, texts::kNoKeyring};
}

void KeyringLoginStore::Forget() {
    QSettings settings;
    const QString email = settings.value(kEmailKey).toString();
    if (!email.isEmpty()) {
        DeletePassword(email);
    }
    settings.remove(kEmailKey);
}

}  // namespace zivron::qt
