// The login: the saved details file byte for byte, and the login against the service.

#include <gtest/gtest.h>

#include <signal.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <functional>

#include "app/bank_lists.h"
#include "app/saved_login.h"
#include "app/session.h"
#include "app/system_port.h"
#include "core/atomic_file.h"
#include "service/fetch_page.h"
#include "service/offline_files.h"
#include "support/http_recorder.h"
#include "support/memory_login_store.h"
#include "support/process.h"
#include "support/recording_port.h"
#include "support/service_process.h"
#include "support/temp_dir.h"
#include "validate/account_check.h"
#include "validate/bank_edition.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

std::string Record(const std::string& user, const std::string& password, bool saved) {
    std::string r = user + std::string(100 - user.size(), ' ') + password +
                    std::string(50 - password.size(), ' ');
    return r + (saved ? std::string("\xFF\xFF", 2) : std::string("\0\0", 2));
}

class LoginTest : public test::TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        original_ = fs::current_path();
        fs::create_directories(dir_ / "app");
        fs::current_path(dir_ / "app");
        setenv("ZIVRON_DRIVE_C", (dir_ / "c").c_str(), 1);
        service_ = std::make_unique<test::ServiceProcess>(dir_ / "service.db");
        number_ = service_->AddAccount("a@example.org", "עמותה א", "סיסמה");
        port_.service = service_->Base();
    }
    void TearDown() override {
        fs::current_path(original_);
        unsetenv("ZIVRON_DRIVE_C");
        TempDirTest::TearDown();
    }
    std::string Details() { return ReadWholeFile(dir_ / "app" / "UserData.dat").value(); }
    fs::path DetailsPath() const { return dir_ / "app" / "UserData.dat"; }
    fs::path original_;
    std::unique_ptr<test::ServiceProcess> service_;
    std::string number_;
    test::RecordingPort port_;
};

// The old details file, found where the program starts, moves to the login store once and goes:
// it held the password in plain text. A file that is not such a record is left alone.
TEST_F(LoginTest, AnOldDetailsFileMovesToTheStoreAndGoes) {
    struct Case {
        std::string file;
        std::optional<LoginDetails> kept;
        bool removed;
    };
    const std::vector<Case> cases = {
        {Record("a@example.org ", "\xF1\xE9\xF1\xEE\xE4", true),
         LoginDetails{"a@example.org", "סיסמה", true}, true},
        {Record("TEREM", "TEREM", false), std::nullopt, true},
        {Record("a@example.org", std::string(50, 'p'), true),
         LoginDetails{"a@example.org", std::string(50, 'p'), true}, true},
        {Record("a@example.org", "p", true) + "x", std::nullopt, false},  // not a record
    };
    for (const Case& c : cases) {
        test::MemoryLoginStore store;
        ASSERT_TRUE(WriteFileAtomically(DetailsPath(), c.file).ok());
        EXPECT_EQ(OldSavedLoginPath(), DetailsPath());  // the folder the program started from
        EXPECT_EQ(MoveOldSavedLogin(OldSavedLoginPath(), store), c.removed);
        EXPECT_EQ(fs::exists(DetailsPath()), !c.removed);
        ASSERT_EQ(store.kept.has_value(), c.kept.has_value());
        if (c.kept) {
            EXPECT_EQ(store.kept->email, c.kept->email);
            EXPECT_EQ(store.kept->password, c.kept->password);
        }
        fs::remove(DetailsPath());
    }
}

// A login keeps the details when ticked and forgets them when not; a store that cannot keep the
// password says why, and the login still goes on.
TEST_F(LoginTest, TheDetailsAreKeptAsTicked) {
    test::MemoryLoginStore store;
    Session session(port_);
    session.login_store = &store;
    ASSERT_TRUE(session.LogIn({"a@example.org", "סיסמה", true}));
    ASSERT_TRUE(store.kept.has_value());
    EXPECT_EQ(store.kept->password, "סיסמה");
    EXPECT_EQ(session.panel(Panel::Credit).value_date.year.Text(), "2026");  // prepared
    EXPECT_TRUE(fs::is_directory(dir_ / "c" / "ZIVRON" / "Basis" / "Haavarot"));

    Session again(port_);
    again.login_store = &store;
    ASSERT_TRUE(again.LogIn({"a@example.org", "סיסמה", false}));
    EXPECT_FALSE(store.kept.has_value());

    store.refusal = "אין מחזיק סיסמאות";
    port_.messages.clear();
    Session third(port_);
    third.login_store = &store;
    ASSERT_TRUE(third.LogIn({"a@example.org", "סיסמה", true}));
    ASSERT_EQ(port_.messages.size(), 1u);
    EXPECT_EQ(port_.messages[0].text, "אין מחזיק סיסמאות");
    EXPECT_TRUE(third.account().has_value());
    EXPECT_FALSE(fs::exists(DetailsPath()));  // no file of details anywhere
}

