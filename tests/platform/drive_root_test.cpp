#include "platform/drive_root.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zivron {
namespace {

class DriveRootTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("ZIVRON_DRIVE_C");
        had_ = old != nullptr;
        if (had_) {
            old_ = old;
        }
    }
    void TearDown() override {
        if (had_) {
            setenv("ZIVRON_DRIVE_C", old_.c_str(), 1);
        } else {
            unsetenv("ZIVRON_DRIVE_C");
        }
    }
    bool had_ = false;
    std::string old_;
};

TEST_F(DriveRootTest, MapsWrittenPathsUnderTheRoot) {
    setenv("ZIVRON_DRIVE_C", "/srv/c", 1);
    struct Case {
        const char* written;
        const char* real;
    };
    const Case cases[] = {
        {"C:\\ZIVRON\\Shidur\\msv.001", "/srv/c/ZIVRON/Shidur/msv.001"},
        {"c:\\Hamara.xls", "/srv/c/Hamara.xls"},
        {"\\UserData.dat", "/srv/c/UserData.dat"},
        {"C:\\ZIVRON\\Arhiv\\Zikuyim\\2026\\12_2026\\7_05_30_12.001",
         "/srv/c/ZIVRON/Arhiv/Zikuyim/2026/12_2026/7_05_30_12.001"},
        {"C:\\..\\..\\etc\\passwd", "/srv/c/etc/passwd"},
        {"C:/ZIVRON//Basis", "/srv/c/ZIVRON/Basis"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MapWrittenPath(c.written).string(), c.real) << c.written;
    }
}

TEST_F(DriveRootTest, FallsBackToHome) {
    unsetenv("ZIVRON_DRIVE_C");
    ASSERT_NE(std::getenv("HOME"), nullptr);
    EXPECT_EQ(DriveRoot().string(), std::getenv("HOME"));
    setenv("ZIVRON_DRIVE_C", "", 1);
    EXPECT_EQ(DriveRoot().string(), std::getenv("HOME"));
}

}  // namespace
}  // namespace zivron
