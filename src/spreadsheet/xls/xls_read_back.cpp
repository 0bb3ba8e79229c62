#include "spreadsheet/xls/xls_read_back.h"

#include <algorithm>
#include <optional>

#include "core/atomic_file.h"
#include "spreadsheet/cfb/compound_reader.h"
#include "spreadsheet/read_back.h"
#include "spreadsheet/xls/xls_reader.h"
#include "spreadsheet/xls/xls_records.h"
#include "spreadsheet/xls/xls_strings.h"

namespace zivron::sheet {
namespace {

using biff::Rec;
using biff::U16;
using biff::U32;

// The records of the workbook stream with where each starts.
struct Walked {
    std::vector<Rec> records;
    std::vector<std::size_t> at;
    const Rec* At(std::size_t position) const {
        auto it = std::lower_bound(at.begin(), at.end(), position);
        return it == at.end() || *it != position
                   ? nullptr
                   : &records[static_cast<std::size_t>(it - at.begin())];
    }
};

void SharedStringFaults(const Walked& w, std::vector<std::string>& faults) {
    for (std::size_t i = 0; i < w.records.size(); ++i) {
        if (w.records[i].type != biff::kSst) {
            continue;
        }
        std::vector<std::string_view> parts = {w.records[i].data};
        for (std::size_t k = i + 1; k < w.records.size() && w.records[k].type == biff::kContinue;
             ++k) {
            parts.push_back(w.records[k].data);
        }
        if (!ReadSharedStrings(parts)) {
            faults.push_back("ברשימת הטקסטים פחות טקסטים מכפי שנמנו");
        }
        return;
    }
}

// An INDEX points at its sheet's DBCELL records, and each DBCELL back at a ROW record.
void IndexFaults(const Walked& w, std::vector<std::string>& faults) {
    for (std::size_t i = 0; i < w.records.size(); ++i) {
        const Rec& index = w.records[i];
        if (index.type != biff::kIndex || index.data.size() < 16) {
            continue;
        }
        for (std::size_t k = 16; k + 4 <= index.data.size(); k += 4) {
            const std::uint32_t position = U32(index.data, k);
            const Rec* db = w.At(position);
            if (db == nullptr || db->type != biff::kDbCell) {
                faults.push_back("רשומת אינדקס מצביעה אל מחוץ לרשומות התאים");
                return;
            }
            const std::uint32_t back = db->data.size() >= 4 ? U32(db->data, 0) : 0;
            const Rec* row = back <= position ? w.At(position - back) : nullptr;
            if (row == nullptr || row->type != biff::kRow) {
                faults.push_back("רשומת DBCELL אינה מצביעה אל שורה");
                return;
            }
        }
    }
}

}  // namespace

std::vector<std::string> XlsStructureFaults(std::string_view file) {
    Result<std::string> stream = CompoundStream(file, u"Workbook");
    if (!stream) {
        return {stream.error().message};
    }
    std::optional<std::vector<Rec>> records = biff::Split(stream.value());
    if (!records) {
        return {"רשומה ארוכה מהזרם"};
    }
    Walked w{std::move(*records), {}};
    for (std::size_t pos = 0, i = 0; i < w.records.size(); ++i) {
        w.at.push_back(pos);
        pos += 4 + w.records[i].data.size();
    }
    std::vector<std::string> faults;
    for (const Rec& r : w.records) {
        if (r.type == biff::kBoundSheet && r.data.size() >= 4) {
            const Rec* bof = w.At(U32(r.data, 0));
            if (bof == nullptr || bof->type != biff::kBof) {
                faults.push_back("גיליון שאינו מתחיל היכן שהחוברת אומרת");
            }
        }
        if (r.type == biff::kEof) {
            break;  // the globals end here
        }
    }
    SharedStringFaults(w, faults);
    IndexFaults(w, faults);
    return faults;
}

std::string XlsReadBackDifference(std::string_view written, std::string_view original,
                                  const std::vector<SheetValues>& meant) {
    const std::vector<std::string> had =
        original.empty() ? std::vector<std::string>{} : XlsStructureFaults(original);
    for (const std::string& fault : XlsStructureFaults(written)) {
        if (std::find(had.begin(), had.end(), fault) == had.end()) {
            return fault;
        }
    }
    Result<XlsBook> book = ReadXls(written);
    if (!book) {
        return book.error().message;
    }
    if (book.value().sheets.size() != meant.size()) {
        return "מספר הגיליונות השתנה";
    }
    for (std::size_t i = 0; i < meant.size(); ++i) {
        std::string difference = FirstDifference(meant[i], book.value().sheets[i]);
        if (!difference.empty()) {
            return "בגיליון " + meant[i].name + " " + difference;
        }
    }
    return {};
}

Status CheckXlsWritten(const std::filesystem::path& workbook, const std::filesystem::path& written,
                       std::string_view original, const std::vector<SheetValues>& meant) {
    DamageWrittenFile(written);
    Result<std::string> back = ReadWholeFile(written);
    const std::string difference =
        back ? XlsReadBackDifference(back.value(), original, meant) : back.error().message;
    return difference.empty() ? Ok() : Status(ReadBackRefused(workbook, difference));
}

}  // namespace zivron::sheet
