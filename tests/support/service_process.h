#pragma once
// A real zivron-service for a test: its own database in the test's folder, a free loopback port,
// stopped with the test.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/process.h"

namespace zivron::test {

class ServiceProcess {
  public:
    // `options` are added to "serve" (the attack tests make the limits short); what the service
    // says on stderr goes to a file beside the database.
    explicit ServiceProcess(const std::filesystem::path& db, std::vector<std::string> options = {})
        : db_(db), options_(std::move(options)) {
        Start();
    }
    ~ServiceProcess() { Stop(SIGTERM); }

    std::string Base() const { return base_; }
    pid_t Pid() const { return pid_; }
    int Port() const { return std::stoi(base_.substr(base_.rfind(':') + 1)); }
    std::string Errors() const {
        std::ifstream in(db_.string() + ".stderr");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

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
            const std::string errors = db_.string() + ".stderr";
            int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            ::dup2(err, 2);
            std::vector<std::string> args = {ZIVRON_SERVICE, "serve",  "--db",
                                             db_.string(),   "--port", "0"};
            args.insert(args.end(), options_.begin(), options_.end());
            std::vector<char*> argv;
            for (std::string& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execv(ZIVRON_SERVICE, argv.data());
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
    std::vector<std::string> options_;
    pid_t pid_ = -1;
    std::string base_;
};

}  // namespace zivron::test
