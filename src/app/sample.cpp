#include "app/sample.h"

#include "spreadsheet/workbook.h"

namespace zivron {

std::string SampleAccountName() {
    return "מנוי הדגמה";
}

masav::Institution SampleInstitution() {
    return {"12345678", "54321", "עמותת הדגמה בע\"מ"};
}

std::vector<masav::Row> SampleRows() {
    return {
        {"ישראל ישראלי", "12-345-678-2", "12", "600", "100006", "1234.50"},
        {"שרה כהן", "000000018", "10", "936", "1002", "980"},
        {"O'Neil. Ltd", "26", "11", "1", "100009", "15.75"},
        {"דוד לוי-מזרחי", "123456782", "20", "826", "10001", "1,250"},
        {"רחל אברהם", "000000018", "31", "1", "123", "0.05"},
    };
}

Status WriteSampleWorkbook(const std::filesystem::path& path) {
    sheet::SpreadsheetApp app({});
    sheet::Workbook& wb = *app.Add();
    const char* headings[] = {"שם", "ת.ז.", "בנק", "סניף", "חשבון", "סכום"};
    for (int c = 0; c < 6; ++c) {
        ZIVRON_TRY(wb.WriteText(1, c + 1, headings[c]));
    }
    int r = 2;
    for (const masav::Row& row : SampleRows()) {
        const std::string cells[] = {row.name,   row.id,      row.bank,
                                     row.branch, row.account, row.amount};
        for (int c = 0; c < 6; ++c) {
            ZIVRON_TRY(wb.WriteText(r, c + 1, cells[c]));
        }
        ++r;
    }
    return wb.SaveAs(path);
}

}  // namespace zivron
