// The session's institutions against the real service, and against scripted replies for the
// shapes a well-behaved service never sends.

#include <gtest/gtest.h>

#include "app/session.h"
#include "support/http_recorder.h"
#include "support/recording_port.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

namespace zivron {
namespace {

class InstitutionsTest : public test::TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        service_ = std::make_unique<test::ServiceProcess>(dir_ / "service.db");
        number_ = service_->AddAccount("a@example.org", "עמותה א", "pw");
        port_.service = service_->Base();
        session_ = std::make_unique<Session>(port_);
        session_->SetAccount({"עמותה א", number_});
    }
    Status Add(const std::string& name, const std::string& credit_code = "") {
        session_->StartNewInstitution();
        session_->editor().name = name;
        session_->panel(Panel::Credit).codes.code = credit_code;
        return session_->SaveInstitution();
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const ListEntry& e : session_->institutions()) {
            names.push_back(e.name);
        }
        return names;
    }
    std::unique_ptr<test::ServiceProcess> service_;
    std::string number_;
    test::RecordingPort port_;
    std::unique_ptr<Session> session_;
};

TEST_F(InstitutionsTest, AddChooseUpdateDelete) {
    ASSERT_TRUE(Add("בית ספר", "12345678"));
    EXPECT_EQ(port_.requests.front(), "HosefMosad.asp?MD=בית ספר&RH=0&BA=0&YI=12345678&TL=x&IP1=" +
                                          number_ + "&FX=עמותה א");
    EXPECT_FALSE(session_->editor().updating);  // still ready for the next one
    ASSERT_TRUE(Add("  גן ילדים "));
    // Sent and kept with its spaces.
    EXPECT_EQ(Names(), (std::vector<std::string>{"בית ספר", "  גן ילדים "}));
    EXPECT_EQ(session_->editor().name, "");
    EXPECT_EQ(session_->panel(Panel::Credit).codes.code, "");

    session_->panel(Panel::Credit).summary = ImportSummary{0, 0, 0, 12, "1"};
    ASSERT_TRUE(session_->ChooseListedInstitution(1));
    session_->ListInstitutions();  // as after every message box: the highlight stays
    EXPECT_EQ(session_->highlighted_institution(), 1);
    ASSERT_TRUE(session_->ChooseListedInstitution(0));
    EXPECT_EQ(session_->highlighted_institution(), 0);
    const Institution chosen = session_->EditedInstitution();
    EXPECT_EQ(chosen.name, "בית ספר");
    EXPECT_EQ(chosen.number, session_->institutions()[0].number);
    EXPECT_EQ(session_->panel(Panel::Credit).institution_name, "בית ספר");
    EXPECT_EQ(session_->panel(Panel::Collection).institution_name, "בית ספר");
    EXPECT_EQ(chosen.credit.code, "12345678");
    EXPECT_EQ(chosen.credit.software_code, "");  // "x" comes back empty
    EXPECT_EQ(chosen.collection.code, "0");      // an empty collection code went as "0"
    EXPECT_FALSE(session_->panel(Panel::Credit).summary.has_value());  // emptied by the choice
    EXPECT_TRUE(session_->editor().updating);
    EXPECT_TRUE(session_->editor().can_delete);

    session_->editor().name = "בית ספר תיכון";
    ASSERT_TRUE(session_->SaveInstitution());
    EXPECT_EQ(Names()[0], "בית ספר תיכון");
    // After an update nothing is chosen: nothing can be deleted that is not shown.
    EXPECT_EQ(session_->editor().chosen, 0);
    EXPECT_FALSE(session_->editor().can_delete);
    EXPECT_EQ(session_->highlighted_institution(), -1);

    // A delete names the institution and asks; "No" sends nothing.
    ASSERT_TRUE(session_->ChooseListedInstitution(0));
    const std::size_t sent = port_.requests.size();
    port_.answers = {Answer::No};
    Status declined = session_->DeleteChosenInstitution();
    ASSERT_FALSE(declined);
    EXPECT_EQ(declined.error().code, ErrorCode::Cancelled);
    EXPECT_EQ(port_.messages.back(),
              (test::Shown{"למחוק את המוסד בית ספר תיכון?", kProgramTitle, Buttons::YesNo}));
    EXPECT_EQ(port_.requests.size(), sent);
    EXPECT_EQ(Names().size(), 2u);
    ASSERT_TRUE(session_->DeleteChosenInstitution());
    EXPECT_EQ(Names(), std::vector<std::string>{"  גן ילדים "});
    EXPECT_FALSE(session_->editor().can_delete);
    Status nothing = session_->DeleteChosenInstitution();  // nothing chosen any more
    ASSERT_FALSE(nothing);
    EXPECT_EQ(nothing.error().message, "בחר מוסד למחיקה");

    // Values travel whole: an "&", a "+" and a "%" in a name come back as typed; a "*" is
    // refused unsent.
    ASSERT_TRUE(Add("גן ילדים השקד בע\"מ & בנו = 100%"));
    EXPECT_EQ(Names().back(), "גן ילדים השקד בע\"מ & בנו = 100%");
    ASSERT_TRUE(Add("כהן+לוי %2B בע\"מ"));
    EXPECT_EQ(Names().back(), "כהן+לוי %2B בע\"מ");
    EXPECT_EQ(Names().size(), 3u);
    const std::size_t before = port_.requests.size();
    Status star = Add("א*ב");
    ASSERT_FALSE(star);
    EXPECT_EQ(star.error().message, "שם המוסד וקודיו אינם יכולים להכיל את התו *");
    EXPECT_EQ(port_.requests.size(), before);
}

