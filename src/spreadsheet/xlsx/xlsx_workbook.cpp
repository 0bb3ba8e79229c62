#include "spreadsheet/xlsx/xlsx_workbook.h"

#include <algorithm>
#include <set>

#include "core/atomic_file.h"
#include "spreadsheet/read_back.h"
#include "spreadsheet/sheet_values.h"
#include "spreadsheet/xlsx/xml_part.h"

namespace zivron::sheet {
namespace fs = std::filesystem;
namespace {

Error NotAWorkbook(const std::string& name, const std::string& why) {
    return Error{ErrorCode::BadInput, "הקובץ " + name + " אינו חוברת אקסל (" + why + ")"};
}

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return s;
}

const char* kNewContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
    R"(</Types>)";

const char* kNewRootRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";

const char* kNewWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<bookViews><workbookView activeTab="0"/></bookViews>)"
    R"(<sheets><sheet name="גיליון1" sheetId="1" r:id="rId1"/></sheets></workbook>)";

const char* kNewWorkbookRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(</Relationships>)";

}  // namespace

Result<std::unique_ptr<XlsxWorkbook>> XlsxWorkbook::Open(const fs::path& path, OpenMode mode) {
    Result<std::vector<ZipPart>> parts = ReadZip(path, {}, mode == OpenMode::FromLastRow);
    if (!parts) {
        return parts.error();
    }
    std::unique_ptr<XlsxWorkbook> wb(new XlsxWorkbook(std::move(parts).value()));
    ZIVRON_TRY(wb->Init(path.filename().string()));
    wb->path_ = path;
    if (const ZipPart* sheet = wb->parts_.Find(wb->sheet_part_); sheet->pieces) {
        if (wb->sheet_->FirstRow() == 0) {
            // Stored apart but without a last row of its own: not a layout this layer writes.
            return Open(path, OpenMode::Whole);
        }
        wb->first_row_ = wb->sheet_->FirstRow();
        wb->keep_apart_ = true;  // the rows kept as stored must go out with every save
    }
    return wb;
}

std::unique_ptr<XlsxWorkbook> XlsxWorkbook::New() {
    std::vector<ZipPart> parts = {
        {"[Content_Types].xml", kNewContentTypes},
        {"_rels/.rels", kNewRootRels},
        {"xl/workbook.xml", kNewWorkbook},
        {"xl/_rels/workbook.xml.rels", kNewWorkbookRels},
        {"xl/worksheets/sheet1.xml", XlsxSheet::EmptySheetXml()},
        {"xl/styles.xml", XlsxStyles::MinimalStyleSheet()},
    };
    std::unique_ptr<XlsxWorkbook> wb(new XlsxWorkbook(std::move(parts)));
    Status s = wb->Init("new");
    // The templates above are ours; failing to read them is a broken build, not bad input.
    if (!s) {
        std::abort();
    }
    return wb;
}

Status XlsxWorkbook::ParsePart(const std::string& name, pugi::xml_document& doc) {
    const ZipPart* p = parts_.Find(name);
    if (p == nullptr) {
        return Error{ErrorCode::BadInput, "missing " + name};
    }
    return ParseXmlPart(p->data, name, doc);
}

