// The login's details on the desktop: the e-mail in the settings, the password in a real
// keyring (gnome-keyring in a private D-Bus session, started by support/with_keyring.sh), and no
// file under the home folder holding the password. Without a keyring the e-mail alone is kept
// and the operator is told once.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>

#include "app/saved_login.h"
#include "core/atomic_file.h"
#include "qt/keyring_login_store.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

const std::string kPassword = "Sod-סיסמה-4417";

// Every file under the home folder that holds `secret`, as text or as Windows-1255.
std::vector<fs::path> FilesHolding(const std::string& secret) {
    std::vector<fs::path> out;
    for (const auto& e : fs::recursive_directory_iterator(std::getenv("HOME"))) {
        if (e.is_regular_file()) {
            Result<std::string> read = ReadWholeFile(e.path());
            const std::string bytes = read ? read.value() : std::string();
            if (bytes.find(secret) != std::string::npos ||
                bytes.find("Sod-") != std::string::npos) {
                out.push_back(e.path());
            }
        }
    }
    return out;
}

bool KeyringRuns() {
    return std::getenv("ZIVRON_NO_KEYRING") == nullptr;
}

TEST(Keyring, ThePasswordGoesToTheKeyringAndNowhereElse) {
    if (!KeyringRuns()) {
        GTEST_SKIP() << "run by the keyring's own test entry";
    }
    qt::KeyringLoginStore store;
    EXPECT_FALSE(store.Load().has_value());
    ASSERT_TRUE(store.Keep({"a@example.org", kPassword, true}).ok());
    std::optional<LoginDetails> back = qt::KeyringLoginStore().Load();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->email, "a@example.org");
    EXPECT_EQ(back->password, kPassword);
    EXPECT_TRUE(back->remember);
    EXPECT_EQ(FilesHolding(kPassword), std::vector<fs::path>{});

    // Another e-mail replaces the first, whose password leaves the keyring.
    ASSERT_TRUE(store.Keep({"b@example.org", "other", true}).ok());
    EXPECT_EQ(store.Load()->email, "b@example.org");
    store.Forget();
    EXPECT_FALSE(store.Load().has_value());

    // The old program's file beside the program: moved into the keyring, then gone.
    const fs::path old = fs::path(std::getenv("HOME")) / "UserData.dat";
    std::string record = "c@example.org" + std::string(87, ' ') + "Sod-old" + std::string(43, ' ');
    record += "\xFF\xFF";
    ASSERT_TRUE(WriteFileAtomically(old, record).ok());
    EXPECT_TRUE(MoveOldSavedLogin(old, store));
    EXPECT_FALSE(fs::exists(old));
    back = store.Load();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->password, "Sod-old");
    EXPECT_EQ(FilesHolding("Sod-old"), std::vector<fs::path>{});
}

TEST(Keyring, WithoutOneTheEmailAloneIsKeptAndTheOperatorToldOnce) {
    if (KeyringRuns()) {
        GTEST_SKIP() << "run by the entry without a keyring";
    }
    qt::KeyringLoginStore store;
    Status first = store.Keep({"a@example.org", kPassword, true});
    ASSERT_FALSE(first.ok());
    EXPECT_EQ(first.error().message,
              "לא נמצא במחשב מחזיק סיסמאות פעיל: המייל נשמר, את הסיסמה יש להקליד בכל כניסה");
    EXPECT_TRUE(store.Keep({"a@example.org", kPassword, true}).ok());  // said once
    std::optional<LoginDetails> back = store.Load();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->email, "a@example.org");
    EXPECT_EQ(back->password, "");
    EXPECT_EQ(FilesHolding(kPassword), std::vector<fs::path>{});
}

}  // namespace
}  // namespace zivron

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName("zivron");
    QCoreApplication::setApplicationName("zivron");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
