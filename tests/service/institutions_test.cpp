// The institution panel against the real service, and against scripted replies for the shapes a
// well-behaved service never sends.

#include <gtest/gtest.h>

#include "app/hamara_form.h"
#include "support/http_recorder.h"
#include "support/recording_port.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

namespace zivron {
namespace {

using test::Shown;

class InstitutionsTest : public test::TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        service_ = std::make_unique<test::ServiceProcess>(dir_ / "service.db");
        number_ = service_->AddAccount("a@example.org", "עמותה א", "pw");
        port_.service = service_->Base();
        form_ = std::make_unique<HamaraForm>(port_);
        form_->Label4 = {"עמותה א", number_};
    }
    void Add(const std::string& name, const std::string& credit_code = "") {
        form_->Command1_Click();
        form_->TextGove[10].text = name;
        form_->TextGove[5].text = credit_code;
        form_->ComEditMosad_Click();
    }
    std::unique_ptr<test::ServiceProcess> service_;
    std::string number_;
    test::RecordingPort port_;
    std::unique_ptr<HamaraForm> form_;
};

TEST_F(InstitutionsTest, AddChooseUpdateDelete) {
    Add("בית ספר", "12345678");
    EXPECT_EQ(port_.messages.back(), (Shown{"הרישום הסתיים בהצלחה !!", kVendorTitle, Buttons::Ok}));
    EXPECT_EQ(port_.requests.front(), "HosefMosad.asp?MD=בית ספר&RH=0&BA=0&YI=12345678&TL=x&IP1=" +
                                          number_ + "&FX=עמותה א");
    EXPECT_EQ(form_->ComEditMosad.tag, "ADD");  // still ready for the next one
    Add("  גן ילדים ");
    ASSERT_EQ(form_->List1.items.size(), 2u);
    EXPECT_EQ(form_->List1.items[0].text, "בית ספר");
    EXPECT_EQ(form_->List1.items[1].text, "  גן ילדים ");  // sent and kept with its spaces
    for (const TextBox& box : form_->TextGove) {
        EXPECT_EQ(box.text, "");
    }

    form_->TextGove[9].text = "12";  // an import summary, emptied by the choice
    form_->List1.selected = 0;
    form_->List1_Click();
    EXPECT_EQ(form_->TextGove[10].text, "בית ספר");
    EXPECT_EQ(form_->TextGove[10].tag, std::to_string(form_->List1.items[0].data));
    EXPECT_EQ(form_->TextGove[7].text, "בית ספר");
    EXPECT_EQ(form_->TextGove[0].text, "בית ספר");
    EXPECT_EQ(form_->TextGove[5].text, "12345678");
    EXPECT_EQ(form_->TextGove[6].text, "");   // "x" comes back empty
    EXPECT_EQ(form_->TextGove[1].text, "0");  // an empty collection code went as "0"
    EXPECT_EQ(form_->TextGove[9].text, "");
    EXPECT_EQ(form_->ComEditMosad.tag, "EDIT");
    EXPECT_EQ(form_->ComEditMosad.caption, "עדכן פרטי מוסד");
    EXPECT_EQ(form_->ComEditMosad.colour, kEditModeColour);
    EXPECT_TRUE(form_->ComMehakMosad.enabled);

    form_->TextGove[10].text = "בית ספר תיכון";
    form_->ComEditMosad_Click();
    EXPECT_EQ(port_.messages.back().text, "העדכון הסתיים בהצלחה !!");
    EXPECT_EQ(form_->List1.items[0].text, "בית ספר תיכון");
    // After an update nothing is chosen: nothing can be deleted that is not shown.
    EXPECT_TRUE(form_->TextGove[10].tag.empty());
    EXPECT_FALSE(form_->ComMehakMosad.enabled);
    EXPECT_EQ(form_->List1.selected, -1);

    // A delete names the institution and asks; "No" sends nothing.
    form_->List1.selected = 0;
    form_->List1_Click();
    const std::size_t sent = port_.requests.size();
    port_.answers = {Answer::No};
    form_->ComMehakMosad_Click();
    EXPECT_EQ(port_.messages.back(),
              (Shown{"למחוק את המוסד בית ספר תיכון?", kVendorTitle, Buttons::YesNo}));
    EXPECT_EQ(port_.requests.size(), sent);
    EXPECT_EQ(form_->List1.items.size(), 2u);
    form_->ComMehakMosad_Click();
    EXPECT_EQ(port_.messages.back(), (Shown{"בוצע בהצלחה !!", kVendorTitle, Buttons::Ok}));
    ASSERT_EQ(form_->List1.items.size(), 1u);
    EXPECT_EQ(form_->List1.items[0].text, "  גן ילדים ");
    EXPECT_FALSE(form_->ComMehakMosad.enabled);
    form_->ComMehakMosad_Click();  // nothing chosen any more
    EXPECT_EQ(port_.messages.back().text, "בחר מוסד למחיקה");

    // Values travel whole: an "&" in a name comes back as typed; a "*" is refused unsent.
    Add("גן ילדים השקד בע\"מ & בנו = 100%");
    EXPECT_EQ(form_->List1.items.back().text, "גן ילדים השקד בע\"מ & בנו = 100%");
    const std::size_t before = port_.requests.size();
    Add("א*ב");
    EXPECT_EQ(port_.messages.back().text, "שם המוסד וקודיו אינם יכולים להכיל את התווים * או +");
    EXPECT_EQ(port_.requests.size(), before);
}

