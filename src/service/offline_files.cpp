#include "service/offline_files.h"

#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <utility>

#include "core/atomic_file.h"
#include "core/user_folder.h"
#include "service/replies.h"
#include "text/shaping.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

// A value on one line of a tab-separated file: the separators and "%" escaped.
std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '%':
                out += "%25";
                break;
            case '\t':
                out += "%09";
                break;
            case '\n':
                out += "%0A";
                break;
            case '\r':
                out += "%0D";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Nothing for a value no Escape wrote: a "%" without two hexadecimal digits after it.
std::optional<std::string> Unescape(const std::string& text) {
    auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int hi = i + 1 < text.size() ? hex(text[i + 1]) : -1;
        const int lo = i + 2 < text.size() ? hex(text[i + 2]) : -1;
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::vector<std::pair<std::string, std::string>>& SetAsideFiles() {
    static std::vector<std::pair<std::string, std::string>> files;
    return files;
}

}  // namespace

void SetAside(const fs::path& path) {
    fs::path aside = path;
    aside += ".damaged";
    std::error_code ec;
    fs::rename(path, aside, ec);
    SetAsideFiles().emplace_back(path.string(), aside.string());
}

namespace {

std::vector<std::string> Lines(const fs::path& path) {
    Result<std::string> text = ReadWholeFile(path);
    std::vector<std::string> out;
    if (!text) {
        return out;
    }
    for (const std::string& line : SplitOn(text.value(), '\n')) {
        if (!line.empty()) {
            out.push_back(line);
        }
    }
    return out;
}

Status MakeFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        return Error{ErrorCode::IoFailure, "לא ניתן ליצור את התיקייה " + folder.string()};
    }
    fs::permissions(folder, fs::perms::owner_all, ec);
    return Ok();
}

fs::path LoginPath() {
    return UserDataFolder() / "login";
}

fs::path OutboxPath() {
    return UserDataFolder() / "outbox";
}

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

}  // namespace

Status SaveKnownLogin(const KnownLogin& login) {
    ZIVRON_TRY(MakeFolder(UserDataFolder()));
    return WriteFileAtomically(LoginPath(),
                               Escape(login.email) + "\t" + Escape(login.account_name) + "\t" +
                                   Escape(login.account_number) + "\t" +
                                   Escape(login.password_hash) + "\n",
                               kOwnerOnly);
}

std::optional<KnownLogin> LoadKnownLogin() {
    std::vector<std::string> lines = Lines(LoginPath());
    if (lines.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> f = SplitOn(lines[0], '\t');
    std::vector<std::optional<std::string>> v;
    for (const std::string& field : f) {
        v.push_back(Unescape(field));
    }
    const bool whole = v.size() == 4 &&
                       std::all_of(v.begin(), v.end(), [](const auto& x) { return x.has_value(); });
    if (!whole || !IsDigits(*v[2])) {
        SetAside(LoginPath());
        return std::nullopt;
    }
    return KnownLogin{*v[0], *v[1], *v[2], *v[3]};
}

std::string HashPassword(const std::string& password) {
    char hash[crypto_pwhash_STRBYTES] = {};
    if (!SodiumReady() || crypto_pwhash_str(hash, password.data(), password.size(),
                                            crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                            crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        return {};
    }
    return hash;
}

bool PasswordMatches(const std::string& hash, const std::string& password) {
    return SodiumReady() && !hash.empty() &&
           crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

InstitutionCache::InstitutionCache(std::string account) : account_(std::move(account)) {
    std::erase_if(account_, [](char c) { return c < '0' || c > '9'; });
    const fs::path file = UserDataFolder() / "cache" / (account_ + ".txt");
    for (const std::string& line : Lines(file)) {
        std::vector<std::string> f = SplitOn(line, '\t');
        std::optional<std::string> value = f.size() >= 2 ? Unescape(f.back()) : std::nullopt;
        if (value && f.size() == 2 && f[0] == "L") {
            list_ = std::move(value);
        } else if (value && f.size() == 3 && f[0] == "D" && IsDigits(f[1]) && f[1].size() < 19) {
            details_.emplace_back(std::stoll(f[1]), std::move(*value));
        } else {
            list_.reset();
            details_.clear();
            SetAside(file);
            return;
        }
    }
}

Status InstitutionCache::Write() const {
    if (account_.empty()) {
        return Ok();  // no account, nothing of it to keep
    }
    const fs::path folder = UserDataFolder() / "cache";
    ZIVRON_TRY(MakeFolder(folder));
    std::string text;
    if (list_) {
        text += "L\t" + Escape(*list_) + "\n";
    }
    for (const auto& [number, reply] : details_) {
        text += "D\t" + std::to_string(number) + "\t" + Escape(reply) + "\n";
    }
    return WriteFileAtomically(folder / (account_ + ".txt"), text, kOwnerOnly);
}

Status InstitutionCache::SaveList(const std::string& reply) {
    if (list_ == reply) {
        return Ok();
    }
    list_ = reply;
    return Write();
}

Status InstitutionCache::SaveDetails(long long number, const std::string& reply) {
    auto it = std::find_if(details_.begin(), details_.end(),
                           [&](const auto& d) { return d.first == number; });
    if (it != details_.end()) {
        if (it->second == reply) {
            return Ok();
        }
        it->second = reply;
    } else {
        details_.emplace_back(number, reply);
    }
    return Write();
}

std::optional<std::string> InstitutionCache::List() const {
    return list_;
}

std::optional<std::string> InstitutionCache::Details(long long number) const {
    for (const auto& [n, reply] : details_) {
        if (n == number) {
            return reply;
        }
    }
    return std::nullopt;
}

Status Outbox::Append(const std::string& request) {
    ZIVRON_TRY(MakeFolder(UserDataFolder()));
    const std::string line = Escape(request) + "\n";
    int fd = ::open(OutboxPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return Error{ErrorCode::IoFailure, "לא ניתן לשמור את רישום הפעילות לשליחה מאוחרת"};
    }
    const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!written || !synced) {
        return Error{ErrorCode::IoFailure, "לא ניתן לשמור את רישום הפעילות לשליחה מאוחרת"};
    }
    return Ok();
}

std::vector<std::string> Outbox::Entries() {
    std::vector<std::string> out;
    for (const std::string& line : Lines(OutboxPath())) {
        std::optional<std::string> entry = Unescape(line);
        if (!entry) {
            SetAside(OutboxPath());
            return {};
        }
        out.push_back(std::move(*entry));
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> TakeSetAsideFiles() {
    return std::exchange(SetAsideFiles(), {});
}

Status Outbox::RemoveOldest() {
    std::vector<std::string> lines = Lines(OutboxPath());
    if (lines.empty()) {
        return Ok();
    }
    std::string rest;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        rest += lines[i] + "\n";
    }
    return WriteFileAtomically(OutboxPath(), rest, kOwnerOnly);
}

}  // namespace zivron
