// The real zivron-cli binary: what it prints and how it exits.

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "support/process.h"

namespace zivron {
namespace {

using test::RunProcess;

TEST(Cli, CheckAccount) {
    struct Case {
        std::vector<std::string> args;
        int exit_code;
        const char* out;
    };
    const std::vector<Case> cases = {
        {{"12", "600", "100006"}, 0, "valid\n"},
        {{"12", "600", "100018"}, 1, "invalid\n"},
        {{"10", "936", "1002"}, 0, "valid\n"},
        {{"20", "826", "10001"}, 0, "valid\n"},
        {{"7", "123", "10009"}, 0, "valid\n"},  // bank zero-filled to 07
        {{"99", "1", "1"}, 1, "invalid\n"},
        {{"", "", ""}, 1, "invalid\n"},  // zero-filled, so no field is missing
        {{"12", "600", "000100006"}, 0, "valid\n"},
        {{"--current-rules", "12", "600", "100018"}, 0, "valid\n"},
        {{"--explain", "12", "600", "100018"},
         1,
         "invalid\nשארית 4 מותרת לבנק 12 רק בסניפים שברשימות (כללי מס\"ב הישנים)\nבנק הפועלים "
         "בע\"מ / סניף 600 - 600 מרכז תפעול עסקי (בית דגן)\n"},
        {{"--current-rules", "--explain", "07", "123", "10009"},
         1,
         "invalid\nבנק 07 אינו מוכר (כללים עדכניים)\nקארדקום סליקה בע\"מ (Cardcom) / סניף 123\n"},
        // A merged bank never passes; a code too long for the record is never cut to fit.
        {{"--explain", "13", "1", "100006"},
         1,
         "invalid\nבנק 13 מוזג לבנק 20 בשנת 2022; יש לעדכן את פרטי החשבון\nבנק אגוד לישראל "
         "בע\"מ / סניף 1\n"},
        {{"--current-rules", "13", "1", "100006"}, 1, "invalid\n"},
        {{"--explain", "120", "600", "100006"},
         1,
         "invalid\nקוד הבנק 120 ארוך משתי ספרות, ורשומת מס\"ב אינה יכולה לשאת אותו\nבנק 120 / "
         "סניף 600\n"},
        // A branch not in the list is a warning beside a valid account.
        {{"--explain", "20", "826", "10001"},
         0,
         "valid\nסניף 826 אינו ברשימת בנק ישראל\nבנק מזרחי טפחות בע\"מ / סניף 826\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"check-account"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto r = RunProcess(ZIVRON_CLI, args);
        EXPECT_EQ(r.exit_code, c.exit_code) << c.args[0] << "/" << c.args[1] << "/" << c.args[2];
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
}

TEST(Cli, CheckId) {
    const std::pair<const char*, bool> cases[] = {{"123456782", true}, {"18", true},
                                                  {"1", false},        {"x", false},
                                                  {"", false},         {"12a45", false}};
    for (const auto& [id, valid] : cases) {
        auto r = RunProcess(ZIVRON_CLI, {"check-id", id});
        EXPECT_EQ(r.exit_code, valid ? 0 : 1) << id;
        EXPECT_EQ(r.out, valid ? "valid\n" : "invalid\n") << id;
    }
}

TEST(Cli, BanksAndBranchesWithTheirNames) {
    struct Case {
        std::vector<std::string> args;
        int exit_code;
        std::string out, err;
    };
    const std::vector<Case> cases = {
        {{"20", "461"},
         0,
         "20\tבנק מזרחי טפחות בע\"מ\tפעיל\n461\tמרכז עסקים ראשי ת\"א\tתל אביב -יפו\tאלנבי 105\n",
         ""},
        {{"11", "188"},
         0,
         "11\tבנק דיסקונט לישראל בע\"מ\tפעיל\n188\tהקניונים\tראשון לציון\tסחרוב 18 א.ת מערב "
         "ראשל\"צ\tנסגר "
         "ב-21/11/2024\tמוזג לסניף 506\n",
         ""},
        {{"13"}, 0, "13\tבנק אגוד לישראל בע\"מ\tמוזג לבנק 20 (2022)\n", ""},
        {{"12", "999"}, 1, "12\tבנק הפועלים בע\"מ\tפעיל\n", "סניף 999 אינו ברשימת בנק ישראל\n"},
        {{"8"}, 1, "", "בנק 8 אינו ברשימת בנק ישראל\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"banks"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto r = RunProcess(ZIVRON_CLI, args);
        EXPECT_EQ(r.exit_code, c.exit_code) << c.args[0];
        EXPECT_EQ(r.out, c.out) << c.args[0];
        EXPECT_EQ(r.err, c.err) << c.args[0];
    }
    auto all = RunProcess(ZIVRON_CLI, {"banks"});
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 40);
    EXPECT_NE(all.out.find("60\tCardcom (old code)\tהוחלף בקוד 7 (2024)\n"), std::string::npos);
}

TEST(Cli, BadArgumentsGiveUsageAndExit2) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"nonsense"},
        {"check-id"},
        {"check-id", "1", "2"},
        {"check-account", "12", "600"},
        {"check-account", "1", "2", "3", "4"},
        {"demo", "neither"},
        {"verify"},
        {"verify", "a", "b"},
        {"banks", "x"},
        {"banks", "1", "2", "3"},
    };
    for (const auto& args : cases) {
        auto r = RunProcess(ZIVRON_CLI, args);
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("usage:", 0), 0u) << r.err;
    }
}

