// Logging in: through the service, or offline with the last good login of this computer.

#include "app/session.h"
#include "app/texts.h"
#include "core/service_pages.h"
#include "service/fetch_page.h"
#include "service/offline_files.h"
#include "service/replies.h"
#include "text/shaping.h"

namespace zivron {

void Session::KeepLoginDetails(const LoginDetails& details) {
    if (login_store == nullptr) {
        return;
    }
    if (!details.remember) {
        login_store->Forget();
    } else if (Status kept = login_store->Keep(details); !kept) {
        port_.MessageBox(kept.error().message, kProgramTitle, Buttons::Ok);
    }
}

Status Session::LogIn(const LoginDetails& details) {
    if (details.email.empty()) {
        return BadInput(texts::kTypeEmail);
    }
    if (details.password.empty()) {
        return BadInput(texts::kTypePassword);
    }
    port_.StartCommand();
    if (const std::string address = port_.ServiceInTheClear(); !address.empty()) {
        return Error{ErrorCode::Unsupported, texts::Filled(texts::kServiceInTheClear, {address})};
    }
    const std::string reply =
        port_.FetchPage(std::string(service_page::kLogin) + "?Mis=" + QueryValue(details.email) +
                        "&Sis=" + QueryValue(details.password));
    std::optional<Account> account;
    bool offline = false;
    if (reply.empty()) {
        // The service cannot be reached: the last good login on this computer may go on.
        std::optional<KnownLogin> known = LoadKnownLogin();
        TellSetAsideFiles(port_);
        if (!known || known->email != details.email ||
            !PasswordMatches(known->password_hash, details.password)) {
            return Error{ErrorCode::IoFailure, texts::kLoginTrouble};
        }
        if (port_.MessageBox(texts::kGoOffline, kProgramTitle, Buttons::OkCancel) != Answer::Ok) {
            return Error{ErrorCode::Cancelled, ""};  // the operator chose to wait
        }
        account = Account{known->account_name, known->account_number};
        offline = true;
    } else if (Trim(reply) == "busy") {
        // The service's login lane was full: the details may well be right, and stay typed.
        return Error{ErrorCode::IoFailure, texts::kServiceBusy};
    } else if (Trim(reply) == "eject") {
        return BadInput(texts::kWrongDetails);
    } else {
        // A record too short to hold the account number is no account.
        std::optional<AccountRecord> record = ParseLoginReply(reply);
        if (!record) {
            return Error{ErrorCode::Unsupported, texts::kLoginSupportCase};
        }
        account = Account{record->name, record->number};
    }
    Prepare();
    account_ = account;
    KeepLoginDetails(details);
    if (offline) {
        link_.GoOffline();
        return Ok();
    }
    // Kept for a day the service is away: the account, and a slow salted hash of the password.
    (void)SaveKnownLogin(
        {details.email, account->name, account->number, HashPassword(details.password)});
    link_.Succeeded();  // what waited in the outbox goes now
    RefreshBankEdition(port_);
    return Ok();
}

}  // namespace zivron
