// The login window: the saved details file byte for byte, and the login against the service.

#include <gtest/gtest.h>

#include "app/login_form.h"
#include "platform/atomic_file.h"
#include "support/http_recorder.h"
#include "support/recording_port.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;
using test::Shown;

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
    fs::path original_;
    std::unique_ptr<test::ServiceProcess> service_;
    std::string number_;
    test::RecordingPort port_;
};

TEST_F(LoginTest, FirstStartCreatesTheDetailsFile) {
    LoginForm login(port_);
    login.Form_Load();
    EXPECT_EQ(Details(), Record("TEREM", "TEREM", false));
    EXPECT_EQ(fs::status(dir_ / "app" / "UserData.dat").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(login.txtUserName, "");
    EXPECT_EQ(login.Check1.value, 0);
}

TEST_F(LoginTest, SavedDetailsComeBackTrimmed) {
    LoginForm login(port_);
    login.Form_Load();
    login.txtUserName = "a@example.org";
    login.txtPassword = "סיסמה";
    login.Check1.value = 1;
    login.cmdOK_Click();
    ASSERT_NE(login.main_window, nullptr);
    EXPECT_EQ(login.main_window->Label4.caption, "עמותה א");
    EXPECT_EQ(login.main_window->Label4.tag, number_);
    EXPECT_EQ(login.main_window->ComEditMosad.tag, "ADD");  // loaded
    EXPECT_TRUE(fs::is_directory(dir_ / "c" / "ZIVRON" / "Basis" / "Haavarot"));
    EXPECT_EQ(Details(), Record("a@example.org", "\xF1\xE9\xF1\xEE\xE4", true));

    LoginForm next(port_);
    next.Form_Load();
    EXPECT_EQ(next.txtUserName, "a@example.org");
    EXPECT_EQ(next.txtPassword, "סיסמה");
    EXPECT_EQ(next.Check1.value, 1);

    // Not ticked: the saved details go back to TEREM.
    next.Check1.value = 0;
    next.cmdOK_Click();
    ASSERT_NE(next.main_window, nullptr);
    EXPECT_EQ(Details(), Record("TEREM", "TEREM", false));
}

TEST_F(LoginTest, LongAndSpacedDetailsAreCutAndTrimmed) {
    ASSERT_TRUE(
        WriteFileAtomically(dir_ / "app" / "UserData.dat",
                            EncodeSavedLogin({"a@example.org ", std::string(60, 'p'), true}))
            .ok());
    EXPECT_EQ(Details(), Record("a@example.org ", std::string(50, 'p'), true));
    LoginForm login(port_);
    login.Form_Load();
    EXPECT_EQ(login.txtUserName, "a@example.org");
    EXPECT_EQ(login.txtPassword, std::string(50, 'p'));
    std::string odd = Record("someone", "x", false);
    odd[150] = 1;  // a flag that is neither saved nor clear leaves the boxes alone
    ASSERT_TRUE(WriteFileAtomically(dir_ / "app" / "UserData.dat", odd).ok());
    LoginForm other(port_);
    other.txtUserName = "typed";
    other.Form_Load();
    EXPECT_EQ(other.txtUserName, "typed");
}

TEST_F(LoginTest, FailuresKeepTheWindowAndWriteNothing) {
    struct Case {
        std::string user, password, service;
        Shown message;
    };
    const std::vector<Case> cases = {
        {"", "p", service_->Base(), {"הקלד מייל", "", Buttons::Ok}},
        {"a@example.org", "", service_->Base(), {"הקלד סיסמה", "x", Buttons::Ok}},
        {"a@example.org",
         "wrong",
         service_->Base(),
         {"נתונים שגויים הקלד מחדש", kVendorTitle, Buttons::Ok}},
        {"a@example.org", "p", "http://127.0.0.1:1", {"בעיית התחברות נסו מחדש", "x", Buttons::Ok}},
    };
    for (const Case& c : cases) {
        port_.service = c.service;
        port_.messages.clear();
        LoginForm login(port_);
        login.txtUserName = c.user;
        login.txtPassword = c.password;
        login.cmdOK_Click();
        EXPECT_EQ(login.main_window, nullptr);
        ASSERT_EQ(port_.messages.size(), 1u);
        EXPECT_EQ(port_.messages[0], c.message);
        EXPECT_EQ(login.txtUserName, c.user);
        EXPECT_FALSE(fs::exists(dir_ / "app" / "UserData.dat"));
    }
}

TEST(LoginReply, WithoutFieldsIsASupportCase) {
    test::RecordingPort port;
    test::HttpRecorder server;
    port.service = server.Base();
    server.Reply("welcome");
    LoginForm login(port);
    login.txtUserName = "a";
    login.txtPassword = "b";
    login.cmdOK_Click();
    EXPECT_EQ(login.main_window, nullptr);
    EXPECT_EQ(port.messages.back(),
              (Shown{"בעיית התחברות צרו קשר לתמיכה", "03-5555555", Buttons::Ok}));
}

}  // namespace
}  // namespace zivron
