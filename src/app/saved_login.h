#pragma once
// The login's saved details: "UserData.dat" in the program's starting folder, one record of 152
// bytes, the e-mail (100) and the password (50) in Windows-1255 filled with spaces, then the save
// flag (FF FF saved, 00 00 not).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"

namespace zivron {

// What the login window holds: the e-mail, the password and whether to keep them.
struct LoginDetails {
    std::string email;
    std::string password;
    bool remember = false;
};

std::string EncodeSavedLogin(const LoginDetails& login);

// A record as stored, its flag -1 (saved), 0 (cleared) or another value that leaves the login
// window's boxes as they are.
struct StoredLogin {
    std::string email;
    std::string password;
    int flag = 0;
};
std::optional<StoredLogin> DecodeSavedLogin(std::string_view record);

// The details file of the folder the program started from.
std::filesystem::path SavedLoginPath();

// The details `path` keeps, applied over `shown`; a missing file is created as cleared.
LoginDetails LoadSavedLogin(const std::filesystem::path& path, LoginDetails shown = {});
Status StoreSavedLogin(const std::filesystem::path& path, const LoginDetails& login);

}  // namespace zivron
