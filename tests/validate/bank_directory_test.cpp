// The bank and branch lists as the program carries them: the snapshot built in, and the reasons
// a merged bank, a closed or unknown branch give.

#include <gtest/gtest.h>

#include <chrono>

#include "validate/bank_directory.h"

namespace zivron::banks {
namespace {

TEST(BankDirectory, TheShippedSnapshot) {
    const Directory& d = Shipped();
    EXPECT_EQ(d.Banks().size(), 40u);
    EXPECT_EQ(d.BranchCount(), 1447u);
    ASSERT_NE(d.FindBank(12), nullptr);
    EXPECT_EQ(d.FindBank(12)->name, "בנק הפועלים בע\"מ");
    EXPECT_EQ(d.FindBank(13)->state, BankState::Merged);
    EXPECT_EQ(d.FindBank(14)->state, BankState::Active);  // merged into 31, its code in use
    ASSERT_NE(d.FindBranch(20, 461), nullptr);
    EXPECT_EQ(d.FindBank(21)->name, "");  // a new code the list names no entity for
    EXPECT_EQ(d.FindBank(8), nullptr);
}

TEST(BankDirectory, ReasonsOfCodesOutOfUse) {
    struct Case {
        std::int64_t bank;
        const char* refusal;  // "" for a code in use
    };
    const std::vector<Case> cases = {
        {13, "בנק 13 מוזג לבנק 20 בשנת 2022; יש לעדכן את פרטי החשבון"},
        {68, "בנק 68 נסגר ב-01/12/2019; יש לעדכן את פרטי החשבון"},
        {60, "קוד בנק 60 הוחלף בקוד 7 בשנת 2024; יש לעדכן את פרטי החשבון"},
        {61, "קוד בנק 61 הוחלף בקוד 5 בשנת 2024; יש לעדכן את פרטי החשבון"},
        {14, ""},
        {26, ""},
        {52, ""},
        {12, ""},
        {21, ""},
        {8, ""},  // unknown to the list: the check digits judge it
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Shipped().BankRefusal(c.bank).value_or(""), c.refusal) << c.bank;
    }
}

TEST(BankDirectory, BranchesThatDeserveASecondLook) {
    struct Case {
        std::int64_t bank, branch;
        std::string warning;
    };
    const std::vector<Case> cases = {
        {12, 600, ""},
        {12, 999, "סניף 999 אינו ברשימת בנק ישראל"},
        {11, 188, "סניף 188 נסגר ב-21/11/2024; מוזג לסניף 506"},
        {12, 456, "סניף 456 נסגר ב-31/03/2025"},
        {2, 123, ""},  // CAL: no branch of it in the list, nothing to judge by
        {99, 1, ""},
        {10, 997, "סניף 997 אינו ברשימת בנק ישראל"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Shipped().BranchWarning(c.bank, c.branch).value_or(""), c.warning)
            << c.bank << "/" << c.branch;
    }
    EXPECT_EQ(Shipped().Describe(20, 461).rfind("בנק מזרחי טפחות בע\"מ / סניף 461 - ", 0), 0u);
    EXPECT_EQ(Shipped().Describe(8, 1), "בנק 8 / סניף 1");
}

TEST(BankDirectory, ADamagedEditionIsRefusedWithItsLine) {
    const std::string banks = "bank_code\tbank_name\tstatus\tnote\tsource\n10\tלאומי\tactive\t\t\n";
    struct Case {
        std::string branches;
        std::string error;  // "" when it parses
    };
    const std::vector<Case> cases = {
        {"h\n10\tלאומי\t800\tראשי\tתל אביב\tא\t\t\n", ""},
        {"h\n10\tלאומי\tx\tראשי\tתל אביב\tא\t\t\n",
         "רשימת הבנקים פגומה: branches.tsv שורה 2: קוד שאינו מספר"},
        {"h\n10\tלאומי\t800\n", "רשימת הבנקים פגומה: branches.tsv שורה 2: חסרים שדות"},
    };
    for (const Case& c : cases) {
        Result<Directory> d = Directory::Parse(banks, c.branches);
        EXPECT_EQ(d ? "" : d.error().message, c.error);
    }
    EXPECT_FALSE(Directory::Parse("h\nx\ty\tactive\n", ""));
    // Found by the fuzzer: a successor past any number threw from the parse.
    const Result<Directory> huge =
        Directory::Parse("h\n13\ty\tmerged into 2011111111111111111111\n", "");
    ASSERT_FALSE(huge);
    EXPECT_EQ(huge.error().message,
              "רשימת הבנקים פגומה: banks.tsv שורה 2: הבנק שאליו מוזג אינו קוד");
}

}  // namespace
}  // namespace zivron::banks
