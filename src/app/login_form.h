#pragma once
// The login window as data: its boxes, the saved details file, the login through the service.

#include <filesystem>
#include <memory>
#include <string>

#include "app/hamara_form.h"
#include "core/result.h"

namespace zivron {

// "\UserData.dat": one record of 152 bytes, the e-mail (100) and the password (50) in
// Windows-1255 filled with spaces, then the save flag (FF FF saved, 00 00 not).
struct SavedLogin {
    std::string user_name;
    std::string password;
    bool saved = false;
};
std::string EncodeSavedLogin(const SavedLogin& login);
// The flag as stored: -1, 0, or another value that leaves the boxes alone.
struct DecodedLogin {
    std::string user_name;
    std::string password;
    int flag = 0;
};
bool DecodeSavedLogin(std::string_view record, DecodedLogin& out);

class LoginForm {
  public:
    static constexpr const char* kCaption = "כניסה למערכת-הקלד מייל וסיסמה";
    static constexpr const char* kSupportPhone = "03-5555555";

    explicit LoginForm(Port& port) : port_(port) {}

    std::string txtUserName;
    std::string txtPassword;
    CheckBox Check1;

    // The saved details file of the working folder: read, or created as "TEREM" when missing.
    void Form_Load();
    // The login. On success the main window exists, loaded, with the account in its top bar.
    void cmdOK_Click();
    void cmdCancel_Click() { port_.EndProgram(); }

    // The main window handed over by a successful login; empty until then.
    std::unique_ptr<HamaraForm> main_window;

    static std::filesystem::path DetailsPath();

  private:
    void Save();
    bool ContinueOffline();
    Port& port_;
};

}  // namespace zivron
