// zivron-service under attack on loopback, each attack bounded in count and time, the service's
// limits made short by its options. Attackers speak from 127.0.0.2 and up, the honest client
// (the program's own FetchPage) from 127.0.0.1; every honest request must still be answered.

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "service/fetch_page.h"
#include "support/process.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

namespace zivron {
namespace {

// A raw connection from a loopback address of the attacker's choosing.
class Socket {
  public:
    Socket(const std::string& from, int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, from.c_str(), &a.sin_addr);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
        timeval tv{3, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    ~Socket() { ::close(fd_); }
    void HalfClose() { ::shutdown(fd_, SHUT_WR); }
    bool Send(const std::string& bytes) {
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }
    // Everything until the service closes the connection or 3 s pass.
    std::string ReadAll() {
        std::string out;
        char buf[4096];
        ssize_t n;
        while ((n = ::recv(fd_, buf, sizeof buf, 0)) > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        }
        closed_ = n == 0 || (n < 0 && errno == ECONNRESET);
        return out;
    }
    bool Closed() const { return closed_; }
    // Closed by the service already, without waiting.
    bool ClosedNow() {
        char c;
        const ssize_t n = ::recv(fd_, &c, 1, MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno == ECONNRESET);
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
};

// A page and query as the program puts them on the wire: Hebrew in Windows-1255, encoded.
std::string OnTheWire(const std::string& page_and_query) {
    return RequestAddress("", page_and_query).substr(1);  // without the leading "/"
}

std::string Get(const std::string& target) {
    return "GET /" + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
}

class AttackTest : public test::TempDirTest {
  protected:
    void StartService(std::vector<std::string> options) {
        service_ = std::make_unique<test::ServiceProcess>(dir_ / "service.db", std::move(options));
        account_ = service_->AddAccount("a@example.org", "עמותה א", "סוד-1");
        ASSERT_EQ(
            Honest("HosefMosad.asp?MD=בית ספר&RH=1&BA=2&YI=x&TL=x&IP1=" + account_ + "&FX=עמותה א"),
            "ok");
        const std::string list = Honest("KoreMosadot.asp?Mis=" + account_);
        number_ = list.substr(list.rfind('*') + 1);
    }
    std::string Honest(const std::string& q) { return FetchPage(service_->Base(), q); }
    std::unique_ptr<test::ServiceProcess> service_;
    std::string account_;
    std::string number_;
};

// As many idle connections as each of 40 addresses may hold take no honest client's place: they
// are held open past the program's own time-out (8 s).
TEST_F(AttackTest, IdleConnectionsDelayNobody) {
    StartService({"--request-deadline-ms", "20000"});
    std::vector<std::unique_ptr<Socket>> idle;
    for (int i = 0; i < 640; ++i) {
        idle.push_back(
            std::make_unique<Socket>("127.0.1." + std::to_string(2 + i % 40), service_->Port()));
    }
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(Honest("KoreMosadot.asp?Mis=" + account_).rfind("0+בית ספר*", 0), 0u);
    }
}

TEST_F(AttackTest, SlowSendersAreCutAtTheDeadline) {
    StartService({"--request-deadline-ms", "800"});
    // A byte at a time, never a whole request within the deadline, never silent long enough
    // for the library's own time-out.
    std::vector<std::unique_ptr<Socket>> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(std::make_unique<Socket>("127.0.0.20", service_->Port()));
        slow.back()->Send("G");
    }
    for (int round = 0; round < 5; ++round) {
        EXPECT_EQ(Honest("KoreMosadot.asp?Mis=" + account_).rfind("0+בית ספר*", 0), 0u);
        for (auto& s : slow) {
            s->Send("E");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    // Closed while still sending, before the silence the library's own time-out waits for.
    for (auto& s : slow) {
        EXPECT_TRUE(s->ClosedNow());
    }
}

TEST_F(AttackTest, MalformedAndOversizedRequestsAreRefused) {
    StartService({});
    struct Case {
        std::string request;
        const char* status;  // "" for a connection closed unanswered
    };
    const std::string list = "GET /KoreMosadot.asp?Mis=1 HTTP/1.1\r\nHost: x\r\n";
    const std::string second = "GET /KoreMosadot.asp?Mis=2 HTTP/1.1\r\nHost: x\r\n\r\n";
    std::string headers;
    for (int i = 0; i < 200; ++i) {
        headers += "X-" + std::to_string(i) + ": 1\r\n";
    }
    const std::vector<Case> cases = {
        {"GET /KoreMosadot.asp?Mis=" + std::string(100000, '1') + " HTTP/1.1\r\n\r\n", "414"},
        {list + headers + "\r\n", "431"},
        {list + "X: " + std::string(10000, 'a') + "\r\n\r\n", "431"},
        {"POST /KoreMosadot.asp HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", "400"},
        {"nonsense\r\n\r\n", ""},
        // A name with a space before its colon must not hide a body that is a second request.
        {list + "Content-Length : " + std::to_string(second.size()) + "\r\n\r\n" + second, "400"},
        {list + "Content-Length: " + std::to_string(second.size()) + "\r\n\r\n" + second, "400"},
        {list + "X: a\rb\r\n\r\n", "400"},
        {"GET /KoreMosadot.asp?Mis=1 HTTP/7.3\r\nHost: x\r\n\r\n", "505"},
        {"GET /KoreMosadot.asp?Mis=1 HTTP/1.1\r\nConnection: close\r\n\r\n", "400"},  // no Host
        {"GET http://x/KoreMosadot.asp?Mis=1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
         "200"},
    };
    for (const Case& c : cases) {
        Socket s("127.0.0.2", service_->Port());
        s.Send(c.request);
        const std::string reply = s.ReadAll();
        const std::string status = *c.status ? std::string("HTTP/1.1 ") + c.status : "";
        EXPECT_EQ(reply.substr(0, 12), status) << c.request.substr(0, 80);
        // Nothing after a refusal is run as a request of its own.
        static const std::regex kServed("HTTP/1\\.1 200 ");
        EXPECT_EQ(std::distance(std::sregex_iterator(reply.begin(), reply.end(), kServed),
                                std::sregex_iterator()),
                  std::strcmp(c.status, "200") == 0 ? 1 : 0)
            << reply;
        EXPECT_TRUE(s.Closed());
    }
    // A request followed at once by the end of the client's sending is answered.
    for (int i = 0; i < 20; ++i) {
        Socket s("127.0.0.3", service_->Port());
        s.Send(Get(OnTheWire("KoreMosadot.asp?Mis=" + account_)));
        s.HalfClose();
        const std::string reply = s.ReadAll();
        EXPECT_EQ(reply.rfind("HTTP/1.1 200", 0), 0u) << i;
        EXPECT_NE(reply.find("\r\n0+"), std::string::npos) << i;  // the list, in a chunk
    }
    // A refused query says so in its body, as the program reads it.
    std::string pairs;
    for (int i = 0; i < 40; ++i) {
        pairs += "&a=1";
    }
    EXPECT_EQ(Honest("KoreMosadot.asp?Mis=1" + pairs), "eject");
}

TEST_F(AttackTest, GuessingInstitutionNumbersStopsForEveryAddress) {
    StartService({"--guesses-per-address", "5", "--guesses-in-all", "12"});
    // Asked in the owner's name: the brake holds even for one who knows the account.
    const std::string owner = "&IP1=" + account_ + "&FX=עמותה א";
    auto details = [&](const std::string& from, const std::string& number) {
        Socket s(from, service_->Port());
        s.Send(Get(OnTheWire("KorePerateyMosad.asp?Mis=" + number + owner)));
        std::string r = s.ReadAll();
        return r.substr(r.find("\r\n\r\n") + 4);
    };
    // Under its budget another address may still find a real number.
    EXPECT_EQ(details("127.0.0.2", number_).rfind(number_ + "*", 0), 0u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(details("127.0.0.2", std::to_string(1000 + i)), "eject");
    }
    EXPECT_EQ(details("127.0.0.2", number_), "eject");  // past its budget: refused at once
    EXPECT_EQ(details("127.0.0.3", number_).rfind(number_ + "*", 0), 0u);
    for (int i = 0; i < 8; ++i) {
        details("127.0.0." + std::to_string(4 + i), std::to_string(2000 + i));
    }
    // Past the global budget a new address does not help ...
    EXPECT_EQ(details("127.0.0.30", number_), "eject");
    // ... while the owner, to whom the number was listed, is served.
    EXPECT_EQ(Honest("KorePerateyMosad.asp?Mis=" + number_ + owner).rfind(number_ + "*", 0), 0u);
    // Without the owner's name a real number is answered as one that is not there.
    EXPECT_EQ(Honest("KorePerateyMosad.asp?Mis=" + number_), "eject");
}

// Changes to an institution are its owner's alone; any other asker's try counts as a guess.
TEST_F(AttackTest, ChangingAnotherAccountsInstitutionIsAGuess) {
    StartService({"--guesses-per-address", "3"});
    auto from = [&](const std::string& address, const std::string& page_and_query) {
        Socket s(address, service_->Port());
        s.Send(Get(OnTheWire(page_and_query)));
        std::string r = s.ReadAll();
        return r.substr(r.find("\r\n\r\n") + 4);
    };
    const std::string change = "AdkenMosad.asp?Mis=" + number_ + "&MD=שם חדש&RH=1&BA=2&YI=x&TL=x";
    const std::string drop = "MehakMosad.asp?Mis=" + number_;
    const std::string stranger = "&IP1=" + account_ + "&FX=מתחזה";
    EXPECT_EQ(from("127.0.0.2", change + stranger), "eject");
    EXPECT_EQ(from("127.0.0.2", drop + stranger), "eject");
    EXPECT_EQ(from("127.0.0.2", drop + "&IP1=1&FX=x"), "eject");
    EXPECT_EQ(from("127.0.0.2", "KorePerateyMosad.asp?Mis=" + number_ + stranger), "eject");
    // Past its budget the address is refused even in the owner's true name ...
    const std::string owner = "&IP1=" + account_ + "&FX=עמותה א";
    EXPECT_EQ(from("127.0.0.2", change + owner), "eject");
    // ... while the owner, to whom the number was listed, changes it.
    EXPECT_EQ(Honest(change + owner), "ok");
    EXPECT_NE(Honest("KoreMosadot.asp?Mis=" + account_).find("+שם חדש*" + number_),
              std::string::npos);
}

// One account cannot fill the service: its institutions are capped (--max-institutions).
TEST_F(AttackTest, InstitutionsPerAccountAreCapped) {
    StartService({"--max-institutions", "3"});  // the fixture's own is the first
    const std::string add = "&RH=1&BA=2&YI=x&TL=x&IP1=" + account_ + "&FX=עמותה א";
    EXPECT_EQ(Honest("HosefMosad.asp?MD=שני" + add), "ok");
    EXPECT_EQ(Honest("HosefMosad.asp?MD=שלישי" + add), "ok");
    EXPECT_EQ(Honest("HosefMosad.asp?MD=רביעי" + add), "eject");
    const std::string list = Honest("KoreMosadot.asp?Mis=" + account_);
    EXPECT_EQ(std::count(list.begin(), list.end(), '*'), 3);
}

// Password guessing locks the guessing pair of e-mail and address alone: the owner, from any
// other address, still gets in (slowed a little by the e-mail's failures), and the guesser's
// other e-mails are not refused.
TEST_F(AttackTest, PasswordGuessingLocksOnlyTheGuessingPair) {
    StartService({"--login-failures", "3", "--login-cooldown-ms", "1500"});
    auto login = [&](const std::string& from, const std::string& email, const std::string& pw) {
        Socket s(from, service_->Port());
        s.Send(Get(OnTheWire("KoreSismaManuy.asp?Mis=" + email + "&Sis=" + pw)));
        std::string r = s.ReadAll();
        return r.substr(r.find("\r\n\r\n") + 4);
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(login("127.0.0.2", "a@example.org", "wrong" + std::to_string(i)), "eject");
    }
    // The pair cools down: the right password is refused from the guessing address ...
    EXPECT_EQ(login("127.0.0.2", "a@example.org", "סוד-1"), "eject");
    // ... and taken from any other; the guessing address may still log in to another e-mail.
    EXPECT_NE(login("127.0.0.3", "a@example.org", "סוד-1"), "eject");
    EXPECT_EQ(login("127.0.0.2", "nobody@example.org", "x"), "eject");
    std::this_thread::sleep_for(std::chrono::milliseconds(1700));
    EXPECT_NE(login("127.0.0.2", "a@example.org", "סוד-1"), "eject");
}

// Twelve addresses looping wrong passwords for the owner's e-mail keep no owner out: from the
// address it logged in from before, every login of the owner during the flood goes through.
TEST_F(AttackTest, ALoginFloodKeepsNoOwnerOut) {
    StartService({});
    ASSERT_NE(Honest("KoreSismaManuy.asp?Mis=a@example.org&Sis=סוד-1"), "eject");  // 127.0.0.1
    std::atomic<bool> stop{false};
    std::vector<std::thread> guessers;
    for (int i = 0; i < 12; ++i) {
        guessers.emplace_back([&, i] {
            for (int n = 0; !stop; ++n) {
                Socket s("127.0.0." + std::to_string(2 + i), service_->Port());
                s.Send(Get("KoreSismaManuy.asp?Mis=a@example.org&Sis=wrong" + std::to_string(n)));
                (void)s.ReadAll();
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the flood under way
    int in = 0;
    for (int i = 0; i < 8; ++i) {
        const std::string reply = Honest("KoreSismaManuy.asp?Mis=a@example.org&Sis=סוד-1");
        in += reply.rfind("a@example.org*", 0) == 0 ? 1 : 0;
    }
    stop = true;
    for (std::thread& t : guessers) {
        t.join();
    }
    EXPECT_EQ(in, 8);
}

TEST_F(AttackTest, TheDatabaseIsItsOwnersAlone) {
    StartService({});
    for (const char* suffix : {"", "-wal", "-shm"}) {
        struct stat st {};
        ASSERT_EQ(::stat((dir_ / ("service.db" + std::string(suffix))).c_str(), &st), 0) << suffix;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << suffix;
    }
}

// A full disk: writes fail with a message on stderr and a refusal; once space is back the
// service goes on by itself.
TEST_F(AttackTest, AFullDiskIsARefusalAndPasses) {
    StartService({});
    const std::string pid = std::to_string(service_->Pid());
    auto limit = [&](const std::string& bytes) {
        return test::RunProcess("/usr/bin/prlimit", {"--pid", pid, "--fsize=" + bytes}).exit_code;
    };
    // Files may not grow past 2 KB: the database's log cannot, the short error file can.
    ASSERT_EQ(limit("2048:unlimited"), 0);
    const std::string add =
        "HosefMosad.asp?MD=מלא&RH=1&BA=2&YI=x&TL=x&IP1=" + account_ + "&FX=עמותה א";
    EXPECT_EQ(Honest(add), "eject");
    EXPECT_NE(service_->Errors().find("HosefMosad.asp"), std::string::npos) << service_->Errors();
    ASSERT_EQ(limit("unlimited:unlimited"), 0);
    EXPECT_EQ(Honest(add), "ok");
    EXPECT_NE(Honest("KoreMosadot.asp?Mis=" + account_).find("מלא*"), std::string::npos);
}

}  // namespace
}  // namespace zivron
