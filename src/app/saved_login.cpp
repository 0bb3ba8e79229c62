#include "app/saved_login.h"

#include "core/atomic_file.h"
#include "text/hebrew.h"
#include "text/shaping.h"

namespace zivron {
namespace {

constexpr std::size_t kEmailBytes = 100;
constexpr std::size_t kPasswordBytes = 50;
constexpr std::size_t kRecordBytes = 152;

}  // namespace

std::optional<StoredLogin> DecodeSavedLogin(std::string_view record) {
    if (record.size() != kRecordBytes) {
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

std::filesystem::path OldSavedLoginPath() {
    std::error_code ec;
    return std::filesystem::current_path(ec) / "UserData.dat";
}

bool MoveOldSavedLogin(const std::filesystem::path& old_file, LoginStore& store) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(old_file, ec)) {
        return false;
    }
    Result<std::string> bytes = ReadWholeFile(old_file);
    std::optional<StoredLogin> stored =
        bytes ? DecodeSavedLogin(bytes.value()) : std::optional<StoredLogin>();
    if (!stored) {
        return false;  // not the old program's record: not ours to remove
    }
    if (stored->flag == -1 && !stored->email.empty()) {
        (void)store.Keep({stored->email, stored->password, true});
    }
    return std::filesystem::remove(old_file, ec);
}

}  // namespace zivron