TEST_F(InstitutionsTest, GuardsAndMissingChoices) {
    struct Case {
        std::optional<Account> account;
        bool updating;
        bool delete_button;
        std::string refusal;
    };
    const std::vector<Case> cases = {
        {std::nullopt, false, false, "שם מורשה לא מוגדר"},
        {Account{"מישהו", "0"}, false, false, "בעיה עם שם מורשה פנה לתמיכה"},
        {Account{"עמותה א", "1"}, false, false, "הקלד שם מוסד"},
        {Account{"עמותה א", "1"}, true, false, "בחר מוסד לעדכון"},
        {Account{"עמותה א", "1"}, true, true, "בחר מוסד למחיקה"},
    };
    for (const Case& c : cases) {
        Session session(port_);
        if (c.account) {
            session.SetAccount(*c.account);
        }
        session.editor().updating = c.updating;
        session.panel(Panel::Collection).institution_name = "kept";
        port_.messages.clear();
        port_.requests.clear();
        Status s = c.delete_button ? session.DeleteChosenInstitution() : session.SaveInstitution();
        ASSERT_FALSE(s);
        EXPECT_EQ(s.error().message, c.refusal);
        EXPECT_TRUE(port_.messages.empty());
        EXPECT_TRUE(port_.requests.empty());
        EXPECT_EQ(session.panel(Panel::Collection).institution_name, "kept");  // nothing emptied
    }
}

// A folder of its own: the cache it fills must be its own, not the user's or another test's.
class InstitutionReplies : public test::TempDirTest {};

TEST_F(InstitutionReplies, ShapesOfTheProtocol) {
    test::HttpRecorder server;
    test::RecordingPort port;
    port.service = server.Base();
    Session session(port);
    session.SetAccount({"n", "5"});
    auto names = [&session] {
        std::vector<std::string> out;
        for (const ListEntry& e : session.institutions()) {
            out.push_back(e.name);
        }
        return out;
    };
    struct Case {
        std::string reply;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"+A*12+B*7", {"A", "B"}},
        {"A*12+B*7", {"B"}},
        {"exit", {"B"}},  // the list keeps what it showed
        {"eject", {"B"}},
        {"<html>busy</html>", {"B"}},
        {"", {"B"}},
        {"0", {}},
        {"0+C*3+bad+D*x", {"C"}},  // records without a number are left out
        {"0+a%2Bb %25*4+%2*5", {"a+b %", "%2"}},
    };
    for (const Case& c : cases) {
        server.Reply(c.reply);
        session.ListInstitutions();
        EXPECT_EQ(names(), c.names) << c.reply;
        port.clock.minute += 2;  // past the minute a failed request makes the link wait
    }
    EXPECT_EQ(session.institutions()[0].number, 4);

    session.SetAccount({"n", "0"});
    const std::size_t before = server.Targets().size();
    session.ListInstitutions();
    EXPECT_EQ(server.Targets().size(), before);  // no account, no request

    session.SetAccount({"n", "5"});
    server.Reply(" eject ");
    Status ejected = session.ChooseListedInstitution(0);
    ASSERT_FALSE(ejected);
    EXPECT_EQ(ejected.error().message, "נתונים שגויים הקלד מחדש");
    EXPECT_FALSE(session.editor().can_delete);
    EXPECT_EQ(session.panel(Panel::Credit).institution_name, "a+b %");
    server.Reply("3*C*x*x*12345678*54321");
    ASSERT_TRUE(session.ChooseListedInstitution(0));
    EXPECT_EQ(session.panel(Panel::Collection).codes.code, "");
    EXPECT_EQ(session.panel(Panel::Collection).codes.software_code, "");
    EXPECT_EQ(session.panel(Panel::Credit).codes.code, "12345678");
    EXPECT_EQ(session.panel(Panel::Credit).codes.software_code, "54321");

    session.StartNewInstitution();
    session.editor().name = "E";
    server.Reply(" ok");
    Status refused = session.SaveInstitution();
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, "תקלה בהרשמה נסה מחדש");

    server.Reply("0+C*4");  // the institution detailed above, renamed
    session.ListInstitutions();
    port.service = "http://127.0.0.1:1";
    // With the service away the panels fill from what it last said of the institution ...
    ASSERT_TRUE(session.ChooseListedInstitution(0));
    EXPECT_EQ(session.panel(Panel::Credit).codes.code, "12345678");
    // ... and an institution it never detailed is a connection problem.
    port.clock.minute += 2;
    server.Reply("0+Z*99");
    port.service = server.Base();
    session.ListInstitutions();
    port.service = "http://127.0.0.1:1";
    port.clock.minute += 2;
    Status away = session.ChooseListedInstitution(0);
    ASSERT_FALSE(away);
    EXPECT_EQ(away.error().message, "בעיית התחברות נסו מחדש");
    EXPECT_TRUE(port.messages.empty());
}

}  // namespace
}  // namespace zivron
