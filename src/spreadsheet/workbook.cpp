#include "spreadsheet/workbook.h"

#include <algorithm>
#include <fstream>

#include "spreadsheet/xls/xls_workbook.h"
#include "spreadsheet/xlsx/xlsx_workbook.h"

namespace zivron::sheet {
namespace fs = std::filesystem;

Result<Workbook*> SpreadsheetApp::Open(const fs::path& path, OpenMode mode) {
    std::error_code ec;
    std::ifstream f(path, std::ios::binary);
    if (!f || fs::is_directory(path, ec)) {
        return Error{ErrorCode::IoFailure, "לא ניתן לפתוח את הקובץ " + path.string()};
    }
    char magic[4] = {};
    f.read(magic, sizeof magic);
    const std::string_view m(magic, static_cast<std::size_t>(f.gcount()));
    f.close();
    if (m == std::string_view("PK\x03\x04", 4)) {
        Result<std::unique_ptr<XlsxWorkbook>> wb = XlsxWorkbook::Open(path, mode);
        if (!wb) {
            return wb.error();
        }
        open_.push_back(std::move(wb).value());
        return open_.back().get();
    }
    if (m == std::string_view("\xD0\xCF\x11\xE0", 4)) {
        Result<std::unique_ptr<XlsWorkbook>> wb = XlsWorkbook::Open(path);
        if (!wb) {
            return wb.error();
        }
        open_.push_back(std::move(wb).value());
        return open_.back().get();
    }
    return Error{ErrorCode::BadInput, "הקובץ " + path.filename().string() + " אינו חוברת אקסל"};
}

Workbook* SpreadsheetApp::Add() {
    open_.push_back(XlsxWorkbook::New());
    return open_.back().get();
}

void SpreadsheetApp::Close(Workbook* workbook) {
    std::erase_if(open_, [&](const std::unique_ptr<Workbook>& w) { return w.get() == workbook; });
}

void SpreadsheetApp::MakeVisible(const Workbook& workbook) {
    if (show_ && !workbook.Path().empty()) {
        show_(workbook.Path());
    }
}

void SpreadsheetApp::Quit() {
    open_.clear();
}

}  // namespace zivron::sheet
