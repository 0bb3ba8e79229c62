#include "validate/current_rules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "support/tsv.h"
#include "validate/account_check.h"

namespace zivron {
namespace {

using Key = std::tuple<std::string, std::string, std::string>;

// Every published vector of the current-rule sources; the three the fact sheet judges otherwise
// (an outdated HSBC vector, one tied to a fixed fault, bank 13 read as no-check) are flipped.
TEST(CurrentRules, AgreeWithThePublishedVectors) {
    const std::set<Key> sheet_differs = {
        {"13", "1", "12345"}, {"23", "0", "123456489"}, {"23", "101", "123256489"}};
    const auto rows = test::ReadTsv("rules/bank-vectors-current.tsv");
    ASSERT_EQ(rows.size(), 101u);
    int flipped = 0;
    for (const auto& r : rows) {
        bool expected = r[3] == "valid";
        if (sheet_differs.count({r[0], r[1], r[2]})) {
            expected = !expected;
            ++flipped;
        }
        EXPECT_EQ(current::Check(r[0], r[1], r[2]).valid, expected)
            << r[0] << " / " << r[1] << " / " << r[2] << ": "
            << current::Check(r[0], r[1], r[2]).reason;
    }
    EXPECT_EQ(flipped, 3);
}

// The older rules' vectors: the current set keeps every one but the ten the sheet names, each a
// change of rule.
TEST(CurrentRules, DifferFromTheOlderVectorsWhereTheRulesChanged) {
    const std::set<Key> changed = {{"46", "111", "000032018"}, {"46", "692", "000032018"},
                                   {"14", "692", "000032018"}, {"46", "692", "621697"},
                                   {"12", "600", "100018"},    {"17", "001", "100009"},
                                   {"31", "001", "123"},       {"19", "001", "100002"},
                                   {"07", "123", "10009"},     {"07", "000", "10059"}};
    int differing = 0;
    for (const auto& r : test::ReadTsv("rules/bank-vectors-older.tsv")) {
        const bool same = current::Check(r[0], r[1], r[2]).valid == (r[3] == "valid");
        const bool expect_change = changed.count({r[0], r[1], r[2]}) > 0;
        differing += same ? 0 : 1;
        EXPECT_EQ(same, !expect_change) << r[0] << " / " << r[1] << " / " << r[2];
    }
    EXPECT_EQ(differing, 10);
}

TEST(CurrentRules, WorkedExamplesAndReasons) {
    struct Case {
        const char* bank;
        const char* branch;
        const char* account;
        bool valid;
        const char* reason;
        bool single_source;
    };
    const Case cases[] = {
        {"10", "936", "07869660", true, "", false},  // type 330
        {"10", "906", "19270053", true, "", false},  // type 110, digits 5-6 are 00
        {"10", "000", "00000020", true, "", false},  // no sum-below-100 quirk
        {"10", "936", "07869661", false, "שארית 71 (מודולו 100) אינה מותרת לבנק 10", false},
        {"10", "864", "00002018", true, "", false},  // 110 by 20 at branch 864
        {"10", "864", "00002116", false, "סוג חשבון 110 מותר רק כשספרות 5-6 של החשבון הן 00",
         false},
        {"13", "936", "07869660", true, "", true},
        {"12", "600", "100018", true, "", false},  // remainder 4 at any branch
        {"12", "600", "100019", false, "שארית 5 אינה מותרת לבנק 12", false},
        {"04", "600", "100018", false, "שארית 4 אינה מותרת לבנק 04", false},
        {"20", "406", "160778", true, "", false},  // works as branch 006
        {"20", "826", "10001", true, "", false},   // 826 stays 826: remainder 4
        {"20", "400", "8", true, "", false},       // 400 stays 400: only 401 to 799 lose 400
        {"11", "001", "100009", true, "", false},
        {"17", "001", "100009", true, "", false},
        {"31", "001", "000032018", true, "", false},
        {"31", "001", "000132018", true, "", false},  // remainder 6
        {"31", "361", "320662096", true, "", true},   // stage C, the Otsar method
        {"52", "361", "320662096", false, "שארית 9 (9 ספרות) ו-10 (6 ספרות) אינן מותרות לבנק 52",
         false},
        {"31", "001", "123", false,
         "שארית 10 (9 ספרות) ו-10 (6 ספרות) אינן מותרות לבנק 31, וגם לא בשיטת אוצר החייל", true},
        {"14", "361", "50", true, "", false},  // remainder 4 at an Otsar branch
        {"14", "600", "50", false, "שארית 9 אינה מותרת לבנק 14", false},
        {"46", "154", "2", true, "", false},  // remainder 2 at a Massad branch
        {"46", "155", "2", false, "שארית 9 אינה מותרת לבנק 46", false},
        {"09", "001", "059121900", true, "", false},
        {"22", "001", "700241017", true, "", false},
        {"22", "001", "700241018", false, "ספרת ביקורת שגויה", false},
        {"23", "101", "123456489", true, "", false},
        {"23", "102", "123456001", true, "", false},
        {"23", "103", "123456001", false, "לבנק 23 רק סניפים 101 ו-102", false},
        {"54", "001", "1", true, "", false},
        {"39", "001", "123456789", true, "", true},
        {"18", "001", "123456771", true, "", false},
        {"18", "002", "765432189", true, "", false},
        {"79", "019", "012345637", true, "", true},
        {"69", "900", "123456700", true, "", true},  // no check at 900 and above
        {"35", "100", "1234593", true, "", true},
        {"35", "100", "101234593", false, "לבנק 35 חשבון של 7 ספרות לכל היותר", true},
        {"21", "001", "16632427", true, "", true},
        {"03", "001", "247652342", true, "", false},
        {"47", "001", "700241014", true, "", false},
        {"47", "001", "100000100", true, "", false},  // remainder 0 wants check digit 0
        {"58", "001", "162144279", true, "", true},
        {"01", "001", "6543213", true, "", true},
        {"01", "001", "16543213", false, "לבנק 01 חשבון של 7 ספרות לכל היותר", true},
        {"07", "123", "10009", false, "בנק 07 אינו מוכר", false},
        {"12", "600", "1000000006", false, "מספר החשבון ארוך מ-9 ספרות", false},
        {"12", "600", "0100006", true, "", false},  // leading zeros are not digits
        {"12", "600", "10-006", false, "מספר החשבון אינו מספר", false},
    };
    for (const Case& c : cases) {
        current::Verdict v = current::Check(c.bank, c.branch, c.account);
        EXPECT_EQ(v.valid, c.valid) << c.bank << "/" << c.branch << "/" << c.account;
        EXPECT_EQ(v.reason, c.reason) << c.bank << "/" << c.branch << "/" << c.account;
        EXPECT_EQ(v.single_source, c.single_source)
            << c.bank << "/" << c.branch << "/" << c.account;
    }
}

// A reason names its rule set, and says when the rule rests on one source.
TEST(CheckAccountOf, ReasonsOfBothSets) {
    struct Case {
        RuleSet set;
        const char* bank;
        const char* branch;
        const char* account;
        const char* reason;
    };
    const Case cases[] = {
        {RuleSet::Original, "12", "600", "100018",
         "שארית 4 מותרת לבנק 12 רק בסניפים שברשימות (כללי מס\"ב הישנים)"},
        {RuleSet::Original, "12", "600", "100019",
         "שארית 5 אינה מותרת לבנק 12 (כללי מס\"ב הישנים)"},
        {RuleSet::Original, "10", "000", "20", "סכום הבדיקה קטן מ-100 (כללי מס\"ב הישנים)"},
        {RuleSet::Original, "09", "001", "100005",
         "שארית 1 (מודולו 10) אינה מותרת לבנק 09 (כללי מס\"ב הישנים)"},
        {RuleSet::Original, "22", "001", "100006", "ספרת ביקורת שגויה (כללי מס\"ב הישנים)"},
        {RuleSet::Original, "99", "001", "1", "בנק 99 אינו מוכר (כללי מס\"ב הישנים)"},
        {RuleSet::Original, "4", "600", "100006", ""},  // zero-filled to 04 as the import does
        {RuleSet::Current, "12", "600", "100018", ""},
        {RuleSet::Current, "58", "001", "162144270",
         "שארית 5 אינה מותרת לבנק 58 (כללים עדכניים) – כלל ממקור יחיד"},
        {RuleSet::Current, "07", "123", "10009", "בנק 07 אינו מוכר (כללים עדכניים)"},
    };
    for (const Case& c : cases) {
        CheckResult r = CheckAccountOf(c.set, c.bank, c.branch, c.account);
        EXPECT_EQ(r.valid, std::string(c.reason).empty()) << c.bank << "/" << c.account;
        EXPECT_EQ(r.reason, c.reason) << c.bank << "/" << c.account;
    }
    EXPECT_EQ(CheckIdentity("123456781").reason, "ספרת ביקורת שגויה");
    EXPECT_EQ(CheckIdentity("12a").reason, "אינו מספר");
    EXPECT_EQ(CheckIdentity("").reason, "חסר מספר זהות");
    EXPECT_TRUE(CheckIdentity("18").valid);
}

}  // namespace
}  // namespace zivron
