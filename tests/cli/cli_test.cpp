// The real zivron-cli binary: what it prints and how it exits.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
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

TEST(Cli, BadArgumentsGiveUsageAndExit2) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"nonsense"},
        {"check-id"},
        {"check-id", "1", "2"},
        {"check-account", "12", "600"},
        {"check-account", "1", "2", "3", "4"},
        {"demo", "neither"},
    };
    for (const auto& args : cases) {
        auto r = RunProcess(ZIVRON_CLI, args);
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("usage:", 0), 0u) << r.err;
    }
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
