#include "import/petah.h"

#include <gtest/gtest.h>

#include "support/recording_port.h"
#include "support/temp_dir.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

class PetahTest : public test::TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        original_ = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(original_);
        TempDirTest::TearDown();
    }
    fs::path original_;
};

TEST_F(PetahTest, ChoiceMovesTheWorkingFolderAndCancelGivesX) {
    fs::create_directories(dir_ / "a");
    fs::create_directories(dir_ / "b");
    fs::current_path(dir_ / "a");
    test::RecordingPort port;
    port.dialog_answers = {(dir_ / "b" / "list.xlsx").string() + "  ", "x", "",
                           (dir_ / "a" / "msv.001").string()};
    {
        WorkingFolder keep;
        EXPECT_EQ(Petah(port), (dir_ / "b" / "list.xlsx").string());
        EXPECT_EQ(fs::current_path(), dir_ / "b");
        EXPECT_EQ(Petah(port), "x");     // cancel
        EXPECT_EQ(PetahAll(port), "x");  // a failed dialog
        EXPECT_EQ(PetahAll(port), (dir_ / "a" / "msv.001").string());
    }
    EXPECT_EQ(fs::current_path(), dir_ / "a");  // restored

    ASSERT_EQ(port.dialogs.size(), 4u);
    EXPECT_EQ(port.dialogs[0].title, "איתור קובץ אקסל ליבוא");
    EXPECT_EQ(port.dialogs[0].patterns, "*.xls *.xlsx");
    EXPECT_EQ(port.dialogs[0].start_folder, dir_ / "a");
    // The second dialog starts where the first choice left the working folder.
    EXPECT_EQ(port.dialogs[1].start_folder, dir_ / "b");
    EXPECT_EQ(port.dialogs[2].title, "איתור קובץ מסב להמרה לאקסל");
    EXPECT_EQ(port.dialogs[2].patterns, "");
}

}  // namespace
}  // namespace zivron
