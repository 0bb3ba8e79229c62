#pragma once
// A session over the drive fixture's recording port, and what the road tests ask of it.

#include <memory>
#include <vector>

#include "app/session.h"
#include "support/drive_fixture.h"

namespace zivron::test {

class RoadTest : public DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        session_ = std::make_unique<Session>(port_);
    }

    void ChooseInstitution() {
        // As if chosen before the last import: its summaries stay.
        const auto credit = session_->panel(Panel::Credit).summary;
        const auto collection = session_->panel(Panel::Collection).summary;
        const PanelCodes codes{"12345678", "54321"};
        session_->ChooseInstitution({1, "עמותת הדגמה", codes, codes});
        session_->panel(Panel::Credit).summary = credit;
        session_->panel(Panel::Collection).summary = collection;
        for (Panel p : {Panel::Credit, Panel::Collection}) {
            session_->panel(p).value_date = {{{"07"}, 0}, {{"12"}, 0}, {{"2026"}, 0}};
        }
        session_->SetAccount({"חשבון הדגמה", "A1B2C3"});
    }

    // An import of `workbook` into the panel, its progress kept.
    Result<ImportSummary> Import(Panel panel, const std::filesystem::path& workbook) {
        progress_.clear();
        return session_->Import(panel, workbook,
                                [this](const ImportProgressReport& r) { progress_.push_back(r); });
    }
    // The panel's summary; all zero when it has none.
    ImportSummary Summary(Panel panel) const {
        return session_->panel(panel).summary.value_or(ImportSummary{});
    }
    // The review, and the build as it showed it. The road tests pay the same payees into other
    // accounts case after case: the payee guard's own tests say what it finds.
    Result<BuildOutcome> Build(Panel panel) {
        Result<FileReview> review = session_->Review(panel);
        if (!review) {
            return review.error();
        }
        review.value().changes_accepted = true;
        return session_->Build(panel, review.value());
    }
    // The build's refusal, or "" when it made the file.
    std::string BuildRefusal(Panel panel) {
        Result<BuildOutcome> built = Build(panel);
        return built ? std::string() : built.error().message;
    }
    const std::vector<masav::Row>& TableRows() const { return session_->table()->rows; }

    std::unique_ptr<Session> session_;
    std::vector<ImportProgressReport> progress_;
};

}  // namespace zivron::test
