#pragma once
// A real zivron-service for a test: its own database in the test's folder, a free loopback port,
// stopped with the test.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "support/process.h"

namespace zivron::test {

class ServiceProcess {
  public:
    explicit ServiceProcess(const std::filesystem::path& db) : db_(db) { Start(); }
    ~ServiceProcess() { Stop(SIGTERM); }

    std::string Base() const { return base_; }

    // An account; its number as the service made it.
    std::string AddAccount(const std::string& email, const std::string& name,
                           const std::string& password) {
        ProcessResult r = RunProcess(
            ZIVRON_SERVICE, {"add-account", "--db", db_.string(), "--email", email, "--name", name},
            {}, password + "\n");
        if (r.exit_code != 0) {
            throw std::runtime_error("add-account: " + r.err);
        }
        return r.out.substr(0, r.out.find('\n'));
    }

    void Stop(int signal) {
        if (pid_ > 0) {
            ::kill(pid_, signal);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    void Start() {
        int out[2];
        if (::pipe(out) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            std::string db = db_.string();
            const char* argv[] = {ZIVRON_SERVICE, "serve", "--db", db.c_str(),
                                  "--port",       "0",     nullptr};
            ::execv(ZIVRON_SERVICE, const_cast<char**>(argv));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') {
            line.push_back(c);
        }
        ::close(out[0]);
        const std::string prefix = "listening on ";
        if (line.rfind(prefix, 0) != 0) {
            throw std::runtime_error("zivron-service did not start: " + line);
        }
        base_ = line.substr(prefix.size());
    }

  private:
    std::filesystem::path db_;
    pid_t pid_ = -1;
    std::string base_;
};

}  // namespace zivron::test
