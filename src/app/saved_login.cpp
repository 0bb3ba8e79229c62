#include "app/saved_login.h"

#include "core/atomic_file.h"
#include "text/hebrew.h"
#include "text/shaping.h"

namespace zivron {
namespace {

constexpr std::size_t kEmailBytes = 100;
constexpr std::size_t kPasswordBytes = 50;
constexpr std::size_t kRecordBytes = 152;
constexpr const char* kCleared = "TEREM";

// It may come to hold a password: the owner alone reads it.
constexpr auto kOwnerOnly =
    std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

std::string Field(const std::string& text, std::size_t width) {
    std::string bytes = ToWindows1255(text);
    bytes.resize(width, ' ');
    return bytes;
}

}  // namespace

std::string EncodeSavedLogin(const LoginDetails& login) {
    std::string record = Field(login.remember ? login.email : kCleared, kEmailBytes) +
                         Field(login.remember ? login.password : kCleared, kPasswordBytes);
    record += login.remember ? std::string("\xFF\xFF", 2) : std::string("\0\0", 2);
    return record;
}

std::optional<StoredLogin> DecodeSavedLogin(std::string_view record) {
    if (record.size() < kRecordBytes) {
        return std::nullopt;
    }
    StoredLogin out;
    out.email = Trim(FromWindows1255(record.substr(0, kEmailBytes)));
    out.password = Trim(FromWindows1255(record.substr(kEmailBytes, kPasswordBytes)));
    auto lo = static_cast<unsigned char>(record[150]);
    auto hi = static_cast<unsigned char>(record[151]);
    out.flag = static_cast<std::int16_t>(lo | (hi << 8));
    return out;
}

std::filesystem::path SavedLoginPath() {
    std::error_code ec;
    return std::filesystem::current_path(ec) / "UserData.dat";
}

LoginDetails LoadSavedLogin(const std::filesystem::path& path, LoginDetails shown) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        (void)WriteFileAtomically(path, EncodeSavedLogin({}), kOwnerOnly);
        return shown;
    }
    Result<std::string> bytes = ReadWholeFile(path);
    std::optional<StoredLogin> stored =
        bytes ? DecodeSavedLogin(bytes.value()) : std::optional<StoredLogin>();
    if (stored && stored->flag == -1) {
        return {stored->email, stored->password, true};
    }
    if (stored && stored->flag == 0) {
        return {};
    }
    return shown;
}

Status StoreSavedLogin(const std::filesystem::path& path, const LoginDetails& login) {
    return WriteFileAtomically(path, EncodeSavedLogin(login), kOwnerOnly);
}

}  // namespace zivron
