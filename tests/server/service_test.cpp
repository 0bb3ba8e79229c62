// zivron-service as the program meets it: real HTTP on loopback, queries in Windows-1255.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>

#include "core/atomic_file.h"
#include "pages.h"
#include "service/fetch_page.h"
#include "support/process.h"
#include "support/service_process.h"
#include "support/temp_dir.h"
#include "validate/bank_edition.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

class ServiceTest : public test::TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        service_ = std::make_unique<test::ServiceProcess>(dir_ / "service.db");
        a_ = service_->AddAccount("a@example.org", "עמותה א", "סוד-1");
        b_ = service_->AddAccount("b@example.org", "עמותה ב", "secret-2");
    }
    std::string Get(const std::string& q) { return FetchPage(service_->Base(), q); }
    std::string AddFor(const std::string& number, const std::string& name,
                       const std::string& inst) {
        return Get("HosefMosad.asp?MD=" + inst + "&RH=12345678&BA=54321&YI=x&TL=x&IP1=" + number +
                   "&FX=" + name);
    }
    // The number of the only institution of a list reply.
    std::string OnlyNumber(const std::string& list) { return list.substr(list.rfind('*') + 1); }
    std::unique_ptr<test::ServiceProcess> service_;
    std::string a_, b_;
};

TEST_F(ServiceTest, LoginRepliesTheAccountRecordOrEject) {
    std::string reply = Get("KoreSismaManuy.asp?Mis=a@example.org&Sis=סוד-1");
    std::vector<std::string> fields;
    for (std::size_t at = 0;;) {
        std::size_t star = reply.find('*', at);
        fields.push_back(reply.substr(at, star - at));
        if (star == std::string::npos)
            break;
        at = star + 1;
    }
    ASSERT_GE(fields.size(), 13u);
    EXPECT_EQ(fields[1], "עמותה א");
    EXPECT_EQ(fields[12], a_);
    EXPECT_EQ(a_.size(), 15u);
    EXPECT_NE(a_, b_);
    EXPECT_EQ(Get("KoreSismaManuy.asp?Mis=a@example.org&Sis=wrong"), "eject");
    EXPECT_EQ(Get("KoreSismaManuy.asp?Mis=nobody@example.org&Sis=x"), "eject");
}

// A list goes a part at a time: across the parts' seams none is lost or given twice, the order
// is the order added, and every number listed may be asked for from the listing address.
TEST_F(ServiceTest, AListOfManyPartsArrivesWholeInOrder) {
    for (int i = 0; i < 150; ++i) {
        ASSERT_EQ(AddFor(b_, "עמותה ב", "מוסד " + std::to_string(i)), "ok");
    }
    const std::string list = Get("KoreMosadot.asp?Mis=" + b_);
    std::vector<std::string> names;
    std::vector<std::string> numbers;
    for (std::size_t plus = list.find('+'); plus != std::string::npos;) {
        const std::size_t star = list.find('*', plus);
        const std::size_t next = list.find('+', star);
        names.push_back(list.substr(plus + 1, star - plus - 1));
        numbers.push_back(list.substr(star + 1, next - star - 1));
        plus = next;
    }
    ASSERT_EQ(names.size(), 150u);
    for (int i = 0; i < 150; ++i) {
        EXPECT_EQ(names[static_cast<std::size_t>(i)], "מוסד " + std::to_string(i));
    }
    const std::string owner = "&IP1=" + b_ + "&FX=עמותה ב";
    EXPECT_EQ(Get("KorePerateyMosad.asp?Mis=" + numbers.back() + owner).rfind(numbers.back(), 0),
              0u);
}

