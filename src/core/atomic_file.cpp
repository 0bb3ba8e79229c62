#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

namespace zivron {
namespace {

Error IoError(const std::string& what, const std::filesystem::path& path, int err) {
    return Error{ErrorCode::IoFailure,
                 what + " " + path.string() + " (" + std::strerror(err) + ")"};
}

std::string RandomSuffix() {
    static thread_local std::mt19937_64 gen{std::random_device{}()};
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(gen()));
    return buf;
}

Status Write(const std::filesystem::path& path, std::string_view bytes,
             std::filesystem::perms perms, const WrittenFileCheck& check) {
    std::filesystem::path dir = path.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    std::filesystem::path tmp = dir / ("." + path.filename().string() + ".tmp-" + RandomSuffix());
    int fd =
        ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(perms));
    if (fd < 0) {
        return IoError("לא ניתן לכתוב את הקובץ", path, errno);
    }
    // The mode of open() is masked by the umask; set it exactly.
    ::fchmod(fd, static_cast<mode_t>(perms));
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int err = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            return IoError("לא ניתן לכתוב את הקובץ", path, err);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    int synced = ::fsync(fd);
    int err = errno;
    if (::close(fd) != 0 && synced == 0) {
        synced = -1;
        err = errno;
    }
    if (synced != 0) {
        ::unlink(tmp.c_str());
        return IoError("לא ניתן לכתוב את הקובץ", path, err);
    }
    if (check) {
        if (Status s = check(tmp); !s) {
            ::unlink(tmp.c_str());
            return s;
        }
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return IoError("לא ניתן לשמור את הקובץ", path, err);
    }
    // The rename itself reaches the disk when the folder is synced.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return Ok();
}

}  // namespace

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                           std::filesystem::perms perms) {
    return Write(path, bytes, perms, {});
}

Status WriteFileChecked(const std::filesystem::path& path, std::string_view bytes,
                        const WrittenFileCheck& check, std::filesystem::perms perms) {
    return Write(path, bytes, perms, check);
}

Result<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return IoError("לא ניתן לפתוח את הקובץ", path, errno);
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) {
        return IoError("לא ניתן לקרוא את הקובץ", path, errno);
    }
    return ss.str();
}

}  // namespace zivron
