#include "validate/bank_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tsv.h"

namespace zivron {
namespace {

struct AccountCase {
    const char* bank;
    const char* branch;
    const char* account;
    bool valid;
};

void ExpectAll(const std::vector<AccountCase>& cases) {
    std::vector<std::string> messages;
    BankAccountChecker checker([&](const std::string& m) { messages.push_back(m); });
    for (const AccountCase& c : cases) {
        EXPECT_EQ(checker.IsValid(c.bank, c.branch, c.account), c.valid)
            << c.bank << " / " << c.branch << " / " << c.account;
    }
    EXPECT_TRUE(messages.empty());
}

// Vectors of a separate rendering of the rules (tests/data/rules/make_rule_vectors.py): every
// remainder of every rule, both sides of each branch list and boundary, digits at every weight.
TEST(BankAccountChecker, AgreesWithTheSeparateRendering) {
    const auto rows = test::ReadTsv("rules/accounts.tsv");
    ASSERT_GT(rows.size(), 3000u);
    BankAccountChecker checker([](const std::string&) {});
    for (const auto& r : rows) {
        ASSERT_EQ(r.size(), 4u);
        EXPECT_EQ(checker.IsValid(r[0], r[1], r[2]), r[3] == "valid")
            << r[0] << " / " << r[1] << " / " << r[2];
    }
}

TEST(BankAccountChecker, WorkedExamples) {
    ExpectAll({
        {"12", "600", "100006", true},   // S = 66, remainder 0
        {"12", "600", "100008", true},   // remainder 2, list A
        {"12", "600", "100018", false},  // remainder 4, not in C or D
        {"12", "631", "100003", true},   // remainder 6, list D
        {"10", "936", "1002", true},     // S = 170
        {"11", "001", "100009", true},   // remainder 4 at bank 11
        {"17", "001", "100009", false},
        {"20", "826", "10001", true},  // working branch 426, S even
        {"31", "001", "123", true},    // S fails, T = 0
        {"09", "001", "100004", true},
        {"19", "001", "100002", true},
        {"22", "001", "100005", true},
        {"07", "123", "10009", true},
        {"07", "000", "10059", true},  // a 5 at weight 2 adds 10
    });
}

TEST(BankAccountChecker, BankRule2RemaindersAndBranchLists) {
    ExpectAll({
        // remainder 2: lists A to D only
        {"12", "615", "100009", true},  // C
        {"12", "700", "100018", true},  // B
        {"12", "001", "100000", false},
        // remainder 4: C and D
        {"12", "631", "100001", true},
        {"12", "612", "100018", true},
        {"12", "700", "100001", false},
        // remainder 6: D alone
        {"12", "631", "100003", true},
        {"12", "612", "100001", false},
        // never: 1, 3, 5, 7 to 10 (branch 631 is in every list)
        {"12", "631", "100009", false},  // 1
        {"12", "631", "100000", false},  // 3
        {"12", "631", "100002", false},  // 5
        {"12", "631", "100004", false},  // 7
        {"12", "631", "100005", false},  // 8
        {"12", "631", "100006", false},  // 9
        {"12", "631", "100007", false},  // 10
        // the same rule for its other banks
        {"04", "600", "100006", true},
        {"14", "600", "100006", true},
        {"28", "600", "100006", true},
        {"46", "600", "100008", true},
        // the branch is padded before the sum and the list comparison
        {"12", "12", "100005", true},
        {"12", "012", "100005", true},
        {"12", "12", "100007", false},  // remainder 2 at 012, in no list
        // a four-character branch matches no list
        {"12", "0600", "100008", false},
    });
}

TEST(BankAccountChecker, BankRule1SumsAndTheIgnoredFirstDigit) {
    ExpectAll({
        {"10", "000", "1999", true},        // S = 120
        {"10", "000", "20", false},         // S = 20, below 100
        {"10", "999", "999999999", false},  // S = 585, the largest
        {"13", "936", "1002", true},
        {"34", "936", "1002", true},
        {"10", "936", "900001002", true},  // a1 takes no part
        {"10", "936", "1003", false},      // S = 171
    });
}

TEST(BankAccountChecker, BankRule3OnlyBank11AcceptsRemainder4) {
    ExpectAll({
        {"11", "001", "100009", true},
        {"17", "001", "100009", false},
        {"33", "001", "100009", false},
        {"33", "999", "100005", true},  // remainder 0, branch takes no part
        {"17", "001", "100005", true},
    });
}

TEST(BankAccountChecker, BankRule4WorkingBranch) {
    ExpectAll({
        {"20", "861", "10000", true},    // working 461, S = 96 even
        {"20", "461", "10000", false},   // working 061: S = 60, neither
        {"20", "461", "10006", true},    // working 061: S = 66, remainder 0
        {"20", "810", "10001", true},    // working 410, S = 50
        {"20", "810", "10000", false},   // working 410, S = 49
        {"20", "826a", "10001", false},  // a branch over 400 that is not all digits
        {"20", "300", "0", false},       // S = 27, not over 400: no subtraction
    });
}

TEST(BankAccountChecker, BankRules5To9) {
    ExpectAll({
        {"52", "001", "123", true},
        {"31", "001", "1", true},         // three digits or fewer: always valid
        {"31", "001", "1000000", false},  // S = 7 and T = 7
        {"09", "001", "100005", false},
        {"19", "001", "100003", false},
        {"22", "001", "100030", false},  // S mod 11 = 1
        {"22", "001", "100080", false},  // S mod 11 = 0
        {"07", "123", "10008", false},
        {"09", "001", "0001000045", true},  // ten characters: the first nine count
        {"09", "001", "0001000055", false},
    });
}

TEST(BankAccountChecker, CodesWithoutRuleAreInvalidSilently) {
    ExpectAll({
        {"4", "001", "100006", false},
        {"99", "001", "100006", false},
        {"00", "001", "100006", false},
        {" 4", "001", "100006", false},
        {"012", "600", "100006", false},
    });
}

TEST(BankAccountChecker, MissingFieldsShowTheFirstMessageOnly) {
    struct Case {
        const char* bank;
        const char* branch;
        const char* account;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {"", "001", "1", {"קוד בנק שדה חובה"}},
        {"12", "", "1", {"מספר סניף שדה חובה"}},
        {"12", "001", "", {"מספר חשבון שדה חובה"}},
        {"", "", "", {"קוד בנק שדה חובה"}},
        {" ", "001", "1", {}},  // spaces are not empty
    };
    for (const Case& c : cases) {
        std::vector<std::string> shown;
        BankAccountChecker checker([&](const std::string& m) { shown.push_back(m); });
        EXPECT_FALSE(checker.IsValid(c.bank, c.branch, c.account));
        EXPECT_EQ(shown, c.messages);
    }
}

TEST(bank_rules, PadZerosAndDigitSum) {
    EXPECT_EQ(bank_rules::PadZeros("12", 3), "012");
    EXPECT_EQ(bank_rules::PadZeros(" 12", 3), " 12");
    EXPECT_EQ(bank_rules::PadZeros(" 1 ", 5), "00001");
    EXPECT_EQ(bank_rules::PadZeros("", 3), "000");
    EXPECT_EQ(bank_rules::PadZeros("0", 3), "000");
    EXPECT_EQ(bank_rules::PadZeros("1234", 3), "1234");
    const int sums[][2] = {{0, 0}, {9, 9}, {10, 10}, {11, 2}, {12, 3}, {16, 7}, {18, 9}};
    for (const auto& s : sums) {
        EXPECT_EQ(bank_rules::DigitSum(s[0]), s[1]) << s[0];
    }
}

}  // namespace
}  // namespace zivron
