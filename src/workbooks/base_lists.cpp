#include "workbooks/base_lists.h"

namespace zivron {

Result<sheet::Workbook*> WriteBaseList(sheet::SpreadsheetApp& app,
                                       const std::filesystem::path& path, const char* first,
                                       const char* second) {
    sheet::Workbook* wb = app.Add();
    ZIVRON_TRY(wb->AddWorksheet());
    const char* headings[] = {first, second, "בנק", "סניף", "חשבון", "סכום"};
    for (int c = 0; c < 6; ++c) {
        ZIVRON_TRY(wb->WriteText(1, c + 1, headings[c]));
    }
    ZIVRON_TRY(wb->SaveAs(path));
    return wb;
}

}  // namespace zivron
