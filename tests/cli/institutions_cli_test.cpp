// zivron-cli institutions against a real service.

#include <gtest/gtest.h>

#include "service/fetch_page.h"
#include "support/process.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

namespace zivron {
namespace {

class InstitutionsCliTest : public test::TempDirTest {};

TEST_F(InstitutionsCliTest, ListsTheAccountsInstitutionsOrTheLoginMessage) {
    test::ServiceProcess service(dir_ / "service.db");
    const std::string number = service.AddAccount("a@example.org", "עמותה א", "pw");
    ASSERT_EQ(FetchPage(service.Base(),
                        "HosefMosad.asp?MD=בית ספר&RH=11111111&BA=22222&YI=33333333"
                        "&TL=44444&IP1=" +
                            number + "&FX=עמותה א"),
              "ok");
    const std::map<std::string, std::string> env = {{"ZIVRON_SERVICE_URL", service.Base()},
                                                    {"ZIVRON_DRIVE_C", dir_.string()}};
    auto r = test::RunProcess(
        ZIVRON_CLI, {"institutions", "--email", "a@example.org", "--password", "pw"}, env);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    ASSERT_EQ(r.out.rfind("בית ספר\t", 0), 0u) << r.out;
    EXPECT_EQ(r.out.substr(r.out.find('\t', r.out.find('\t') + 1)),
              "\t33333333\t44444\t11111111\t22222\n");

    auto wrong = test::RunProcess(
        ZIVRON_CLI, {"institutions", "--email", "a@example.org", "--password", "no"}, env);
    EXPECT_EQ(wrong.exit_code, 1);
    EXPECT_EQ(wrong.err, "נתונים שגויים הקלד מחדש\n");
    auto bad = test::RunProcess(ZIVRON_CLI, {"institutions", "--email"}, env);
    EXPECT_EQ(bad.exit_code, 2);

    // With the service stopped, --offline lists what the last good login saw.
    service.Stop(SIGTERM);
    auto offline = test::RunProcess(
        ZIVRON_CLI, {"institutions", "--offline", "--email", "a@example.org", "--password", "pw"},
        env);
    ASSERT_EQ(offline.exit_code, 0) << offline.err;
    EXPECT_EQ(offline.out, r.out);
    auto down = test::RunProcess(
        ZIVRON_CLI, {"institutions", "--email", "a@example.org", "--password", "pw"}, env);
    EXPECT_EQ(down.exit_code, 1);  // without --offline a stopped service stops the listing
}

}  // namespace
}  // namespace zivron