// The Bank of Israel's branch file becomes the next edition of the lists the program fetches;
// a damaged or older file is refused and the edition in use is kept.
TEST_F(ServiceTest, ImportBranchesKeepsAnEditionAndRefusesADamagedOne) {
    EXPECT_EQ(Get("BankEdition.asp"), "none");
    const fs::path good = fs::path(ZIVRON_TEST_DATA) / "banks/branches_for_payments.xml";
    const std::string xml = ReadWholeFile(good).value();
    auto import = [&](const std::string& text, const std::string& date) {
        const fs::path file = dir_ / "branches.xml";
        std::ofstream(file, std::ios::binary) << text;
        return test::RunProcess(
            ZIVRON_SERVICE, {"import-branches", "--db", (dir_ / "service.db").string(), "--date",
                             date, file.string()});
    };
    const test::ProcessResult kept = import(xml, "01/08/2026");
    ASSERT_EQ(kept.exit_code, 0) << kept.err;
    EXPECT_EQ(kept.out, "edition 01/08/2026: 40 banks, 32 branches\n");
    EXPECT_EQ(Get("BankEdition.asp"), "01/08/2026");
    Result<banks::Edition> edition = banks::DecodeEdition(Get("BankEdition.asp?get=1"));
    ASSERT_TRUE(edition) << edition.error().message;
    EXPECT_NE(edition.value().branches_tsv.find("12\tבנק הפועלים בע\"מ\t600\tמרכז תפעול\tבית "
                                                "דגן\tהדקל 1\t2026-08-31\t601\n"),
              std::string::npos);
    struct Case {
        std::string text, date, error;
    };
    const std::size_t first = xml.find("<branch>");
    const std::vector<Case> refused = {
        {std::string(xml).replace(xml.find("<branch_code>777<"), 17, "<branch_code>7x7<"),
         "02/08/2026", "branch record 32 of the file: a code that is not a number"},
        {std::string(xml).replace(xml.find("31/08/2026"), 10, "2026-08-31"), "02/08/2026",
         "branch record 30 of the file: a closing date that is not dd/mm/yyyy"},
        {xml.substr(0, xml.find("</branch>", first) + 9) + "</branches>", "02/08/2026",
         "רשימת הבנקים שהתקבלה פגומה: כל סניפי בנק 3 חסרים"},
        {xml.substr(0, first) + "</branches>", "02/08/2026", "the file holds no <branch> record"},
        {"\xEF\xBB\xBF<branches><branch>", "02/08/2026", "not XML: "},
        {xml, "01/08/2026", "the edition of 01/08/2026 is not later than the one of 01/08/2026"},
    };
    for (const Case& c : refused) {
        const test::ProcessResult r = import(c.text, c.date);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err.rfind("zivron-service: " + c.error, 0), 0u) << r.err;
        EXPECT_EQ(Get("BankEdition.asp"), "01/08/2026");
    }
}

TEST_F(ServiceTest, InstitutionsBelongToTheirAccount) {
    EXPECT_EQ(Get("KoreMosadot.asp?Mis=" + a_), "0");
    EXPECT_EQ(Get("KoreMosadot.asp?Mis=999"), "exit");
    ASSERT_EQ(AddFor(a_, "עמותה א", "בית ספר"), "ok");
    const std::string list = Get("KoreMosadot.asp?Mis=" + a_);
    ASSERT_EQ(list.rfind("0+בית ספר*", 0), 0u) << list;
    const std::string number = OnlyNumber(list);
    EXPECT_GT(std::stoll(number), 0);
    const std::string of_a = "&IP1=" + a_ + "&FX=עמותה א";
    EXPECT_EQ(Get("KorePerateyMosad.asp?Mis=" + number + of_a),
              number + "*בית ספר*12345678*54321*x*x");
    // Details are their owner's alone: no name, another account, a wrong name.
    for (const std::string& asker :
         {std::string(), "&IP1=" + b_ + "&FX=עמותה ב", "&IP1=" + a_ + "&FX=עמותה ב"}) {
        EXPECT_EQ(Get("KorePerateyMosad.asp?Mis=" + number + asker), "eject") << asker;
    }

    // B sees nothing of A's and can change nothing of it.
    EXPECT_EQ(Get("KoreMosadot.asp?Mis=" + b_), "0");
    const std::string as_b = "&MD=גנב&RH=0&BA=0&YI=x&TL=x&IP1=" + b_ + "&FX=עמותה ב";
    EXPECT_NE(Get("AdkenMosad.asp?Mis=" + number + as_b), "ok");
    EXPECT_NE(Get("MehakMosad.asp?Mis=" + number + as_b), "ok");
    // Nor can anyone who names A's number without A's name.
    EXPECT_NE(AddFor(a_, "עמותה ב", "זר"), "ok");
    const std::string wrong_name = "&MD=זר&RH=0&BA=0&YI=x&TL=x&IP1=" + a_ + "&FX=עמותה ב";
    EXPECT_NE(Get("AdkenMosad.asp?Mis=" + number + wrong_name), "ok");
    EXPECT_NE(Get("MehakMosad.asp?Mis=" + number + wrong_name), "ok");
    EXPECT_EQ(Get("KoreMosadot.asp?Mis=" + a_), list);

    const std::string as_a =
        "&MD=בית ספר חדש&RH=0&BA=0&YI=87654321&TL=12345&IP1=" + a_ + "&FX=עמותה א";
    EXPECT_EQ(Get("AdkenMosad.asp?Mis=" + number + as_a), "ok");
    EXPECT_EQ(Get("KorePerateyMosad.asp?Mis=" + number + of_a),
              number + "*בית ספר חדש*0*0*87654321*12345");
    EXPECT_EQ(Get("MehakMosad.asp?Mis=" + number + as_a), "ok");
    EXPECT_EQ(Get("KoreMosadot.asp?Mis=" + a_), "0");
    EXPECT_EQ(Get("MehakMosad.asp?Mis=" + number + as_a), "eject");
    EXPECT_EQ(Get("KorePerateyMosad.asp?Mis=" + number), "eject");
}