Status XlsxWorkbook::Init(const std::string& display_name) {
    if (parts_.Find("[Content_Types].xml") == nullptr) {
        return NotAWorkbook(display_name, "אין בו סוגי תוכן");
    }
    ZIVRON_TRY(ParsePart("[Content_Types].xml", types_doc_));
    pugi::xml_document root_rels;
    if (parts_.Find("_rels/.rels") == nullptr) {
        return NotAWorkbook(display_name, "אין בו קשרי חבילה");
    }
    ZIVRON_TRY(ParsePart("_rels/.rels", root_rels));
    for (pugi::xml_node r : Elements(root_rels.document_element(), "Relationship")) {
        if (RelTypeIs(r.attribute("Type").as_string(), rel::kOfficeDocument)) {
            workbook_part_ = ResolvePartName("", r.attribute("Target").as_string());
            break;
        }
    }
    if (workbook_part_.empty() || parts_.Find(workbook_part_) == nullptr) {
        return NotAWorkbook(display_name, "אין בו חוברת עבודה");
    }
    ZIVRON_TRY(ParsePart(workbook_part_, workbook_doc_));
    if (LocalName(workbook_doc_.document_element()) != "workbook") {
        return NotAWorkbook(display_name, "המסמך שבו אינו חוברת עבודה");
    }
    rels_part_ = RelsPartOf(workbook_part_);
    if (parts_.Find(rels_part_) == nullptr) {
        return NotAWorkbook(display_name, "לחוברת אין קשרים לגיליונותיה");
    }
    ZIVRON_TRY(ParsePart(rels_part_, rels_doc_));
    const std::string folder = FolderOf(workbook_part_);
    std::string sheet_target_by_id;
    pugi::xml_node rels_root = rels_doc_.document_element();

    // Shared strings and styles.
    for (pugi::xml_node r : Elements(rels_root, "Relationship")) {
        std::string_view type = r.attribute("Type").as_string();
        if (std::string_view(r.attribute("TargetMode").as_string()) == "External") {
            continue;
        }
        std::string target = ResolvePartName(folder, r.attribute("Target").as_string());
        if (RelTypeIs(type, rel::kSharedStrings) && parts_.Find(target) != nullptr) {
            pugi::xml_document sst;
            ZIVRON_TRY(ParsePart(target, sst));
            for (pugi::xml_node si : Elements(sst.document_element(), "si")) {
                shared_strings_.push_back(StringItemText(si));
            }
        } else if (RelTypeIs(type, rel::kStyles) && parts_.Find(target) != nullptr) {
            styles_part_ = target;
        }
    }
    if (styles_part_.empty()) {
        styles_part_ = ResolvePartName(folder, "styles.xml");
        styles_registered_ = false;
        ZIVRON_TRY(styles_.Load(""));
    } else if (Status s = styles_.Load(parts_.Find(styles_part_)->data); !s) {
        return s;
    }

    // The active sheet: the tab that was active when the workbook was saved.
    pugi::xml_node wb = workbook_doc_.document_element();
    unsigned active =
        LocalChild(LocalChild(wb, "bookViews"), "workbookView").attribute("activeTab").as_uint(0);
    std::vector<pugi::xml_node> sheets = Elements(LocalChild(wb, "sheets"), "sheet");
    if (active >= sheets.size()) {
        return Error{ErrorCode::BadInput, "לא נמצא הגיליון הפעיל בחוברת " + display_name};
    }
    std::string_view id = LocalAttribute(sheets[active], "id").as_string();
    for (pugi::xml_node r : Elements(rels_root, "Relationship")) {
        if (id == r.attribute("Id").as_string()) {
            if (!RelTypeIs(r.attribute("Type").as_string(), rel::kWorksheet)) {
                return Error{ErrorCode::BadInput,
                             "הגיליון הפעיל בחוברת " + display_name + " אינו גיליון נתונים"};
            }
            sheet_part_ = ResolvePartName(folder, r.attribute("Target").as_string());
        }
    }
    ZipPart* sheet = sheet_part_.empty() ? nullptr : parts_.Find(sheet_part_);
    if (sheet == nullptr) {
        return Error{ErrorCode::BadInput, "לא נמצא הגיליון הפעיל בחוברת " + display_name};
    }
    sheet_part_ = sheet->name;
    sheet_ = std::make_unique<XlsxSheet>();
    // The sheet holds its part's bytes from here on, and gives them back at each save.
    return sheet_->Load(std::move(sheet->data), sheet_part_);
}

int XlsxWorkbook::LastRow() const {
    return sheet_->LastRow();
}

Status XlsxWorkbook::Held(int row) const {
    if (row >= 1 && row < first_row_) {
        return Error{ErrorCode::BadInput,
                     "השורה " + std::to_string(row) + " שמורה בחוברת כפי שהיא ואינה נפתחה לעריכה"};
    }
    return Ok();
}

CellValue XlsxWorkbook::Read(int row, int col) const {
    if (row >= 1 && row < first_row_) {
        return {CellKind::Error, 0, "#N/A"};
    }
    return sheet_->Read(row, col, shared_strings_);
}

Status XlsxWorkbook::WriteText(int row, int col, const std::string& text) {
    ZIVRON_TRY(Held(row));
    written_.emplace_back(row, col);
    return sheet_->WriteText(row, col, text);
}

Status XlsxWorkbook::WriteNumber(int row, int col, double value) {
    ZIVRON_TRY(Held(row));
    written_.emplace_back(row, col);
    return sheet_->WriteNumber(row, col, value);
}

Status XlsxWorkbook::WriteDate(int row, int col, int year, int month, int day) {
    ZIVRON_TRY(Held(row));
    written_.emplace_back(row, col);
    ZIVRON_TRY(sheet_->WriteNumber(row, col, DateSerial(year, month, day)));
    // Number format 14 is the built-in short date of the reader's own regional settings.
    sheet_->SetStyle(row, col, styles_.WithNumberFormat(sheet_->StyleOf(row, col), 14));
    return Ok();
}

