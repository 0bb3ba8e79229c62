// The institution panel: the account's list from the web service, a choice filling both panels,
// and adding, updating and deleting institutions.

#include "app/hamara_form.h"
#include "service/fetch_page.h"
#include "service/offline_files.h"
#include "service/replies.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
void HamaraForm::ListAllMosadot() {
    if (NumericValue(Label4.tag) == 0) {
        return;
    }
    InstitutionCache cache(Label4.tag);
    std::string reply = link_.Fetch("KoreMosadot.asp?Mis=" + Label4.tag);
    if (reply.empty()) {
        // The service is away: the list as it last came.
        reply = cache.List().value_or("");
    } else if (reply != "exit") {
        (void)cache.SaveList(reply);
    }
    if (reply.empty() || reply == "exit") {
        return;
    }
    List1.items.clear();
    List1.selected = -1;
    for (const ListEntry& e : ParseRecordList(reply)) {
        List1.items.push_back({e.name, e.number});
    }
}

void HamaraForm::List1_Click() {
    if (List1.selected < 0 || List1.selected >= static_cast<int>(List1.items.size())) {
        return;
    }
    const ListBox::Entry entry = List1.items[List1.selected];
    InstitutionRecord chosen{entry.data, entry.text, "", "", "", ""};
    ChooseInstitution(chosen);
    ComMehakMosad.enabled = false;
    InstitutionCache cache(Label4.tag);
    std::string reply = link_.Fetch("KorePerateyMosad.asp?Mis=" + std::to_string(entry.data));
    if (reply.empty()) {
        reply = cache.Details(entry.data).value_or("");
    } else if (Trim(reply) != "eject") {
        (void)cache.SaveDetails(entry.data, reply);
    }
    if (reply.empty()) {
        port_.MessageBox("בעיית התחברות נסו מחדש", "x", Buttons::Ok);
        return;
    }
    if (Trim(reply) == "eject") {
        port_.MessageBox("נתונים שגויים הקלד מחדש", "x", Buttons::Ok);
        return;
    }
    std::vector<std::string> fields = SplitOn(reply, '*');
    if (fields.size() < 6) {
        port_.MessageBox("נתונים שגויים הקלד מחדש", "x", Buttons::Ok);
        return;
    }
    auto field = [&](std::size_t i) { return fields[i] == "x" ? std::string() : fields[i]; };
    chosen.collection_code = field(2);
    chosen.collection_software = field(3);
    chosen.credit_code = field(4);
    chosen.credit_software = field(5);
    ChooseInstitution(chosen);
    ComEditMosad = {"עדכן פרטי מוסד", "EDIT", kEditModeColour, ComEditMosad.enabled};
    ComMehakMosad.enabled = true;
}

void HamaraForm::Form_Activate() {
    ListAllMosadot();
    Timer1Enabled = true;
}

void HamaraForm::Command1_Click() {
    for (TextBox& b : TextGove) {
        b = {};
    }
    ComEditMosad = {"קלוט מוסד", "ADD", kAddModeColour, ComEditMosad.enabled};
    ComMehakMosad.enabled = false;
}

bool HamaraForm::AccountGuard() {
    if (link_.Offline()) {
        port_.MessageBox("אין חיבור לשירות: לא ניתן להוסיף, לעדכן או למחוק מוסד עד שהשירות יחזור",
                         kVendorTitle, Buttons::Ok);
        return false;
    }
    if (Label4.caption == "טרם") {
        port_.MessageBox("שם מורשה לא מוגדר", "x", Buttons::Ok);
        return false;
    }
    if (NumericValue(Label4.tag) == 0) {
        port_.MessageBox("בעיה עם שם מורשה פנה לתמיכה", kVendorTitle, Buttons::Ok);
        return false;
    }
    return true;
}

