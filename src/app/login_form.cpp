#include "app/login_form.h"

#include "platform/atomic_file.h"
#include "service/fetch_page.h"
#include "service/offline_files.h"
#include "service/replies.h"
#include "text/hebrew.h"
#include "text/shaping.h"

namespace zivron {
namespace {

constexpr std::size_t kUserBytes = 100;
constexpr std::size_t kPasswordBytes = 50;
constexpr std::size_t kRecordBytes = 152;

std::string Field(const std::string& text, std::size_t width) {
    std::string bytes = ToWindows1255(text);
    bytes.resize(width, ' ');
    return bytes;
}

}  // namespace

std::string EncodeSavedLogin(const SavedLogin& login) {
    std::string record = Field(login.saved ? login.user_name : "TEREM", kUserBytes) +
                         Field(login.saved ? login.password : "TEREM", kPasswordBytes);
    record += login.saved ? std::string("\xFF\xFF", 2) : std::string("\0\0", 2);
    return record;
}

bool DecodeSavedLogin(std::string_view record, DecodedLogin& out) {
    if (record.size() < kRecordBytes) {
        return false;
    }
    out.user_name = Trim(FromWindows1255(record.substr(0, kUserBytes)));
    out.password = Trim(FromWindows1255(record.substr(kUserBytes, kPasswordBytes)));
    auto lo = static_cast<unsigned char>(record[150]);
    auto hi = static_cast<unsigned char>(record[151]);
    out.flag = static_cast<std::int16_t>(lo | (hi << 8));
    return true;
}

std::filesystem::path LoginForm::DetailsPath() {
    std::error_code ec;
    return std::filesystem::current_path(ec) / "UserData.dat";
}

void LoginForm::Form_Load() {
    const std::filesystem::path path = DetailsPath();
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        Result<std::string> bytes = ReadWholeFile(path);
        DecodedLogin d;
        if (bytes && DecodeSavedLogin(bytes.value(), d)) {
            if (d.flag == -1) {
                txtUserName = d.user_name;
                txtPassword = d.password;
                Check1.value = 1;
            } else if (d.flag == 0) {
                txtUserName.clear();
                txtPassword.clear();
                Check1.value = 0;
            }
        }
        return;
    }
    // It may come to hold a password: the owner alone reads it.
    (void)WriteFileAtomically(
        path, EncodeSavedLogin({}),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

void LoginForm::Save() {
    Status s = WriteFileAtomically(
        DetailsPath(), EncodeSavedLogin({txtUserName, txtPassword, Check1.Ticked()}),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    if (!s) {
        port_.MessageBox("לא ניתן לשמור את פרטי הכניסה: " + s.error().message, kVendorTitle,
                         Buttons::Ok);
    }
}

void LoginForm::cmdOK_Click() {
    if (txtUserName.empty()) {
        port_.MessageBox("הקלד מייל", "", Buttons::Ok);
        return;
    }
    if (txtPassword.empty()) {
        port_.MessageBox("הקלד סיסמה", "x", Buttons::Ok);
        return;
    }
    const std::string reply = port_.FetchPage("KoreSismaManuy.asp?Mis=" + QueryValue(txtUserName) +
                                              "&Sis=" + QueryValue(txtPassword));
    if (reply.empty()) {
        if (!ContinueOffline()) {
            port_.MessageBox("בעיית התחברות נסו מחדש", "x", Buttons::Ok);
        }
        return;
    }
    if (Trim(reply) == "eject") {
        port_.MessageBox("נתונים שגויים הקלד מחדש", kVendorTitle, Buttons::Ok);
        return;
    }
    // A record too short to hold the account number is no account.
    std::optional<AccountRecord> account = ParseLoginReply(reply);
    if (!account) {
        port_.MessageBox("בעיית התחברות צרו קשר לתמיכה", kSupportPhone, Buttons::Ok);
        return;
    }
    auto window = std::make_unique<HamaraForm>(port_);
    window->Form_Load();
    window->Label4 = {account->name, account->number};
    Save();
    // Kept for a day the service is away: the account, and a slow salted hash of the password.
    (void)SaveKnownLogin({txtUserName, account->name, account->number, HashPassword(txtPassword)});
    window->link().Succeeded();  // what waited in the outbox goes now
    main_window = std::move(window);
}

// The service cannot be reached: the last good login on this computer may go on without it.
bool LoginForm::ContinueOffline() {
    std::optional<KnownLogin> known = LoadKnownLogin();
    if (!known || known->email != txtUserName ||
        !PasswordMatches(known->password_hash, txtPassword)) {
        return false;
    }
    if (port_.MessageBox("השירות אינו זמין. להמשיך במצב לא מקוון?", kVendorTitle,
                         Buttons::OkCancel) != Answer::Ok) {
        return true;  // the operator chose to wait: nothing more to say
    }
    auto window = std::make_unique<HamaraForm>(port_);
    window->Form_Load();
    window->Label4 = {known->account_name, known->account_number};
    window->link().GoOffline();
    Save();
    main_window = std::move(window);
    return true;
}

}  // namespace zivron
