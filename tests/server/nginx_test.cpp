// The service as a vendor deploys it: Debian's nginx with the site file the project ships, TLS
// with a certificate of its own, the service on loopback behind it; the program's own client
// on the outside, trusting that certificate through $ZIVRON_SERVICE_CA.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "service/fetch_page.h"
#include "support/process.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

// A port nothing listens on at the moment of asking.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) {
        throw std::runtime_error("the site file no longer says " + from);
    }
    return text.replace(at, from.size(), to);
}

class NginxTest : public test::TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        service_ = std::make_unique<test::ServiceProcess>(
            dir_ / "service.db", std::vector<std::string>{"--proxy-address", "127.0.0.1"});
        account_ = service_->AddAccount("a@example.org", "עמותה א", "סוד-1");
        MakeCertificate();
        StartNginx();
    }
    void TearDown() override {
        if (nginx_ > 0) {
            ::kill(nginx_, SIGQUIT);
            ::waitpid(nginx_, nullptr, 0);
        }
        unsetenv("ZIVRON_SERVICE_CA");
        TempDirTest::TearDown();
    }

    void MakeCertificate() {
        const test::ProcessResult r = test::RunProcess(
            "/usr/bin/openssl",
            {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
             "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
             (dir_ / "service.key").string(), "-out", (dir_ / "service.crt").string()});
        ASSERT_EQ(r.exit_code, 0) << r.err;
    }

    // The shipped site as it stands, but for its addresses and the certificate's place.
    void StartNginx() {
        std::ifstream in(ZIVRON_PACKAGING "/service/zivron-service.nginx");
        std::stringstream site;
        site << in.rdbuf();
        port_ = FreePort();
        std::string text = site.str();
        text = Replaced(text, "listen 443 ssl;",
                        "listen 127.0.0.1:" + std::to_string(port_) + " ssl;");
        text = Replaced(text, "listen [::]:443 ssl;", "");
        text = Replaced(text, "/etc/zivron/tls/service.crt", (dir_ / "service.crt").string());
        text = Replaced(text, "/etc/zivron/tls/service.key", (dir_ / "service.key").string());
        text = Replaced(text, "127.0.0.1:8765", "127.0.0.1:" + std::to_string(service_->Port()));
        std::ofstream(dir_ / "site.conf") << text;
        const std::string d = dir_.string();
        std::ofstream(dir_ / "nginx.conf")
            << "worker_processes 1;\npid " << d << "/nginx.pid;\nerror_log " << d
            << "/nginx.log;\nevents { worker_connections 256; }\nhttp {\n  access_log off;\n"
            << "  client_body_temp_path " << d << "/body;\n  proxy_temp_path " << d
            << "/proxy;\n  fastcgi_temp_path " << d << "/fastcgi;\n  uwsgi_temp_path " << d
            << "/uwsgi;\n  scgi_temp_path " << d << "/scgi;\n  include " << d << "/site.conf;\n}\n";
        nginx_ = ::fork();
        if (nginx_ == 0) {
            const std::string conf = d + "/nginx.conf";
            ::execl("/usr/sbin/nginx", "nginx", "-p", d.c_str(), "-c", conf.c_str(), "-g",
                    "daemon off;", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !Accepts(port_); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(Accepts(port_)) << "nginx did not start; see " << d << "/nginx.log";
    }

    // Raw bytes over TLS, as a client that does not follow HTTP would send them.
    std::string RawOverTls(const std::string& bytes) {
        return test::RunProcess(
                   "/usr/bin/openssl",
                   {"s_client", "-quiet", "-connect", "127.0.0.1:" + std::to_string(port_)}, {},
                   bytes)
            .out;
    }

    std::string Https() const { return "https://127.0.0.1:" + std::to_string(port_); }

    std::unique_ptr<test::ServiceProcess> service_;
    std::string account_;
    int port_ = 0;
    pid_t nginx_ = -1;
};

TEST_F(NginxTest, TheProgramReachesTheServiceOnlyThroughATrustedCertificate) {
    const std::string login = "KoreSismaManuy.asp?Mis=a@example.org&Sis=סוד-1";
    unsetenv("ZIVRON_SERVICE_CA");
    EXPECT_EQ(FetchPage(Https(), login), "");  // a certificate no authority of the system signed
    setenv("ZIVRON_SERVICE_CA", (dir_ / "service.crt").c_str(), 1);
    EXPECT_EQ(FetchPage(Https(), login).rfind("a@example.org*עמותה א*", 0), 0u);
    const std::string owner = "&IP1=" + account_ + "&FX=עמותה א";
    EXPECT_EQ(FetchPage(Https(), "HosefMosad.asp?MD=בית ספר&RH=1&BA=2&YI=x&TL=x" + owner), "ok");
    EXPECT_EQ(FetchPage(Https(), "KoreMosadot.asp?Mis=" + account_).rfind("0+בית ספר*", 0), 0u);
    // The TLS port speaks no plain HTTP.
    EXPECT_EQ(FetchPage("http://127.0.0.1:" + std::to_string(port_), login), "");
}

// What the service's library would take in its own way is refused at the door.
TEST_F(NginxTest, MalformedHeadersStopAtNginx) {
    const std::string head = "GET /KoreMosadot.asp?Mis=" + account_ + " HTTP/1.1\r\nHost: x\r\n";
    const std::vector<std::string> refused = {
        head + "X: a" + std::string(1, '\0') + "b\r\nConnection: close\r\n\r\n",
        head + "X: a\r\n b\r\nConnection: close\r\n\r\n",
        head + "Content-Length : 3\r\nConnection: close\r\n\r\nabc",
    };
    for (const std::string& request : refused) {
        EXPECT_EQ(RawOverTls(request).substr(0, 12), "HTTP/1.1 400") << request.substr(0, 60);
    }
    EXPECT_EQ(RawOverTls(head + "Connection: close\r\n\r\n").substr(0, 12), "HTTP/1.1 200");
}

}  // namespace
}  // namespace zivron