TEST_F(ServiceTest, RefusesWhatItCannotKeepAndKeepsServing) {
    struct Case {
        std::string query;
        std::string reply;
    };
    const std::vector<Case> cases = {
        {"HosefMosad.asp?MD=a*b&RH=0&BA=0&YI=x&TL=x&IP1=" + a_ + "&FX=עמותה א", "eject"},
        {"HosefMosad.asp?MD=a%2Ab&RH=0&BA=0&YI=x&TL=x&IP1=" + a_ + "&FX=עמותה א", "eject"},
        {"HosefMosad.asp?MD=a%00b&RH=0&BA=0&YI=x&TL=x&IP1=" + a_ + "&FX=עמותה א", "eject"},
        {"HosefMosad.asp?MD=a%0Ab&RH=0&BA=0&YI=x&TL=x&IP1=" + a_ + "&FX=עמותה א", "eject"},
        {"HosefMosad.asp?MD=a%1B[2Jb&RH=0&BA=0&YI=x&TL=x&IP1=" + a_ + "&FX=עמותה א", "eject"},
        {"HosefMosad.asp?MD=a%7Fb&RH=0&BA=0&YI=x&TL=x&IP1=" + a_ + "&FX=עמותה א", "eject"},
        {"HosefMosad.asp?MD=x&RH=0&BA=0&YI=x&TL=x&IP1=" + a_ + "&FX=עמותה א", "eject"},
        {"HosefMosad.asp?MD=n&RH=" + std::string(40, '1') + "&BA=0&YI=x&TL=x&IP1=" + a_ +
             "&FX=עמותה א",
         "eject"},
        {"KorePerateyMosad.asp?Mis=abc", "eject"},
        {"KorePerateyMosad.asp?Mis=-5", "eject"},
        {"KoreMosadot.asp?Mis=" + std::string(5000, '1'), ""},  // over-long: refused
        {"Nothing.asp?x=1", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Get(c.query), c.reply) << c.query.substr(0, 60);
    }
    EXPECT_EQ(Get("KoreMosadot.asp?Mis=" + a_), "0");
}

TEST_F(ServiceTest, TheActivityLogKeepsEveryPairWithItsTime) {
    // Only an existing account named as it is may add an entry; forged ones are refused.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"AdkenYomanPeilut.asp?MD=עמותה א&MD1=" + a_ + "&RH=05:30:12&TL=זיכויים&MAIL=desk", "ok"},
        {"AdkenYomanPeilut.asp?MD=עמותה ב&MD1=" + a_ + "&RH=05:30:12", "eject"},
        {"AdkenYomanPeilut.asp?MD=עמותה א&MD1=999999999999999&RH=05:30:12", "eject"},
        {"AdkenYomanPeilut.asp?MD=עמותה א&MD1=" + a_ + "&RH=" + std::string(3000, 'x'), "eject"},
        {"AdkenYomanPeilut.asp?", "eject"},
    };
    for (const auto& [query, reply] : cases) {
        EXPECT_EQ(Get(query), reply) << query.substr(0, 60);
    }
    service_->Stop(SIGTERM);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir_ / "service.db").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* q = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT received_at, pairs FROM activity", -1, &q, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(q, 0))).size(), 20u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(q, 1))),
              "MD=עמותה א\nMD1=" + a_ + "\nRH=05:30:12\nTL=זיכויים\nMAIL=desk\n");
    EXPECT_EQ(sqlite3_step(q), SQLITE_DONE);  // the forged entries are not there
    sqlite3_finalize(q);
    sqlite3_close(db);
}

