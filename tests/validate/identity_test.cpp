#include "validate/identity.h"

#include <gtest/gtest.h>

#include "support/tsv.h"

namespace zivron {
namespace {

TEST(IsValidIdentityNumber, CheckDigitFromTheRight) {
    struct Case {
        const char* id;
        bool valid;
    };
    const Case cases[] = {
        {"x", false},         {"", false},         {"X", false},          {"12a45", false},
        {"0", true},          {"00", true},        {"1", false},          {"18", true},
        {"26", true},         {"123456782", true}, {"12345674", true},    {"012345674", true},
        {"123456781", false}, {"000000018", true}, {"0000000018", true},  {"-18", false},
        {" 18", false},       {"18 ", false},      {"1.8", false},        {"1e1", false},
        {"1,8", false},       {"91", true},  // 2 * 9 = 18 counts 9
        {"59", true},                        // 2 * 5 = 10 counts 1
        {"58", false},        {"12345678", false}, {"1234567890", false}, {"1234567897", true},
        {"023456782", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidIdentityNumber(c.id), c.valid) << '"' << c.id << '"';
    }
}

// Every digit at every position, and numbers of one to ten digits, from a separate rendering of
// the check (tests/data/rules/make_rule_vectors.py).
TEST(IsValidIdentityNumber, AgreesWithTheSeparateRendering) {
    const auto rows = test::ReadTsv("rules/identities.tsv");
    ASSERT_GT(rows.size(), 250u);
    for (const auto& r : rows) {
        ASSERT_EQ(r.size(), 2u);
        EXPECT_EQ(IsValidIdentityNumber(r[0]), r[1] == "valid") << '"' << r[0] << '"';
    }
}

}  // namespace
}  // namespace zivron
