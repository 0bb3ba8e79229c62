// The credit and collection import buttons: ask for the workbook, run the import step over it,
// fill the transaction table and the panel's summary.

#include <algorithm>
#include <cmath>
#include <optional>

#include "app/hamara_form.h"
#include "import/import_step.h"
#include "import/petah.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {

void HamaraForm::Import(Panel panel) {
    if (importing_) {
        port_.MessageBox("יבוא קובץ כבר מתבצע; יש להמתין לסיומו", "קדמור", Buttons::Ok);
        return;
    }
    const double start = std::round(port_.Now().SecondsSinceMidnight());
    std::optional<WorkingFolder> keep_folder(std::in_place);
    const std::string path = Petah(port_);
    if (path == "x" || path.empty()) {
        port_.MessageBox("בחר קובץ לקריאה", "קדמור", Buttons::Ok);
        return;
    }
    importing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{importing_};

    PanelControls ui = Controls(panel);
    const ImportOptions options{panel, ui.fix.Ticked(), ui.mark_accounts.Ticked(),
                                ui.mark_ids.Ticked(),
                                ui.current_rules.Ticked() ? RuleSet::Current : RuleSet::Original};
    auto elapsed = [&](int row) {
        ImportRow = row;
        float now = static_cast<float>(port_.Now().SecondsSinceMidnight());
        // The start was rounded to a whole second, so the first half second would read below 0.
        double e = std::max(0.0, std::round((static_cast<double>(now) - start) * 100.0) / 100.0);
        Label12.caption = NumberText(e);
    };
    auto progress = [&](ImportPass pass, int row, int rows_found, const std::string& name) {
        ImportRowsFound = rows_found;
        if (pass == ImportPass::Fix) {
            port_.Yield();
            Caption = name;
        }
        ImportRow = row;
        // The clock is read every few rows and at the last: reading it costs more than a row.
        if (row % 32 == 0 || row == rows_found + kFirstDataRow - 1) {
            elapsed(row);
        }
        if (pass == ImportPass::Copy) {
            port_.Yield();
        }
    };
    auto fail = [&](const std::string& message) {
        port_.BusyPointer(false);
        port_.MessageBox(message, "קדמור", Buttons::Ok);
    };

    port_.BusyPointer(true);
    std::unique_ptr<sheet::SpreadsheetApp> app = port_.NewSpreadsheetApp();
    Result<sheet::Workbook*> opened = app->Open(path);
    if (!opened) {
        fail(opened.error().message);
        return;
    }
    if (panel == Panel::Credit) {
        ArchivePath = "C:\\ZIVRON\\Arhiv\\Zikuyim";
    }
    port_.Yield();
    Result<ImportOutcome> outcome = ImportWorkbook(
        *opened.value(), options, progress,
        [this](const std::string& text) { port_.MessageBox(text, "", Buttons::Ok); });
    if (!outcome) {
        fail(outcome.error().message);
        return;
    }
    // The table is emptied only now, so a failed import leaves the last one whole.
    FillTable(outcome.value().rows, panel, path);
    LastMarks = outcome.value().marks;
    ++ImportsCompleted;

    port_.BusyPointer(false);
    const ImportOutcome& o = outcome.value();
    ui.typing_errors.text = std::to_string(o.typing_errors);
    ui.invalid_accounts.text = std::to_string(o.invalid_accounts);
    ui.invalid_ids.text = std::to_string(o.invalid_ids);
    ui.count.text = NumberText(static_cast<double>(o.rows.size()));
    ui.total.text = o.total_agorot ? AgorotNumberText(*o.total_agorot) : NumberText(o.total);
    app->MakeVisible(*opened.value());
    keep_folder.reset();
    port_.ShowState();  // the summary and the table are drawn before the message is read
    port_.MessageBox("יבוא הקובץ הושלם", "קדמור", Buttons::Ok);
}

void HamaraForm::FillTable(const std::vector<masav::Row>& rows, Panel panel,
                           const std::string& workbook) {
    for (int n = 0; n < 10000; ++n) {
        for (int c = 0; c <= 5; ++c) {
            Table[n][c].clear();
        }
    }
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const masav::Row& r = rows[n];
        Table[n] = {"", r.name, r.id, r.bank, r.branch, r.account, r.amount, Table[n][7]};
    }
    table_source_ = TableSource{panel, workbook, static_cast<int>(rows.size())};
}

}  // namespace zivron