Status XlsxWorkbook::SetFill(int row, int col, Rgb colour) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    ZIVRON_TRY(Held(row));
    written_.emplace_back(row, col);
    sheet_->SetStyle(row, col, styles_.WithFill(sheet_->StyleOf(row, col), colour));
    return Ok();
}

Status XlsxWorkbook::ClearFill(int row, int col) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    ZIVRON_TRY(Held(row));
    const unsigned xf = sheet_->StyleOf(row, col);
    const unsigned without = styles_.WithoutFill(xf);
    if (without != xf) {
        written_.emplace_back(row, col);
        sheet_->SetStyle(row, col, without);
    }
    return Ok();
}

std::optional<Rgb> XlsxWorkbook::FillOf(int row, int col) const {
    return styles_.FillOf(sheet_->StyleOf(row, col));
}

std::string XlsxWorkbook::RelationshipPrefix() {
    pugi::xml_node wb = workbook_doc_.document_element();
    for (pugi::xml_attribute a : wb.attributes()) {
        std::string_view n = a.name();
        if (n.substr(0, 6) == "xmlns:" && std::string_view(a.value()) == rel::kNamespace) {
            return std::string(n.substr(6));
        }
    }
    wb.append_attribute("xmlns:r").set_value(std::string(rel::kNamespace).c_str());
    return "r";
}

Status XlsxWorkbook::AddWorksheet() {
    ZIVRON_TRY(Held(1));
    written_.clear();  // the read-back compares the active sheet, the new one from here
    // Bytes kept as stored go back between this sheet's head and rows only while it is active.
    if (const ZipPart* p = parts_.Find(sheet_part_); p->pieces && p->pieces->kept.size > 0) {
        return Error{ErrorCode::BadInput, "הגיליון שמור בחוברת כפי שהוא ולא נפתח לעריכה"};
    }
    sheet_->Deselect();
    parts_.Put(sheet_part_, sheet_->Serialize());
    if (sheet_->Dirty()) {
        parts_.Find(sheet_part_)->pieces.reset();
        formula_replaced_ |= sheet_->FormulaReplaced();
    }
    const std::string folder = FolderOf(workbook_part_);
    int k = 1;
    while (parts_.Find(ResolvePartName(folder, "worksheets/sheet" + std::to_string(k) + ".xml"))) {
        ++k;
    }
    const std::string target = "worksheets/sheet" + std::to_string(k) + ".xml";
    const std::string part = ResolvePartName(folder, target);

    pugi::xml_node rels_root = rels_doc_.document_element();
    std::set<std::string> ids;
    for (pugi::xml_node r : Elements(rels_root, "Relationship")) {
        ids.insert(r.attribute("Id").as_string());
    }
    int n = 1;
    while (ids.count("rId" + std::to_string(n)) != 0) {
        ++n;
    }
    const std::string rid = "rId" + std::to_string(n);

    pugi::xml_node wb = workbook_doc_.document_element();
    pugi::xml_node sheets = LocalChild(wb, "sheets");
    std::set<std::string> names;
    unsigned max_id = 0;
    for (pugi::xml_node s : Elements(sheets, "sheet")) {
        names.insert(Lower(s.attribute("name").as_string()));
        max_id = std::max(max_id, s.attribute("sheetId").as_uint(0));
    }
    int m = static_cast<int>(names.size()) + 1;
    while (names.count(Lower("גיליון" + std::to_string(m))) != 0) {
        ++m;
    }
    const std::string prefix = RelationshipPrefix();
    pugi::xml_node sheet = sheets.prepend_child(ChildName(sheets, "sheet").c_str());
    sheet.append_attribute("name").set_value(("גיליון" + std::to_string(m)).c_str());
    sheet.append_attribute("sheetId").set_value(max_id + 1);
    sheet.append_attribute((prefix + ":id").c_str()).set_value(rid.c_str());

    // The new sheet is first and active; sheet-local names move up one place with the others.
    pugi::xml_node views = LocalChild(wb, "bookViews");
    if (!views) {
        views = wb.insert_child_before(ChildName(wb, "bookViews").c_str(), sheets);
    }
    pugi::xml_node view = LocalChild(views, "workbookView");
    if (!view) {
        view = views.append_child(ChildName(views, "workbookView").c_str());
    }
    view.remove_attribute("activeTab");
    view.remove_attribute("firstSheet");
    view.append_attribute("activeTab").set_value(0);
    for (pugi::xml_node dn : Elements(LocalChild(wb, "definedNames"), "definedName")) {
        if (pugi::xml_attribute a = dn.attribute("localSheetId")) {
            a.set_value(a.as_uint() + 1);
        }
    }
    workbook_dirty_ = true;

    pugi::xml_node r = rels_root.append_child(ChildName(rels_root, "Relationship").c_str());
    r.append_attribute("Id").set_value(rid.c_str());
    r.append_attribute("Type").set_value(std::string(rel::kWorksheet).c_str());
    r.append_attribute("Target").set_value(target.c_str());
    rels_dirty_ = true;

    pugi::xml_node types = types_doc_.document_element();
    pugi::xml_node o = types.append_child(ChildName(types, "Override").c_str());
    o.append_attribute("PartName").set_value(("/" + part).c_str());
    o.append_attribute("ContentType").set_value(std::string(kWorksheetType).c_str());
    types_dirty_ = true;

    const std::string xml = XlsxSheet::EmptySheetXml();
    parts_.Put(part, xml);
    auto fresh = std::make_unique<XlsxSheet>();
    ZIVRON_TRY(fresh->Load(xml, part));
    sheet_ = std::move(fresh);
    sheet_part_ = part;
    return Ok();
}

