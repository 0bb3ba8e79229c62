#include "import/petah.h"

#include <gtest/gtest.h>

#include <deque>

#include "support/temp_dir.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

// Answers the file dialog from a script and keeps every request.
struct ScriptedDialogs : Port {
    std::deque<std::string> answers;
    std::vector<FileDialogRequest> requests;
    Answer MessageBox(const std::string&, const std::string&, Buttons) override {
        return Answer::Ok;
    }
    void BusyPointer(bool) override {}
    void Yield() override {}
    void ShellOpen(const fs::path&) override {}
    std::string OpenFileDialog(const FileDialogRequest& r) override {
        requests.push_back(r);
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
};

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
    ScriptedDialogs port;
    port.answers = {(dir_ / "b" / "list.xlsx").string() + "  ", "x", "",
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

    ASSERT_EQ(port.requests.size(), 4u);
    EXPECT_EQ(port.requests[0].title, "איתור קובץ אקסל ליבוא");
    EXPECT_EQ(port.requests[0].patterns, "*.xls *.xlsx");
    EXPECT_EQ(port.requests[0].start_folder, dir_ / "a");
    // The second dialog starts where the first choice left the working folder.
    EXPECT_EQ(port.requests[1].start_folder, dir_ / "b");
    EXPECT_EQ(port.requests[2].title, "איתור קובץ מסב להמרה לאקסל");
    EXPECT_EQ(port.requests[2].patterns, "");
}

}  // namespace
}  // namespace zivron
