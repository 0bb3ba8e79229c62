#include "text/hebrew.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zivron {
namespace {

std::string Bytes(std::initializer_list<int> codes) {
    std::string s;
    for (int c : codes) {
        s.push_back(static_cast<char>(c));
    }
    return s;
}

TEST(Windows1255, EncodesLettersAndMarksTheRest) {
    EXPECT_EQ(ToWindows1255("אבת"), Bytes({224, 225, 250}));
    EXPECT_EQ(ToWindows1255("abc 12"), "abc 12");
    EXPECT_EQ(ToWindows1255("₪"), Bytes({164}));
    EXPECT_EQ(ToWindows1255("Ж"), "?");          // Cyrillic
    EXPECT_EQ(ToWindows1255("😀"), "?");          // outside the basic plane
    EXPECT_EQ(ToWindows1255("Ù"), "?");          // a byte the code page leaves undefined
    EXPECT_EQ(ToWindows1255("\xE0\x80"), "??");  // truncated sequence, then a stray byte
    EXPECT_EQ(ToWindows1255("\xC0\xAF"), "??");  // overlong
    EXPECT_EQ(ToWindows1255("\xD7\x90\xD7"), Bytes({224, '?'}));  // a letter's lead byte alone
}

TEST(Windows1255, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(ToWindows1255(FromWindows1255(all)), all);
    EXPECT_EQ(FromWindows1255(Bytes({249, 236, 229, 237})), "שלום");
}

TEST(ToOldHebrewCode, OldCodeReversed) {
    struct Case {
        const char* text;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"שלום", Bytes({141, 133, 140, 153})},
        {"AB 12", "21 BA"},
        {"כהן 7", Bytes({55, 32, 143, 132, 139})},
        {"א", Bytes({128})},
        {"ת", Bytes({154})},
        {"Жא", Bytes({128, '?'})},
        {"\xEF\x9F\xBB", Bytes({155})},  // byte 251 by the same rule
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToOldHebrewCode(c.text), c.bytes) << c.text;
    }
}

TEST(ToOldHebrewCode, EveryLetterMovesDownBy96) {
    const std::string letters = "אבגדהוזחטיךכלםמןנסעףפץצקרשת";
    std::string expected;
    for (int k = 26; k >= 0; --k) {
        expected.push_back(static_cast<char>(128 + k));
    }
    EXPECT_EQ(ToOldHebrewCode(letters), expected);
}

TEST(PayrollNameToHebrew, MapsByTheTable) {
    struct Case {
        std::string text;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"abc", "דגב"},
        {"000", "@@@"},
        {"2", "50"},
        {Bytes({224}), "-"},
        {Bytes({250}), "-"},
        {"&", "א"},
        {"k", "107"},
        {"m", "109"},
        {"t", "116"},
        {"`", "96"},
        {"/", "47"},
        {"A", "65"},
        {"14", "@@"},
        {"a b", "ג ב"},
        {"23", "5150"},  // reversed first, so the codes keep
                         // their digits in reading order
        {"zyxwvu", "צץקרשת"},
        {"", ""},
        {Bytes({251}), "251"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PayrollNameToHebrew(c.text), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace zivron