Result<bool> XlsxWorkbook::Commit() {
    std::optional<XlsxSheet::Split> split;
    bool streamed = false;
    if (keep_apart_) {
        split = sheet_->SerializeSplit();
    }
    if (!split && first_row_ > 1) {
        // Kept rows need a place to go back to; without one the save would drop them.
        return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה (שורות הגיליון לא נמצאו)"};
    }
    if (split) {
        // The rows kept as stored go between the sheet's head and the rows held here.
        ZipPart& part = *parts_.Find(sheet_part_);
        KeptPiece kept = part.pieces ? std::move(part.pieces->kept) : KeptPiece{};
        part.data = std::move(split->xml);
        part.pieces =
            PartPieces{split->rows_at, part.data.size() - split->last_row_at, std::move(kept)};
    } else if (parts_.Find(sheet_part_)->pieces) {
        // Not composed as it is written: what it holds of its rows is only its head and tail.
        parts_.Put(sheet_part_, sheet_->Serialize());
        if (sheet_->Dirty()) {
            parts_.Find(sheet_part_)->pieces.reset();
        }
    } else {
        streamed = true;
    }
    formula_replaced_ |= sheet_->FormulaReplaced();
    const std::string folder = FolderOf(workbook_part_);
    pugi::xml_node rels_root = rels_doc_.document_element();
    pugi::xml_node types = types_doc_.document_element();
    if (formula_replaced_) {
        // Excel rebuilds the calculation chain; a stale one makes it ask to repair the file.
        for (pugi::xml_node r : Elements(rels_root, "Relationship")) {
            if (RelTypeIs(r.attribute("Type").as_string(), rel::kCalcChain)) {
                std::string part = ResolvePartName(folder, r.attribute("Target").as_string());
                parts_.Remove(part);
                rels_root.remove_child(r);
                rels_dirty_ = true;
                for (pugi::xml_node o : Elements(types, "Override")) {
                    if (std::string_view(o.attribute("PartName").as_string()) == "/" + part) {
                        types.remove_child(o);
                        types_dirty_ = true;
                    }
                }
            }
        }
    }
    if (styles_.Dirty()) {
        if (!styles_registered_) {
            pugi::xml_node r = rels_root.append_child(ChildName(rels_root, "Relationship").c_str());
            r.append_attribute("Id").set_value("rIdZivronStyles");
            r.append_attribute("Type").set_value(std::string(rel::kStyles).c_str());
            r.append_attribute("Target").set_value("styles.xml");
            pugi::xml_node o = types.append_child(ChildName(types, "Override").c_str());
            o.append_attribute("PartName").set_value(("/" + styles_part_).c_str());
            o.append_attribute("ContentType").set_value(std::string(kStylesType).c_str());
            rels_dirty_ = types_dirty_ = true;
            styles_registered_ = true;
        }
        parts_.Put(styles_part_, styles_.Serialize());
    }
    if (workbook_dirty_) {
        parts_.Put(workbook_part_, SerializeXml(workbook_doc_));
    }
    if (rels_dirty_) {
        parts_.Put(rels_part_, SerializeXml(rels_doc_));
    }
    if (types_dirty_) {
        parts_.Put("[Content_Types].xml", SerializeXml(types_doc_));
    }
    return streamed;
}

