#include "service/fetch_page.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/http_recorder.h"
#include "text/hebrew.h"

namespace zivron {
namespace {

TEST(RequestAddress, EncodesOnlyWhatAnAddressCannotCarry) {
    struct Case {
        const char* query;
        const char* wire;
    };
    const Case cases[] = {
        {"KoreMosadot.asp?Mis=123", "B/KoreMosadot.asp?Mis=123"},
        {"a.asp?MD=a b&RH=1", "B/a.asp?MD=a%20b&RH=1"},
        {"a.asp?MD=שלום", "B/a.asp?MD=%F9%EC%E5%ED"},
        {"a.asp?MD=x*y+z&FX==", "B/a.asp?MD=x*y+z&FX=="},
        {"a.asp?MD=50%#1", "B/a.asp?MD=50%25%231"},
        {"a.asp?MD=\t\"<>", "B/a.asp?MD=%09%22%3C%3E"},
        {"a.asp?MD=Ж", "B/a.asp?MD=?"},
        {"a.asp?MD=a%26b", "B/a.asp?MD=a%26b"},  // an escape of QueryValue goes as it is
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RequestAddress("B", c.query), c.wire) << c.query;
    }
    // A value travels whole: its separators and "%" escaped, everything else as it is.
    EXPECT_EQ(QueryValue("גן & בנו = 100% #1 + 2*3"), "גן %26 בנו %3D 100%25 %231 %2B 2*3");
    EXPECT_EQ(RequestAddress("B", "a.asp?MD=" + QueryValue("50%41&x")), "B/a.asp?MD=50%2541%26x");
}

TEST(FetchPage, SendsWindows1255AndReadsItBack) {
    test::HttpRecorder server;
    const std::string long_reply =
        std::string(2048, 'a') + ToWindows1255("שלום") + std::string(3000, 'b');
    const std::pair<std::string, std::string> replies[] = {
        {ToWindows1255("עמותה*1+שנייה*2"), "עמותה*1+שנייה*2"},
        {std::string(2048, 'z'), std::string(2048, 'z')},
        {long_reply, std::string(2048, 'a') + "שלום" + std::string(3000, 'b')},
        {"", ""},
        {" eject ", " eject "},
    };
    for (const auto& [bytes, text] : replies) {
        server.Reply(bytes);
        EXPECT_EQ(FetchPage(server.Base(), "KoreMosadot.asp?Mis=ש 1&x=*+"), text);
    }
    auto targets = server.Targets();
    ASSERT_EQ(targets.size(), 5u);
    EXPECT_EQ(targets[0], "/KoreMosadot.asp?Mis=%F9%201&x=*+");
    EXPECT_EQ(server.UserAgents()[0], "VB Project");
}

TEST(FetchPage, EveryFailureIsTheEmptyText) {
    test::HttpRecorder server;
    server.Reply("not found", 404);
    EXPECT_EQ(FetchPage(server.Base(), "x.asp?"), "");
    server.Reply("moved", 302);
    EXPECT_EQ(FetchPage(server.Base(), "x.asp?"), "");
    server.Reply(std::string(5u << 20, 'a'));  // over the limit
    EXPECT_EQ(FetchPage(server.Base(), "x.asp?"), "");
    EXPECT_EQ(FetchPage("http://127.0.0.1:1", "x.asp?"), "");
    EXPECT_EQ(FetchPage("nonsense://", "x.asp?"), "");
}

TEST(FetchPage, AServiceThatNeverAnswersTimesOut) {
    // A socket that accepts connections into its backlog and never replies.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    const std::string base = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
    EXPECT_EQ(FetchPage(base, "x.asp?"), "");
    ::close(fd);
}

TEST(SendsInTheClear, OnlyUnencryptedToAnotherComputer) {
    struct Case {
        const char* base;
        bool clear;
    };
    const std::vector<Case> cases = {
        {"http://127.0.0.1:8765", false},
        {"http://127.3.4.5", false},
        {"http://localhost:80/x", false},
        {"http://[::1]:8765", false},
        {"https://example.org", false},
        {"HTTPS://example.org", false},
        {"http://example.org", true},
        {"HTTP://192.0.2.7:8765", true},
        {"http://127.0.0.1.example.org", true},
        {"http://user@127.0.0.1@example.org/", true},
        {"http://[::2]:80", true},
        {"http://1.2.3.4", true},
    };
    unsetenv("ZIVRON_ALLOW_HTTP");
    for (const Case& c : cases) {
        EXPECT_EQ(SendsInTheClear(c.base), c.clear) << c.base;
    }
    // Nothing leaves for such an address: no connection is even tried.
    EXPECT_EQ(FetchPage("http://192.0.2.7:9", "x.asp?"), "");
    setenv("ZIVRON_ALLOW_HTTP", "1", 1);  // the operator allowed it
    EXPECT_FALSE(SendsInTheClear("http://example.org"));
    unsetenv("ZIVRON_ALLOW_HTTP");
}

TEST(ServiceBaseAddress, FromTheEnvironmentOrLoopback) {
    unsetenv("ZIVRON_SERVICE_URL");
    EXPECT_EQ(ServiceBaseAddress(), kDefaultServiceAddress);
    setenv("ZIVRON_SERVICE_URL", "http://service.invalid:80//", 1);
    EXPECT_EQ(ServiceBaseAddress(), "http://service.invalid:80");
    unsetenv("ZIVRON_SERVICE_URL");
}

}  // namespace
}  // namespace zivron
