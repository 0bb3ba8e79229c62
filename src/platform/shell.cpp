#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zivron {

bool OpenWithDesktop(const std::filesystem::path& path) {
    // A middle child starts the opener and leaves at once, so no zombie is left behind.
    pid_t middle = ::fork();
    if (middle < 0) {
        return false;
    }
    if (middle == 0) {
        std::string p = path.string();
        char* argv[] = {const_cast<char*>("xdg-open"), p.data(), nullptr};
        pid_t opener = 0;
        int rc = ::posix_spawnp(&opener, "xdg-open", nullptr, nullptr, argv, environ);
        ::_exit(rc == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(middle, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace zivron
