// The import of a panel's workbook: the import step over it, the table and the panel's summary.

#include <algorithm>
#include <cmath>

#include "app/session.h"
#include "app/texts.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {

Result<ImportSummary> Session::Import(Panel p, const std::filesystem::path& workbook,
                                      const ImportProgressFn& progress) {
    if (importing_) {
        return BadInput(texts::kImportRunning);
    }
    importing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{importing_};

    const PanelState& state = panel(p);
    const ImportOptions options{p, state.import.fix_typing, state.import.mark_accounts,
                                state.import.mark_ids,
                                state.import.current_rules ? RuleSet::Current : RuleSet::Original};
    // The start is a whole second, as the elapsed time has always been counted from.
    const double start = std::round(port_.Now().SecondsSinceMidnight());
    ImportProgressReport report;
    auto step = [&](ImportPass pass, int row, int rows_found, const std::string& name) {
        report.rows_found = rows_found;
        if (pass == ImportPass::Fix) {
            port_.Yield();
            report.payee = name;
        }
        report.sheet_row = row;
        // The clock is read every few rows and at the last: reading it costs more than a row.
        if (row % 32 == 0 || row == rows_found + kFirstDataRow - 1) {
            const double now =
                static_cast<double>(static_cast<float>(port_.Now().SecondsSinceMidnight()));
            report.elapsed_seconds = std::max(0.0, std::round((now - start) * 100.0) / 100.0);
        }
        if (progress) {
            progress(report);
        }
        if (pass == ImportPass::Copy) {
            port_.Yield();
        }
    };

    BusyWhile busy(port_);
    std::unique_ptr<sheet::SpreadsheetApp> app = port_.NewSpreadsheetApp();
    Result<sheet::Workbook*> opened = app->Open(workbook);
    if (!opened) {
        return opened.error();
    }
    port_.Yield();
    Result<ImportOutcome> outcome = ImportWorkbook(
        *opened.value(), options, step,
        [this](const std::string& text) { port_.MessageBox(text, kProgramTitle, Buttons::Ok); });
    if (!outcome) {
        return outcome.error();
    }
    // The table is replaced only now, so a refused import leaves the last one whole.
    ImportOutcome& o = outcome.value();
    ImportSummary summary{o.typing_errors, o.invalid_accounts, o.invalid_ids,
                          static_cast<int>(o.rows.size()),
                          o.total_agorot ? AgorotNumberText(*o.total_agorot) : NumberText(o.total)};
    table_ = ImportedTable{p,
                           workbook.string(),
                           std::move(o.rows),
                           std::move(o.marks),
                           std::move(o.warnings),
                           std::move(o.faults),
                           ++imports_};
    panel(p).summary = summary;
    // One table for both panels: the other panel's summary no longer describes it.
    panel(p == Panel::Credit ? Panel::Collection : Panel::Credit).summary.reset();
    app->MakeVisible(*opened.value());
    return summary;
}

}  // namespace zivron