TEST_F(ServiceTest, AnAnsweredAddSurvivesAKill) {
    ASSERT_EQ(AddFor(a_, "עמותה א", "שורד"), "ok");
    service_->Stop(SIGKILL);
    service_->Start();
    EXPECT_NE(Get("KoreMosadot.asp?Mis=" + a_).find("*"), std::string::npos);
}

// The database as the vendor keeps it: a damaged file refused at the start (never served in
// part), checked and backed up while whole; only serve and add-account make a file, and never
// one named as SQLite names no file.
TEST_F(ServiceTest, ADamagedDatabaseIsRefusedAndAWholeOneBackedUp) {
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(AddFor(a_, "עמותה א", "מוסד " + std::to_string(i) + std::string(60, 'x')), "ok");
    }
    service_->Stop(SIGTERM);
    const fs::path db = dir_ / "service.db";
    const fs::path copy = dir_ / "copy.db";
    auto run = [](const std::vector<std::string>& args) {
        return test::RunProcess(ZIVRON_SERVICE, args);
    };
    EXPECT_EQ(run({"check", "--db", db.string()}).out, "ok\n");
    ASSERT_EQ(run({"backup", "--db", db.string(), "--to", copy.string()}).exit_code, 0);
    EXPECT_EQ(run({"check", "--db", copy.string()}).exit_code, 0);
    EXPECT_EQ(run({"list-accounts", "--db", copy.string()}).out,
              run({"list-accounts", "--db", db.string()}).out);

    // 64 bytes flipped past the first page.
    std::string bytes = ReadWholeFile(db).value();
    ASSERT_GT(bytes.size(), 20000u);
    for (std::size_t i = 8192; i < 8192 + 64; ++i) {
        bytes[i] = static_cast<char>(~bytes[i]);
    }
    ASSERT_TRUE(WriteFileAtomically(db, bytes).ok());
    test::ProcessResult serve = run({"serve", "--db", db.string(), "--port", "0"});
    EXPECT_EQ(serve.exit_code, 1);
    EXPECT_NE(serve.err.find("is damaged"), std::string::npos) << serve.err;
    EXPECT_EQ(run({"check", "--db", db.string()}).exit_code, 1);

    struct Refused {
        std::vector<std::string> args;
        std::string says;
    };
    const std::vector<Refused> refused = {
        {{"serve", "--db", ":memory:"}, "is not a file's name"},
        {{"list-accounts", "--db", (dir_ / "typo.db").string()}, "no database at"},
        {{"check", "--db", (dir_ / "typo.db").string()}, "no database at"},
    };
    for (const Refused& r : refused) {
        test::ProcessResult p = run(r.args);
        EXPECT_EQ(p.exit_code, 1) << r.args[2];
        EXPECT_NE(p.err.find(r.says), std::string::npos) << p.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "typo.db"));
    EXPECT_FALSE(fs::exists(":memory:"));
}

TEST(ParseQuery, RawAndPercentEncodedWindows1255) {
    service::Pairs q;
    ASSERT_TRUE(service::ParseQuery("MD=%F9%EC%E5%ED&RH=a+b&X=&Y", q));
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[0], (std::pair<std::string, std::string>{"MD", "שלום"}));
    EXPECT_EQ(q[1].second, "a+b");  // a plus stays a plus
    EXPECT_EQ(q[2].second, "");
    EXPECT_EQ(q[3].first, "Y");
    ASSERT_TRUE(service::ParseQuery(std::string("MD=") + "\xF9\xEC\xE5\xED", q));
    EXPECT_EQ(q[0].second, "שלום");
    for (const char* bad : {"MD=%", "MD=%F", "MD=%GG", "MD=%%"}) {
        EXPECT_FALSE(service::ParseQuery(bad, q)) << bad;
    }
    EXPECT_FALSE(service::ParseQuery(std::string(5000, 'a'), q));
    std::string many;
    for (int i = 0; i < 40; ++i) {
        many += "a=1&";
    }
    EXPECT_FALSE(service::ParseQuery(many, q));
}

}  // namespace
}  // namespace zivron