std::string HamaraForm::InstitutionPairs() const {
    auto or_else = [](const std::string& v, const char* empty) {
        return v.empty() ? std::string(empty) : v;
    };
    const auto& t = TextGove;
    return "MD=" + QueryValue(or_else(t[box::InstitutionName].text, "x")) +
           "&RH=" + QueryValue(or_else(t[box::CollectionMasavCode].text, "0")) +
           "&BA=" + QueryValue(or_else(t[box::CollectionSoftwareCode].text, "0")) +
           "&YI=" + QueryValue(or_else(t[box::CreditInstitutionCode].text, "x")) +
           "&TL=" + QueryValue(or_else(t[box::CreditSoftwareCode].text, "x")) +
           "&IP1=" + QueryValue(Label4.tag) + "&FX=" + QueryValue(Label4.caption);
}

// After an add, an update or a delete: the list again, the boxes and the chosen number emptied,
// so nothing can be deleted that is not shown.
void HamaraForm::Refresh() {
    ListAllMosadot();
    for (TextBox& b : TextGove) {
        b = {};
    }
    List1.selected = -1;
    ComMehakMosad.enabled = false;
}

// A value the list reply could not carry back whole is refused before it is sent.
bool HamaraForm::ValuesTravel() {
    const auto& t = TextGove;
    for (int b : {box::InstitutionName, box::CollectionMasavCode, box::CollectionSoftwareCode,
                  box::CreditInstitutionCode, box::CreditSoftwareCode}) {
        if (t[b].text.find_first_of("*+") != std::string::npos) {
            port_.MessageBox("שם המוסד וקודיו אינם יכולים להכיל את התווים * או +", kVendorTitle,
                             Buttons::Ok);
            return false;
        }
    }
    return true;
}

void HamaraForm::ComEditMosad_Click() {
    if (!AccountGuard()) {
        return;
    }
    if (!ValuesTravel()) {
        return;
    }
    if (ComEditMosad.tag == "ADD") {
        if (TextGove[box::InstitutionName].text.empty()) {
            port_.MessageBox("הקלד שם מוסד", kVendorTitle, Buttons::Ok);
            return;
        }
        const std::string reply = link_.Fetch("HosefMosad.asp?" + InstitutionPairs());
        port_.MessageBox(reply == "ok" ? "הרישום הסתיים בהצלחה !!" : "תקלה בהרשמה נסה מחדש",
                         kVendorTitle, Buttons::Ok);
    } else if (ComEditMosad.tag == "EDIT") {
        if (TextGove[box::InstitutionName].tag.empty()) {
            port_.MessageBox("בחר מוסד לעדכון", kVendorTitle, Buttons::Ok);
            return;
        }
        const std::string reply = link_.Fetch(
            "AdkenMosad.asp?Mis=" + TextGove[box::InstitutionName].tag + "&" + InstitutionPairs());
        port_.MessageBox(reply == "ok" ? "העדכון הסתיים בהצלחה !!" : "תקלה בעדכון נסה מחדש",
                         kVendorTitle, Buttons::Ok);
    }
    Refresh();
}

void HamaraForm::ComMehakMosad_Click() {
    if (!AccountGuard()) {
        return;
    }
    if (ComEditMosad.tag == "EDIT") {
        if (TextGove[box::InstitutionName].tag.empty() || !ComMehakMosad.enabled) {
            port_.MessageBox("בחר מוסד למחיקה", kVendorTitle, Buttons::Ok);
            return;
        }
        if (port_.MessageBox("למחוק את המוסד " + TextGove[box::InstitutionName].text + "?",
                             kVendorTitle, Buttons::YesNo) != Answer::Yes) {
            return;  // nothing asked of the service, nothing changed
        }
        const std::string reply = link_.Fetch(
            "MehakMosad.asp?Mis=" + TextGove[box::InstitutionName].tag + "&" + InstitutionPairs());
        if (reply == "ok") {
            port_.MessageBox("בוצע בהצלחה !!", kVendorTitle, Buttons::Ok);
        }
    }
    Refresh();
}

}  // namespace zivron