TEST_F(InstitutionsTest, GuardsAndMissingChoices) {
    struct Case {
        Label account;
        std::string mode;
        bool delete_button;
        Shown message;
    };
    const std::vector<Case> cases = {
        {{"טרם", ""}, "ADD", false, {"שם מורשה לא מוגדר", "x", Buttons::Ok}},
        {{"מישהו", "0"}, "ADD", false, {"בעיה עם שם מורשה פנה לתמיכה", kVendorTitle, Buttons::Ok}},
        {{"עמותה א", "1"}, "ADD", false, {"הקלד שם מוסד", kVendorTitle, Buttons::Ok}},
        {{"עמותה א", "1"}, "EDIT", false, {"בחר מוסד לעדכון", kVendorTitle, Buttons::Ok}},
        {{"עמותה א", "1"}, "EDIT", true, {"בחר מוסד למחיקה", kVendorTitle, Buttons::Ok}},
    };
    for (const Case& c : cases) {
        form_->Label4 = c.account;
        form_->ComEditMosad.tag = c.mode;
        form_->TextGove[3].text = "kept";
        port_.messages.clear();
        port_.requests.clear();
        c.delete_button ? form_->ComMehakMosad_Click() : form_->ComEditMosad_Click();
        ASSERT_EQ(port_.messages.size(), 1u);
        EXPECT_EQ(port_.messages[0], c.message);
        EXPECT_TRUE(port_.requests.empty());
        EXPECT_EQ(form_->TextGove[3].text, "kept");  // nothing emptied
    }
}

TEST(InstitutionReplies, ShapesOfTheProtocol) {
    test::HttpRecorder server;
    test::RecordingPort port;
    port.service = server.Base();
    HamaraForm form(port);
    form.Label4 = {"n", "5"};
    struct Case {
        std::string reply;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"+A*12+B*7", {"A", "B"}},
        {"A*12+B*7", {"B"}},
        {"exit", {"B"}},  // the list keeps what it showed
        {"", {"B"}},
        {"0", {}},
        {"0+C*3+bad+D*x", {"C"}},  // records without a number are left out
    };
    for (const Case& c : cases) {
        server.Reply(c.reply);
        form.ListAllMosadot();
        std::vector<std::string> names;
        for (const auto& e : form.List1.items) {
            names.push_back(e.text);
        }
        EXPECT_EQ(names, c.names) << c.reply;
        port.clock.minute += 2;  // past the minute a failed request makes the link wait
    }
    EXPECT_EQ(form.List1.items[0].data, 3);

    form.Label4.tag = "0";
    const std::size_t before = server.Targets().size();
    form.ListAllMosadot();
    EXPECT_EQ(server.Targets().size(), before);  // no account, no request

    form.Label4.tag = "5";
    form.List1.selected = 0;
    server.Reply(" eject ");
    form.List1_Click();
    EXPECT_EQ(port.messages.back(), (Shown{"נתונים שגויים הקלד מחדש", "x", Buttons::Ok}));
    EXPECT_FALSE(form.ComMehakMosad.enabled);
    EXPECT_EQ(form.TextGove[7].text, "C");
    server.Reply("3*C*x*x*12345678*54321");
    form.List1_Click();
    EXPECT_EQ(form.TextGove[1].text, "");
    EXPECT_EQ(form.TextGove[2].text, "");
    EXPECT_EQ(form.TextGove[5].text, "12345678");
    EXPECT_EQ(form.TextGove[6].text, "54321");

    form.Command1_Click();
    form.TextGove[10].text = "E";
    server.Reply(" ok");
    form.ComEditMosad_Click();
    EXPECT_EQ(port.messages.back().text, "תקלה בהרשמה נסה מחדש");

    server.Reply("0+C*3");
    form.ListAllMosadot();
    form.List1.selected = 0;
    port.service = "http://127.0.0.1:1";
    // With the service away the panels fill from what it last said of the institution ...
    const std::size_t shown = port.messages.size();
    form.List1_Click();
    EXPECT_EQ(port.messages.size(), shown);
    EXPECT_EQ(form.TextGove[5].text, "12345678");
    // ... and an institution it never detailed is a connection problem.
    form.List1.items = {{"Z", 99}};
    form.List1.selected = 0;
    form.List1_Click();
    EXPECT_EQ(port.messages.back(), (Shown{"בעיית התחברות נסו מחדש", "x", Buttons::Ok}));
}

}  // namespace
}  // namespace zivron