std::string ReadData(const std::string& relative) {
    std::ifstream f(std::string(ZIVRON_TEST_DATA) + "/" + relative, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Every expected file reads back to the rows and total its separate rendering printed.
TEST(Cli, VerifyReadsEveryExpectedFile) {
    namespace fs = std::filesystem;
    int files = 0;
    for (const auto& e : fs::directory_iterator(fs::path(ZIVRON_TEST_DATA) / "masav")) {
        if (e.path().extension() != ".001") {
            continue;
        }
        ++files;
        auto r = RunProcess(ZIVRON_CLI, {"verify", e.path().string()});
        EXPECT_EQ(r.exit_code, 0) << e.path() << r.err;
        fs::path expected = e.path();
        EXPECT_EQ(r.out,
                  ReadData("masav/" + expected.replace_extension(".txt").filename().string()))
            << e.path();
    }
    EXPECT_EQ(files, 10);
}

// Damaged copies of a good file: each fails at its record and names the field.
TEST(Cli, VerifyNamesTheFirstFault) {
    namespace fs = std::filesystem;
    const std::string good = ReadData("masav/road_credit.001");  // 7 lines of 130 bytes
    auto at = [](int record, int position) {
        return static_cast<std::size_t>((record - 1) * 130 + position - 1);
    };
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        const char* fault;
    };
    const std::vector<Case> cases = {
        {"a letter in an amount", [&](std::string& f) { f[at(2, 62)] = 'x'; },
         "רשומה 2: השדה שקלים אינו ספרות"},
        {"one amount digit changed", [&](std::string& f) { f[at(3, 72)] += 1; },
         "רשומה 6: סך הסכומים 2584.42 וסכום הרשומות 2585.42"},
        {"the trailer total off by one agora", [&](std::string& f) { f[at(6, 36)] -= 1; },
         "רשומה 6: סך הסכומים 2584.41 וסכום הרשומות 2584.42"},
        {"a record cut short", [&](std::string& f) { f.erase(at(3, 50), 1); },
         "רשומה 3: אורך הרשומה אינו 128 תווים"},
        {"a missing end line", [&](std::string& f) { f.resize(f.size() - 130); },
         "רשומה 6: חסרה שורת הסיום"},
        {"a wrong terminator", [&](std::string& f) { f.erase(at(2, 129), 1); },
         "רשומה 2: סיום השורה אינו CR LF"},
        {"a count off by one", [&](std::string& f) { f[at(6, 58)] = '5'; },
         "רשומה 6: מספר התנועות 5 ובקובץ 4 רשומות תנועה"},
        {"a detail of another kind", [&](std::string& f) { f[at(4, 1)] = '5'; },
         "רשומה 4: אינה רשומת תנועה"},
        {"bytes after the end line", [&](std::string& f) { f += "x"; },
         "רשומה 8: יש נתונים אחרי שורת הסיום"},
    };
    const fs::path p = fs::temp_directory_path() / ("zivron-verify-" + std::to_string(::getpid()));
    for (const Case& c : cases) {
        std::string bytes = good;
        c.damage(bytes);
        std::ofstream(p, std::ios::binary) << bytes;
        auto r = RunProcess(ZIVRON_CLI, {"verify", p.string()});
        EXPECT_EQ(r.exit_code, 1) << c.what;
        EXPECT_EQ(r.err.rfind(c.fault, 0), 0u) << c.what << ": " << r.err;
    }
    fs::remove(p);
    auto missing = RunProcess(ZIVRON_CLI, {"verify", p.string()});
    EXPECT_EQ(missing.exit_code, 2);
}

TEST(Cli, DemoWritesTheSampleFileUnderTheDriveRoot) {
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("zivron-cli-demo-" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const char* variant : {"credit", "collection"}) {
        auto r = RunProcess(
            ZIVRON_CLI, {"demo", variant},
            {{"ZIVRON_DRIVE_C", root.string()}, {"ZIVRON_SERVICE_URL", "http://127.0.0.1:1"}});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        fs::path msv = root / "ZIVRON" / "Shidur" / "msv.001";
        EXPECT_EQ(r.out, (root / "ZIVRON" / "Demo" / "sample.xlsx").string() +
                             "\ntyping-errors=1 invalid-accounts=0 invalid-ids=0 transactions=5 "
                             "total=3480.3\n" +
                             msv.string() + "\n");
        std::ifstream f(msv, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        const std::string file = ss.str();
        const bool credit = std::string(variant) == "credit";
        EXPECT_EQ(file.size(), credit ? 130u * 8 : 129u * 7 + 130) << variant;
        EXPECT_EQ(file.substr(125, 3), credit ? "KOT" : "kot");
    }
    fs::remove_all(root);
}

}  // namespace
}  // namespace zivron