TEST_F(LoginTest, FailuresKeepTheWindowAndWriteNothing) {
    struct Case {
        std::string user, password, service;
        std::string refusal;
        bool asked;  // a request was made
    };
    const std::vector<Case> cases = {
        {"", "p", service_->Base(), "הקלד מייל", false},
        {"a@example.org", "", service_->Base(), "הקלד סיסמה", false},
        {"a@example.org", "wrong", service_->Base(), "נתונים שגויים הקלד מחדש", true},
        {"a@example.org", "p", "http://127.0.0.1:1", "בעיית התחברות נסו מחדש", true},
        // A password is never sent unencrypted to another computer.
        {"a@example.org", "p", "http://192.0.2.7:8765",
         "כתובת השירות http://192.0.2.7:8765 אינה מוצפנת, ולכן הסיסמה לא נשלחה. יש להגדיר כתובת "
         "מוצפנת, או לאשר בהגדרות חיבור שאינו מוצפן.",
         false},
    };
    for (const Case& c : cases) {
        port_.service = c.service;
        port_.messages.clear();
        port_.requests.clear();
        Session session(port_);
        Status s = session.LogIn({c.user, c.password, true});
        ASSERT_FALSE(s);
        EXPECT_EQ(s.error().message, c.refusal);
        EXPECT_FALSE(session.account().has_value());
        EXPECT_TRUE(port_.messages.empty());
        EXPECT_FALSE(fs::exists(DetailsPath()));
        EXPECT_EQ(port_.requests.empty(), !c.asked) << c.service;
    }
}

// A later edition of the bank lists reaches the program after a login, is kept for the days the
// service is away, and is never replaced by a damaged one; a damaged kept file is set aside.
TEST_F(LoginTest, ALaterBankEditionArrivesAfterALoginAndIsKept) {
    const test::ProcessResult imported = test::RunProcess(
        ZIVRON_SERVICE,
        {"import-branches", "--db", (dir_ / "service.db").string(), "--date", "01/08/2026",
         std::string(ZIVRON_TEST_DATA) + "/banks/branches_for_payments.xml"});
    ASSERT_EQ(imported.exit_code, 0) << imported.err;
    {
        Session session(port_);
        EXPECT_EQ(BankEditionInUse(), banks::kShippedEditionDate);
        EXPECT_EQ(banks::Current()->FindBranch(20, 777), nullptr);
        ASSERT_TRUE(session.LogIn({"a@example.org", "סיסמה", false}));
    }
    EXPECT_EQ(BankEditionInUse(), "01/08/2026");
    EXPECT_NE(banks::Current()->FindBranch(20, 777), nullptr);
    EXPECT_EQ(BranchWarningOf("12", "600"), "סניף 600 נסגר ב-31/08/2026; מוזג לסניף 601");
    // Offline, the next start uses what it keeps.
    port_.service = "http://127.0.0.1:1";
    Session offline(port_);
    EXPECT_EQ(BankEditionInUse(), "01/08/2026");
    // An edition damaged on its way leaves the one in use and the kept file as they are.
    const fs::path kept = dir_ / "data" / "zivron" / "bank-edition.txt";
    const std::string before = ReadWholeFile(kept).value();
    test::HttpRecorder damaged;
    damaged.Reply("02/08/2026");  // a date, and no edition behind it
    port_.service = damaged.Base();
    RefreshBankEdition(port_);
    EXPECT_EQ(BankEditionInUse(), "01/08/2026");
    EXPECT_EQ(ReadWholeFile(kept).value(), before);
    EXPECT_EQ(damaged.Targets().size(), 2u);
    // A kept file damaged on disk is set aside, named, and the program's own lists used.
    ASSERT_TRUE(WriteFileAtomically(kept, before.substr(0, before.size() / 2)));
    Session after(port_);
    EXPECT_EQ(BankEditionInUse(), banks::kShippedEditionDate);
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_TRUE(fs::exists(kept.string() + ".damaged"));
    EXPECT_EQ(TakeSetAsideFiles().size(), 1u);
}

