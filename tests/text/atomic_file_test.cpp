#include "core/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace zivron {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zivron-atomic-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }
    fs::path dir_;
};

TEST_F(AtomicFileTest, ReplacesTheFileWhole) {
    fs::path p = dir_ / "msv.001";
    ASSERT_TRUE(WriteFileAtomically(p, "old").ok());
    ASSERT_TRUE(WriteFileAtomically(p, std::string("new\0bytes", 9)).ok());
    EXPECT_EQ(ReadWholeFile(p).value(), std::string("new\0bytes", 9));
    EXPECT_EQ(Entries(), 1u);  // no temporary file left behind
}

TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    fs::path p = dir_ / "msv.001";
    ASSERT_TRUE(WriteFileAtomically(p, "old").ok());
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    Status s = WriteFileAtomically(p, "new");
    fs::permissions(dir_, fs::perms::owner_all);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().code, ErrorCode::IoFailure);
    EXPECT_EQ(ReadWholeFile(p).value(), "old");
}

TEST_F(AtomicFileTest, AMissingFolderIsAClearError) {
    Status s = WriteFileAtomically(dir_ / "no" / "such" / "msv.001", "x");
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.error().message.find("לא ניתן לכתוב את הקובץ"), std::string::npos);
    EXPECT_EQ(Entries(), 0u);
}

TEST_F(AtomicFileTest, RenameOverAFolderFailsAndCleansUp) {
    fs::create_directories(dir_ / "msv.001" / "inside");
    Status s = WriteFileAtomically(dir_ / "msv.001", "x");
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(Entries(), 1u);
    EXPECT_TRUE(fs::is_directory(dir_ / "msv.001"));
}

TEST_F(AtomicFileTest, OwnerOnlyPermissions) {
    fs::path p = dir_ / "UserData.dat";
    ASSERT_TRUE(
        WriteFileAtomically(p, "secret", fs::perms::owner_read | fs::perms::owner_write).ok());
    EXPECT_EQ(fs::status(p).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace zivron
