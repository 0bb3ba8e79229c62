// The table of the operator's words, read as a reviewer would: no title that is "x" or empty, no
// Latin word inside a Hebrew sentence but a file's name or Excel's, no other vendor's name or
// telephone anywhere in the program's texts, and every placeholder filled.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/texts.h"

namespace zivron {
namespace {

bool HasHebrew(std::string_view text) {
    // Hebrew letters are U+05D0 to U+05EA: D7 90 to D7 AA in UTF-8.
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(text[i + 1]);
        if (a == 0xD7 && b >= 0x90 && b <= 0xAA) {
            return true;
        }
    }
    return false;
}

// The Latin words of a text that are neither a file's name nor a pattern nor Excel.
std::vector<std::string> StrayLatinWords(const std::string& text) {
    static const std::regex word(R"([A-Za-z][A-Za-z0-9_.*-]*)");
    std::vector<std::string> out;
    for (std::sregex_iterator it(text.begin(), text.end(), word), end; it != end; ++it) {
        const std::string w = it->str();
        if (w != "Excel" && w.find('.') == std::string::npos) {
            out.push_back(w);
        }
    }
    return out;
}

TEST(Texts, ReadAsTheOperatorReadsThem) {
    for (const texts::Entry& e : texts::kAll) {
        SCOPED_TRACE(std::string(e.name));
        EXPECT_TRUE(HasHebrew(e.text));
        EXPECT_NE(e.text, "x");
        EXPECT_EQ(StrayLatinWords(std::string(e.text)), std::vector<std::string>{});
    }
}

TEST(Texts, PlaceholdersAreFilledInOrder) {
    const std::pair<std::string, std::string> cases[] = {
        {texts::Filled(texts::kConversionCut, {"12", "10"}),
         "בקובץ 12 רשומות; נכתבו 10 הראשונות בלבד"},
        {texts::Filled(texts::kFileMade, {"/c/ZIVRON/Shidur/msv.001"}),
         "הקובץ נוצר בהצלחה: /c/ZIVRON/Shidur/msv.001\nלפתוח את תיקיית השידור?"},
        {texts::Filled("%2 %1 %3", {"a", "b"}), "b a %3"},  // a value not given stays a mark
        {texts::Filled("100%", {"a"}), "100%"},
    };
    for (const auto& [got, want] : cases) {
        EXPECT_EQ(got, want);
    }
}

// No text of the program, in the table or beside a check, names another vendor or telephone.
TEST(Texts, NoOtherVendorInAnySource) {
    const std::regex telephone(R"("[^"\n]*\b0\d-\d{7}\b)");  // "03-5555555" inside a text
    for (const auto& e :
         std::filesystem::recursive_directory_iterator(std::filesystem::path(ZIVRON_SOURCE_DIR))) {
        const std::string ext = e.path().extension().string();
        if (ext != ".cpp" && ext != ".h" && ext != ".def") {
            continue;
        }
        std::ifstream in(e.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string source = text.str();
        EXPECT_EQ(source.find("קדמור"), std::string::npos) << e.path();
        for (std::sregex_iterator it(source.begin(), source.end(), telephone), end; it != end;
             ++it) {
            ADD_FAILURE() << e.path() << ": " << it->str();
        }
    }
}

}  // namespace
}  // namespace zivron
