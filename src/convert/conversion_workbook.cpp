#include "convert/conversion_workbook.h"

#include <optional>

#include "text/hebrew.h"
#include "text/numeric.h"

namespace zivron {
namespace {

const char* const kHeadings[] = {"לקוח", "זהות לקוח", "בנק", "סניף", "חשבון", "סכום"};

Result<sheet::Workbook*> Start(sheet::SpreadsheetApp& app) {
    sheet::Workbook* wb = app.Add();
    ZIVRON_TRY(wb->AddWorksheet());
    for (int c = 0; c < 6; ++c) {
        ZIVRON_TRY(wb->WriteText(1, c + 1, kHeadings[c]));
    }
    return wb;
}

}  // namespace

Result<ConversionWorkbook> NamesWorkbook(sheet::SpreadsheetApp& app,
                                         const std::vector<std::string>& names) {
    Result<sheet::Workbook*> wb = Start(app);
    if (!wb) {
        return wb.error();
    }
    int k = 0;
    for (; k < kMaxConversionEntries && k < static_cast<int>(names.size()); ++k) {
        const std::string& name = names[static_cast<std::size_t>(k)];
        if (name == "sof") {
            break;  // the list's own end marker
        }
        // The name as the file holds it, each byte a character of the code page.
        ZIVRON_TRY(wb.value()->WriteText(k + 2, 1, FromWindows1255(name)));
    }
    return ConversionWorkbook{wb.value(), k};
}

Result<ConversionWorkbook> MichpalWorkbook(sheet::SpreadsheetApp& app,
                                           const std::vector<MichpalRow>& rows) {
    Result<sheet::Workbook*> wb = Start(app);
    if (!wb) {
        return wb.error();
    }
    sheet::Workbook& out = *wb.value();
    int row = 2;
    for (const MichpalRow& entry : rows) {
        for (int c = 0; c < 5; ++c) {
            (void)out.WriteText(row, c + 1, entry[static_cast<std::size_t>(c)]);
        }
        if (std::optional<double> v = RegionalNumber(entry[5])) {
            (void)out.WriteNumber(row, 6, *v);
        } else {
            (void)out.WriteText(row, 6, entry[5]);
        }
        ++row;
    }
    return ConversionWorkbook{&out, row - 2};
}

}  // namespace zivron
