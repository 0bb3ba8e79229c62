#pragma once
// A folder of its own for each test, removed afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zivron::test {

class TempDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("zivron-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        // What the program keeps for the user (the last login, the cache, the outbox) stays here.
        setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    // A copy of a file of tests/data in this test's folder.
    std::filesystem::path CopyData(const std::string& relative) {
        std::filesystem::path from = std::filesystem::path(ZIVRON_TEST_DATA) / relative;
        std::filesystem::path to = dir_ / from.filename();
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
        return to;
    }
    std::filesystem::path dir_;
};

// A file of the program's user data folder, as the test's environment places it.
inline std::filesystem::path UserData(const std::string& name) {
    return std::filesystem::path(std::getenv("XDG_DATA_HOME")) / "zivron" / name;
}

}  // namespace zivron::test