Status XlsxWorkbook::Write(const fs::path& path) {
    Result<bool> streamed = Commit();
    if (!streamed) {
        return streamed.error();
    }
    // The active sheet is composed as the archive is written, not held whole beside it.
    const StreamedPart sheet{sheet_part_,
                             [this](const XlsxSheet::PieceSink& sink) { sheet_->Stream(sink); }};
    Result<std::string> bytes = WriteZip(parts_.All(), streamed.value() ? &sheet : nullptr);
    if (!bytes) {
        return bytes.error();
    }
    std::error_code ec;
    fs::perms perms = fs::status(path, ec).permissions();
    if (ec || perms == fs::perms::unknown || !fs::exists(path, ec)) {
        perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read;
    }
    ZIVRON_TRY(WriteFileChecked(
        path, bytes.value(),
        [&](const fs::path& written) {
            DamageWrittenFile(written);
            const std::string difference = ReadBackDifference(written);
            return difference.empty() ? Ok() : Status(ReadBackRefused(path, difference));
        },
        perms & fs::perms::all));
    written_.clear();
    return Ok();
}

SheetValues XlsxWorkbook::Values(const std::vector<std::pair<int, int>>& addresses,
                                 int from_row) const {
    SheetValues out;
    for (auto [r, c] : addresses) {
        if (r < from_row) {
            continue;
        }
        out.cells[{r, c}] = Read(r, c);
        if (std::optional<Rgb> fill = FillOf(r, c)) {
            out.fills[{r, c}] = *fill;
        }
    }
    return out;
}

std::string XlsxWorkbook::ReadBackDifference(const fs::path& written) const {
    Result<std::vector<ZipPart>> parts = ReadZip(written, {}, keep_apart_);
    if (!parts) {
        return parts.error().message;
    }
    // Every part inflated on reading; every XML part of it parses. The active sheet is read by
    // its own scan below, which refuses what is not its XML, so it is not parsed twice.
    for (const ZipPart& part : parts.value()) {
        const bool xml = part.name.ends_with(".xml") || part.name.ends_with(".rels");
        pugi::xml_document doc;
        if (xml && part.name != sheet_part_) {
            if (Status parsed = ParseXmlPart(part.data, part.name, doc); !parsed) {
                return parsed.error().message;
            }
        }
    }
    std::unique_ptr<XlsxWorkbook> back(new XlsxWorkbook(std::move(parts).value()));
    if (Status s = back->Init(written.filename().string()); !s) {
        return s.error().message;
    }
    if (back->sheet_part_ != sheet_part_) {
        return "הגיליון הפעיל השתנה";
    }
    // Rows kept packed are not read again: the rows from the first the file opens with.
    int from_row = 1;
    if (const ZipPart* sheet = back->parts_.Find(back->sheet_part_); sheet->pieces) {
        from_row = std::max(first_row_, back->sheet_->FirstRow());
    }
    // The cells written since the last save, as meant and as read back; the rows they did not
    // touch go out as they were read, byte for byte.
    std::vector<std::pair<int, int>> cells = written_;
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    if (back->LastRow() != LastRow()) {
        return "השורה האחרונה של הגיליון נקראה אחרת";
    }
    return FirstDifference(Values(cells, from_row), back->Values(cells, from_row));
}

Status XlsxWorkbook::WriteAsXls(const fs::path& path) {
    ZIVRON_TRY(Held(1));
    // The active sheet's values and fills: what the program writes into an .xls.
    SheetValues sheet = Values(sheet_->Addresses(), 1);
    sheet.name = "גיליון1";
    std::erase_if(sheet.cells,
                  [](const auto& cell) { return cell.second.kind == CellKind::Empty; });
    return WriteValuesAsXls(sheet, path);
}

Status XlsxWorkbook::Save() {
    if (path_.empty()) {
        return Error{ErrorCode::BadInput, "לחוברת חדשה אין עדיין שם; יש לשמור אותה בשם"};
    }
    return xls_ ? WriteAsXls(path_) : Write(path_);
}

Status XlsxWorkbook::SaveAs(const fs::path& path) {
    // The format follows the name, as a spreadsheet program's save-as does.
    const bool xls = Lower(path.extension().string()) == ".xls";
    ZIVRON_TRY(xls ? WriteAsXls(path) : Write(path));
    path_ = path;
    xls_ = xls;
    return Ok();
}

}  // namespace zivron::sheet
