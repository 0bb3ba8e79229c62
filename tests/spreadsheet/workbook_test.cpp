// What every format shares: compound documents whole, the desktop handed saved files, cell names.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "core/atomic_file.h"
#include "spreadsheet/cfb/compound_reader.h"
#include "spreadsheet/cfb/compound_writer.h"
#include "spreadsheet/read_back.h"
#include "spreadsheet/sheet_fixture.h"
#include "spreadsheet/workbook.h"
#include "support/process.h"

namespace zivron::sheet {
namespace {

TEST(CompoundDocument, StreamsComeBackWhole) {
    const std::vector<std::vector<std::pair<std::u16string, std::string>>> cases = {
        {{u"Workbook", std::string(4095, 'a')}, {u"\5SummaryInformation", "b"}},
        {{u"Workbook", std::string(4096, 'c')}, {u"Ole", ""}, {u"CompObj", std::string(64, 'd')}},
        {{u"Workbook", std::string(9u << 20, 'e')}, {u"\5DocumentSummaryInformation", "f"}},
        {{u"Workbook", "g"},
         {u"_VBA_PROJECT_CUR/VBA/dir", "h"},
         {u"_VBA_PROJECT_CUR/VBA/Module1", std::string(5000, 'i')},
         {u"_VBA_PROJECT_CUR/PROJECT", "j"}},
    };
    for (const auto& streams : cases) {
        const std::string file = CompoundOf(streams);
        auto back = CompoundStreams(file);
        ASSERT_TRUE(back.ok()) << back.error().message;
        std::map<std::u16string, std::string> want(streams.begin(), streams.end());
        std::map<std::u16string, std::string> got(back.value().begin(), back.value().end());
        EXPECT_EQ(got, want) << streams[0].second.size();
    }
}

// A save whose written file does not read back as meant is refused, naming the workbook, and the
// file it was to replace stays as it was: the file cut short, a written text changed on disk.
TEST_F(SpreadsheetTest, ASaveThatDoesNotReadBackKeepsTheOldFile) {
    const auto cut = [](const fs::path& p) { fs::resize_file(p, fs::file_size(p) / 2); };
    const auto changed = [](const fs::path& p) {
        std::string bytes = ReadWholeFile(p).value();
        const std::size_t at = bytes.find("CHECKED");
        ASSERT_NE(at, std::string::npos);
        bytes[at + 6] = 'X';
        ASSERT_TRUE(WriteFileAtomically(p, bytes).ok());
    };
    struct Case {
        std::string file;
        WrittenFileDamage damage;
        std::string why;
    };
    const std::vector<Case> cases = {
        {"xlsx/rich.xlsx", cut, ""},
        {"xls/operator.xls", cut, ""},
        {"xls/operator.xls", changed, "בתא C2 נכתב \"CHECKED\" ונקרא \"CHECKEX\""},
        {"xlsx/sample.xls", changed, "נכתב \"CHECKED\" ונקרא \"CHECKEX\""},
    };
    for (const Case& c : cases) {
        const fs::path p = CopyData(c.file);
        const std::string before = ReadWholeFile(p).value();
        Workbook* wb = MustOpen(p);
        ASSERT_NE(wb, nullptr);
        ASSERT_TRUE(wb->WriteText(2, 3, "CHECKED").ok());
        ASSERT_TRUE(wb->SetFill(2, 3, kRedFill).ok());
        DamageWrittenFilesForTests(c.damage);
        Status saved = wb->Save();
        DamageWrittenFilesForTests({});
        ASSERT_FALSE(saved.ok()) << c.file;
        EXPECT_NE(saved.error().message.find("החוברת " + p.filename().string() + " לא נשמרה"),
                  std::string::npos)
            << saved.error().message;
        EXPECT_NE(saved.error().message.find(c.why), std::string::npos) << saved.error().message;
        EXPECT_EQ(ReadWholeFile(p).value(), before) << c.file;
        for (const fs::directory_entry& e : fs::directory_iterator(p.parent_path())) {
            EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos);
        }
        EXPECT_TRUE(wb->Save().ok()) << c.file;  // undamaged, the same save goes through
        app_.Close(wb);
    }
}

TEST_F(SpreadsheetTest, MakeVisibleHandsTheSavedFileToTheDesktop) {
    Workbook* wb = app_.Add();
    app_.MakeVisible(*wb);  // nothing saved, nothing to show
    EXPECT_TRUE(shown_.empty());
    ASSERT_TRUE(wb->SaveAs(dir_ / "shown.xlsx").ok());
    app_.MakeVisible(*wb);
    EXPECT_EQ(shown_, std::vector<fs::path>{dir_ / "shown.xlsx"});
    app_.Quit();
}

TEST(CellName, BothWays) {
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        {"A1", {1, 1}}, {"Z9", {9, 26}}, {"AA10", {10, 27}}, {"XFD1048576", {kMaxRows, kMaxCols}}};
    for (const auto& [name, rc] : cases) {
        EXPECT_EQ(CellName(rc.first, rc.second), name);
        int r = 0, c = 0;
        ASSERT_TRUE(ParseCellName(name, r, c)) << name;
        EXPECT_EQ(std::make_pair(r, c), rc);
    }
    int r = 0, c = 0;
    for (const char* bad : {"", "A", "1", "A0", "a1", "XFE1", "A1048577", "A1B"}) {
        EXPECT_FALSE(ParseCellName(bad, r, c)) << bad;
    }
}

// Dates stored as ISO text (t="d") read as the day number a date cell holds.
TEST(IsoDate, ReadsAsTheDayNumber) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"2026-12-09", 46365},
        {"2026-12-09T12:00:00", 46365.5},
        {"2026-12-09T06:00:00.5Z", 46365.25 + 0.5 / 86400},
        {"2027-01-31T00:00:00+02:00", 46418},
        {"1900-03-01", 61},
        {"2024-02-29", 45351},
        {"18:00:00", 0.75},
        {"2023-02-29", std::nullopt},
        {"2026-13-01", std::nullopt},
        {"2026-12-9", std::nullopt},
        {"2026-12-09 12:00", std::nullopt},
        {"2026-12-09T25:00", std::nullopt},
        {"09/12/2026", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, day] : cases) {
        const std::optional<double> got = IsoDateSerial(text);
        ASSERT_EQ(got.has_value(), day.has_value()) << text;
        if (day) {
            EXPECT_DOUBLE_EQ(*got, *day) << text;
        }
    }
}

}  // namespace
}  // namespace zivron::sheet
