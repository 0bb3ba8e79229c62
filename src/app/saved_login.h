#pragma once
// The old program's saved details: "UserData.dat" in the folder it started from, one record of
// 152 bytes, the e-mail (100) and the password (50) in Windows-1255 filled with spaces, then the
// save flag (FF FF saved, 00 00 not). It held the password in plain text: found once, its details
// move to the login store and the file goes.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/login_store.h"

namespace zivron {

// A record as stored, its flag -1 (saved), 0 (cleared) or another value.
struct StoredLogin {
    std::string email;
    std::string password;
    int flag = 0;
};
std::optional<StoredLogin> DecodeSavedLogin(std::string_view record);

// The details file of the folder the program started from.
std::filesystem::path OldSavedLoginPath();

// Moves what `old_file` keeps (when its flag says saved) to `store` and removes the file; a
// file that is not such a record is left alone. True when a file was removed.
bool MoveOldSavedLogin(const std::filesystem::path& old_file, LoginStore& store);

}  // namespace zivron