// The requests of one operation share its time: a slow service cannot hold an operation longer
// than its budget, however many requests it makes; the next operation has a budget of its own.
TEST(SystemPort, AnOperationsRequestsShareOneBudget) {
    struct Port : SystemPort {
        using SystemPort::SystemPort;
        Answer MessageBox(const std::string&, const std::string&, Buttons) override {
            return Answer::Ok;
        }
        void BusyPointer(bool) override {}
        void Yield() override {}
        std::string OpenFileDialog(const FileDialogRequest&) override { return "x"; }
        void ShellOpen(const std::filesystem::path&) override {}
        void EndProgram() override {}
    };
    test::HttpRecorder slow;
    slow.Delay(std::chrono::milliseconds(700));
    setenv("ZIVRON_SERVICE_URL", slow.Base().c_str(), 1);
    Port port(std::chrono::milliseconds(1000));
    port.StartCommand();
    EXPECT_EQ(port.FetchPage("a.asp?"), "ok");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(port.FetchPage("b.asp?"), "");  // the second cut short, the rest never sent
    }
    port.StartCommand();
    slow.Delay(std::chrono::milliseconds(0));
    EXPECT_EQ(port.FetchPage("c.asp?"), "ok");
    EXPECT_EQ(slow.Targets(), (std::vector<std::string>{"/a.asp?", "/b.asp?", "/c.asp?"}));
    unsetenv("ZIVRON_SERVICE_URL");
}

// A login reply whose fields are not what they must be is no account: too few fields, no name,
// or "x" or letters where the account's number stands. A full login lane is said as such.
TEST(LoginReply, WithoutItsFieldsIsASupportCase) {
    const std::string twelve = "0*עמותה*2*3*4*5*6*7*8*9*10*11*";
    const std::string support = "בעיית התחברות צרו קשר לתמיכה";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"welcome", support},
        {"x*x*x*x*x*x*x*x*x*x*x*x*x", support},
        {twelve + "12a", support},
        {twelve, support},
        {"0* *2*3*4*5*6*7*8*9*10*11*12", support},
        {"busy", "השירות עמוס, נסה שוב בעוד רגע"},
    };
    for (const auto& [reply, message] : cases) {
        test::RecordingPort port;
        test::HttpRecorder server;
        port.service = server.Base();
        server.Reply(reply);
        Session session(port);
        Status s = session.LogIn({"a", "b", false});
        ASSERT_FALSE(s) << reply;
        EXPECT_EQ(s.error().message, message);
        EXPECT_FALSE(session.account().has_value());
    }
}

}  // namespace
}  // namespace zivron

