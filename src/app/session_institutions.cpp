// The account's institutions on the service: the list, a choice filling both panels, and adding,
// updating and deleting.

#include "app/session.h"
#include "app/texts.h"
#include "core/service_pages.h"
#include "service/fetch_page.h"
#include "service/offline_files.h"
#include "service/replies.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

// A reply field the service stores as "x" for an empty value.
std::string FieldValue(const std::string& field) {
    return field == "x" ? std::string() : field;
}

}  // namespace

void Session::ListInstitutions() {
    port_.StartCommand();
    if (!account_ || NumericValue(account_->number) == 0) {
        return;
    }
    InstitutionCache cache(account_->number);
    TellSetAsideFiles(port_);
    std::string reply =
        link_.Fetch(std::string(service_page::kInstitutions) + "?Mis=" + account_->number);
    if (reply.empty()) {
        // The service is away: the list as it last came.
        reply = cache.List().value_or("");
    } else if (IsListReply(reply)) {
        (void)cache.SaveList(reply);
    }
    // A refusal or a page of another kind stands for no list: the one shown stays, and the
    // kept one is not replaced by it.
    if (!IsListReply(reply)) {
        return;
    }
    institutions_ = ParseRecordList(reply);
    // The highlight stays on the institution the panels hold, wherever the list now puts it.
    highlighted_ = -1;
    for (std::size_t i = 0; i < institutions_.size(); ++i) {
        if (editor_.chosen != 0 && institutions_[i].number == editor_.chosen) {
            highlighted_ = static_cast<int>(i);
        }
    }
}

Status Session::ChooseListedInstitution(int index) {
    port_.StartCommand();
    if (index < 0 || index >= static_cast<int>(institutions_.size())) {
        return Ok();
    }
    highlighted_ = index;
    const ListEntry entry = institutions_[static_cast<std::size_t>(index)];
    Institution chosen{entry.number, entry.name, {}, {}};
    ChooseInstitution(chosen);
    editor_.can_delete = false;
    InstitutionCache cache(account_ ? account_->number : "");
    // The account names itself, as the list request does: details are their owner's alone.
    std::string reply = link_.Fetch(
        std::string(service_page::kInstitutionDetails) + "?Mis=" + std::to_string(entry.number) +
        (account_ ? "&IP1=" + QueryValue(account_->number) + "&FX=" + QueryValue(account_->name)
                  : std::string()));
    if (reply.empty()) {
        reply = cache.Details(entry.number).value_or("");
    } else if (Trim(reply) != "eject") {
        (void)cache.SaveDetails(entry.number, reply);
    }
    if (reply.empty()) {
        return Error{ErrorCode::IoFailure, texts::kLoginTrouble};
    }
    if (Trim(reply) == "busy") {
        return Error{ErrorCode::IoFailure, texts::kServiceBusy};
    }
    const std::vector<std::string> fields = SplitOn(reply, '*');
    if (Trim(reply) == "eject" || fields.size() < 6) {
        return BadInput(texts::kWrongDetails);
    }
    chosen.collection = {FieldValue(fields[2]), FieldValue(fields[3])};
    chosen.credit = {FieldValue(fields[4]), FieldValue(fields[5])};
    ChooseInstitution(chosen);
    editor_.updating = true;
    editor_.can_delete = true;
    return Ok();
}

void Session::StartNewInstitution() {
    ChooseInstitution({});
    editor_ = {};
}

Institution Session::EditedInstitution() const {
    return {editor_.chosen, editor_.name, collection_.codes, credit_.codes};
}

Status Session::CheckAccountForChanges() const {
    if (link_.Offline()) {
        return Error{ErrorCode::IoFailure, texts::kChangesNeedService};
    }
    if (!account_) {
        return BadInput(texts::kNoAccountName);
    }
    if (NumericValue(account_->number) == 0) {
        return BadInput(texts::kAccountSupportCase);
    }
    return Ok();
}

// The institution's values as the add, update and delete pages take them.
std::string Session::InstitutionPairs() const {
    auto or_else = [](const std::string& v, const char* empty) {
        return QueryValue(v.empty() ? std::string(empty) : v);
    };
    const Institution i = EditedInstitution();
    return "MD=" + or_else(i.name, "x") + "&RH=" + or_else(i.collection.code, "0") +
           "&BA=" + or_else(i.collection.software_code, "0") +
           "&YI=" + or_else(i.credit.code, "x") + "&TL=" + or_else(i.credit.software_code, "x") +
           "&IP1=" + QueryValue(account_->number) + "&FX=" + QueryValue(account_->name);
}

// After an add, an update or a delete: the list again, the panels and the chosen number emptied,
// so nothing can be deleted that is not shown.
void Session::AfterInstitutionChange() {
    ListInstitutions();
    const bool updating = editor_.updating;
    ChooseInstitution({});
    editor_.updating = updating;
    editor_.can_delete = false;
    highlighted_ = -1;
}

Status Session::SaveInstitution() {
    port_.StartCommand();
    ZIVRON_TRY(CheckAccountForChanges());
    // A value the list reply could not carry back whole is refused before it is sent.
    const Institution i = EditedInstitution();
    for (const std::string* v : {&i.name, &i.collection.code, &i.collection.software_code,
                                 &i.credit.code, &i.credit.software_code}) {
        if (v->find('*') != std::string::npos) {
            return BadInput(texts::kNoStarInNames);
        }
    }
    std::string reply;
    if (!editor_.updating) {
        if (i.name.empty()) {
            return BadInput(texts::kTypeInstitutionName);
        }
        reply = link_.Fetch(std::string(service_page::kAddInstitution) + "?" + InstitutionPairs());
        AfterInstitutionChange();
        return reply == "ok" ? Ok() : Error{ErrorCode::IoFailure, texts::kAddFailed};
    }
    if (i.number == 0) {
        return BadInput(texts::kChooseInstitutionToUpdate);
    }
    reply = link_.Fetch(std::string(service_page::kUpdateInstitution) +
                        "?Mis=" + std::to_string(i.number) + "&" + InstitutionPairs());
    AfterInstitutionChange();
    return reply == "ok" ? Ok() : Error{ErrorCode::IoFailure, texts::kUpdateFailed};
}

Status Session::DeleteChosenInstitution() {
    port_.StartCommand();
    ZIVRON_TRY(CheckAccountForChanges());
    // Only the institution the list highlights, the one the operator sees, is deleted.
    const bool highlighted =
        highlighted_ >= 0 && highlighted_ < static_cast<int>(institutions_.size()) &&
        institutions_[static_cast<std::size_t>(highlighted_)].number == editor_.chosen;
    if (!editor_.updating || editor_.chosen == 0 || !editor_.can_delete || !highlighted) {
        return BadInput(texts::kChooseInstitutionToDelete);
    }
    if (port_.MessageBox(texts::Filled(texts::kConfirmDelete, {editor_.name}), kProgramTitle,
                         Buttons::YesNo) != Answer::Yes) {
        return Error{ErrorCode::Cancelled, ""};  // nothing asked of the service, nothing changed
    }
    const std::string reply =
        link_.Fetch(std::string(service_page::kDeleteInstitution) +
                    "?Mis=" + std::to_string(editor_.chosen) + "&" + InstitutionPairs());
    AfterInstitutionChange();
    return reply == "ok" ? Ok() : Error{ErrorCode::IoFailure, texts::kDeleteFailed};
}

}  // namespace zivron