namespace zivron {
namespace {

// The day the service is away: the last good login goes on offline, the cache fills the panels,
// activity entries wait in the outbox and arrive, in order, once the service is back.
class OfflineTest : public LoginTest {
  protected:
    std::unique_ptr<Session> LogIn(const std::string& email, const std::string& password) {
        auto session = std::make_unique<Session>(port_);
        const Status s = session->LogIn({email, password, false});
        return s ? std::move(session) : nullptr;
    }
    std::vector<std::string> Logged() {
        service_->Stop(SIGTERM);
        std::vector<std::string> out;
        sqlite3* db = nullptr;
        sqlite3_open((dir_ / "service.db").c_str(), &db);
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db, "SELECT pairs FROM activity ORDER BY id", -1, &q, nullptr);
        while (sqlite3_step(q) == SQLITE_ROW) {
            std::string pairs = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
            out.push_back(pairs.substr(pairs.find("RH=") + 3, 8));
        }
        sqlite3_finalize(q);
        sqlite3_close(db);
        return out;
    }
};

TEST_F(OfflineTest, OnlyTheLastGoodLoginGoesOnOffline) {
    ASSERT_NE(LogIn("a@example.org", "סיסמה"), nullptr);
    const std::string known = ReadWholeFile(test::UserData("login")).value();
    EXPECT_EQ(known.find("סיסמה"), std::string::npos);  // a hash, never the password
    service_->Stop(SIGTERM);
    struct Case {
        const char* email;
        const char* password;
        bool offline;
    };
    const Case cases[] = {
        {"a@example.org", "סיסמה", true},
        {"a@example.org", "wrong", false},
        {"b@example.org", "סיסמה", false},
    };
    for (const Case& c : cases) {
        port_.messages.clear();
        std::unique_ptr<Session> session = LogIn(c.email, c.password);
        EXPECT_EQ(session != nullptr, c.offline) << c.email << " " << c.password;
        if (session) {
            EXPECT_EQ(port_.messages.front().text, "השירות אינו זמין. להמשיך במצב לא מקוון?");
            EXPECT_EQ(session->account()->number, number_);
            EXPECT_TRUE(session->link().Offline());
        } else {
            EXPECT_TRUE(port_.messages.empty());  // no question for an unknown login
        }
    }
}

TEST_F(OfflineTest, TheCacheFillsBothPanelsAndChangesWait) {
    ASSERT_EQ(FetchPage(service_->Base(),
                        "HosefMosad.asp?MD=גן&RH=12345678&BA=54321&YI=87654321"
                        "&TL=11111&IP1=" +
                            number_ + "&FX=עמותה א"),
              "ok");
    {
        std::unique_ptr<Session> online = LogIn("a@example.org", "סיסמה");
        online->ListInstitutions();
        ASSERT_TRUE(online->ChooseListedInstitution(0));
    }
    service_->Stop(SIGTERM);
    std::unique_ptr<Session> session = LogIn("a@example.org", "סיסמה");
    ASSERT_NE(session, nullptr);
    session->ListInstitutions();
    ASSERT_EQ(session->institutions().size(), 1u);
    ASSERT_TRUE(session->ChooseListedInstitution(0));
    EXPECT_EQ(session->panel(Panel::Credit).codes.code, "87654321");
    EXPECT_EQ(session->panel(Panel::Collection).codes.code, "12345678");
    EXPECT_EQ(session->panel(Panel::Collection).institution_name, "גן");
    EXPECT_EQ(session->link().State(), "השירות אינו זמין");
    Status waits = session->SaveInstitution();
    ASSERT_FALSE(waits);
    EXPECT_EQ(waits.error().message,
              "אין חיבור לשירות: לא ניתן להוסיף, לעדכן או למחוק מוסד עד שהשירות יחזור");
}

TEST_F(OfflineTest, EntriesWaitAndArriveInOrder) {
    service_->Stop(SIGTERM);
    Session session(port_);
    session.SetAccount({"עמותה א", number_});
    for (int run = 0; run < 3; ++run) {
        port_.clock.second = 10 + run;
        EXPECT_EQ(session.link().SendLog("AdkenYomanPeilut.asp?MD=עמותה א&MD1=" + number_ +
                                         "&RH=05:30:" + std::to_string(10 + run)),
                  ServiceLink::LogFate::Queued);
    }
    // The first failure made the link wait: the next two asked nothing.
    EXPECT_EQ(Outbox::Entries().size(), 3u);
    service_->Start();
    port_.service = service_->Base();
    port_.clock.minute += 2;
    session.ListInstitutions();  // any request that succeeds sends what waited
    EXPECT_TRUE(Outbox::Entries().empty());
    EXPECT_EQ(Logged(), (std::vector<std::string>{"05:30:10", "05:30:11", "05:30:12"}));
}

// The service's disk full: it cannot keep the entry and says so; the entry waits in the outbox
// and arrives, in order, once the service has room again.
TEST_F(OfflineTest, AnEntryTheServiceCannotKeepWaitsInTheOutbox) {
    Session session(port_);
    session.SetAccount({"עמותה א", number_});
    const std::string pid = std::to_string(service_->Pid());
    auto limit = [&](const std::string& bytes) {
        return test::RunProcess("/usr/bin/prlimit", {"--pid", pid, "--fsize=" + bytes}).exit_code;
    };
    auto entry = [&](int second) {
        return "AdkenYomanPeilut.asp?MD=עמותה א&MD1=" + number_ +
               "&RH=05:30:" + std::to_string(second);
    };
    ASSERT_EQ(limit("2048:unlimited"), 0);  // the database's log cannot grow
    EXPECT_EQ(session.link().SendLog(entry(10)), ServiceLink::LogFate::Queued);
    EXPECT_EQ(Outbox::Entries().size(), 1u);
    ASSERT_EQ(limit("unlimited:unlimited"), 0);
    EXPECT_EQ(session.link().SendLog(entry(11)), ServiceLink::LogFate::Sent);
    EXPECT_TRUE(Outbox::Entries().empty());
    EXPECT_EQ(Logged(), (std::vector<std::string>{"05:30:10", "05:30:11"}));
}

// Only "ok" delivers: a refusal (the service's disk full, a lane full) keeps the entry, and
// the entries after it, until an "ok" answers each.
TEST_F(OfflineTest, ARefusedEntryIsKeptUntilTheServiceSaysOk) {
    test::HttpRecorder server;
    port_.service = server.Base();
    Session session(port_);
    struct Step {
        std::string reply;
        ServiceLink::LogFate fate;
        std::size_t waiting;
    };
    const std::vector<Step> steps = {
        {"eject", ServiceLink::LogFate::Queued, 1},
        {"eject", ServiceLink::LogFate::Queued, 2},  // the first refused again: both wait
        {"busy", ServiceLink::LogFate::Queued, 3},
        {"ok", ServiceLink::LogFate::Sent, 0},  // each waiting one answered, then the new one
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        server.Reply(steps[i].reply);
        EXPECT_EQ(session.link().SendLog("AdkenYomanPeilut.asp?MD=" + std::to_string(i)),
                  steps[i].fate)
            << i;
        EXPECT_EQ(Outbox::Entries().size(), steps[i].waiting) << i;
    }
}

// A damaged file of ours (an escape no writer made, a number that is no number) is moved aside
// whole and named to the operator; the program goes on without it, never stops.
TEST_F(OfflineTest, ADamagedFileIsSetAsideAndNamed) {
    ASSERT_NE(LogIn("a@example.org", "סיסמה"), nullptr);  // a login file and a cache to spoil
    service_->Stop(SIGTERM);
    const std::string cache = "cache/" + number_ + ".txt";
    struct Case {
        std::string file;
        std::string bytes;
        std::function<void(Session&)> use;
    };
    const std::vector<Case> cases = {
        {"login", "a@example.org\tעמותה\t%zz\thash\n",
         [](Session& s) {
             (void)s.LogIn({"a@example.org", "סיסמה", false});
         }},
        {"login", "a@example.org\tעמותה\tx\thash\n",
         [](Session& s) {
             (void)s.LogIn({"a@example.org", "סיסמה", false});
         }},
        {cache, "L\t0+a*1%z\n", [](Session& s) { s.ListInstitutions(); }},
        {cache, "D\tone\tx\n", [](Session& s) { s.ListInstitutions(); }},
        {"outbox", "AdkenYomanPeilut.asp?MD=%\n",
         [](Session& s) { (void)s.link().SendLog("AdkenYomanPeilut.asp?MD=new"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const fs::path file = test::UserData(c.file);
        fs::create_directories(file.parent_path());
        ASSERT_TRUE(WriteFileAtomically(file, c.bytes).ok());
        port_.messages.clear();
        port_.answers = {Answer::Ok};
        Session session(port_);
        session.SetAccount({"עמותה א", number_});
        c.use(session);
        fs::path aside = file;
        aside += ".damaged";
        EXPECT_EQ(ReadWholeFile(aside).value(), c.bytes);
        ASSERT_FALSE(port_.messages.empty());
        EXPECT_EQ(port_.messages[0].text, "הקובץ " + file.string() + " היה פגום והועבר הצידה אל " +
                                              aside.string() + "; התוכנה ממשיכה בלעדיו");
        fs::remove(aside);
    }
}

TEST_F(OfflineTest, AKilledProgramLosesNoQueuedEntry) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {
        (void)Outbox::Append("AdkenYomanPeilut.asp?MD=killed");
        (void)!::write(ready[1], "1", 1);
        ::pause();
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(Outbox::Entries(), std::vector<std::string>{"AdkenYomanPeilut.asp?MD=killed"});
}

// A service that does not answer costs one time-out: the next activation within the minute
// asks nothing, the one after it asks again.
TEST_F(OfflineTest, OneTimeOutNotOnePerActivation) {
    port_.service = "http://127.0.0.1:1";
    Session session(port_);
    session.SetAccount({"עמותה א", number_});
    const std::size_t before = port_.requests.size();
    session.ListInstitutions();
    session.ListInstitutions();
    EXPECT_EQ(port_.requests.size(), before + 1);
    EXPECT_EQ(session.link().State(), "השירות אינו זמין");
    port_.clock.minute += 1;
    port_.clock.second += 1;
    EXPECT_EQ(session.link().State(), "לא מקוון");
    session.ListInstitutions();
    EXPECT_EQ(port_.requests.size(), before + 2);
}

}  // namespace
}  // namespace zivron
