#include "spreadsheet/read_back.h"

#include <algorithm>

namespace zivron::sheet {
namespace {

WrittenFileDamage& Damage() {
    static WrittenFileDamage damage;
    return damage;
}

std::string Shown(const CellValue& v) {
    return v.kind == CellKind::Empty ? "ריק" : CellText(v);
}

}  // namespace

Error ReadBackRefused(const std::filesystem::path& workbook, const std::string& why) {
    return Error{ErrorCode::ReadBack, "החוברת " + workbook.filename().string() +
                                          " לא נשמרה: הקובץ שנכתב לא נקרא חזרה כפי שנכתב (" + why +
                                          "). החוברת נשארה כפי שהייתה."};
}

std::string FirstDifference(const SheetValues& meant, const SheetValues& written) {
    // A text of no characters is no value: formats store it as an empty cell, or not at all.
    const auto blank = [](const auto& cell) {
        return cell.second.kind == CellKind::Empty ||
               (cell.second.kind == CellKind::Text && cell.second.text.empty());
    };
    auto value = meant.cells.begin();
    auto back = written.cells.begin();
    while (true) {
        value = std::find_if_not(value, meant.cells.end(), blank);
        back = std::find_if_not(back, written.cells.end(), blank);
        if (value == meant.cells.end() && back == written.cells.end()) {
            break;
        }
        if (back == written.cells.end() ||
            (value != meant.cells.end() && value->first < back->first)) {
            return "בתא " + CellName(value->first.first, value->first.second) + " נכתב \"" +
                   Shown(value->second) + "\" ונקרא ריק";
        }
        if (value == meant.cells.end() || back->first < value->first) {
            return "בתא " + CellName(back->first.first, back->first.second) + " נקרא \"" +
                   Shown(back->second) + "\" ולא נכתב דבר";
        }
        if (!(value->second == back->second)) {
            return "בתא " + CellName(value->first.first, value->first.second) + " נכתב \"" +
                   Shown(value->second) + "\" ונקרא \"" + Shown(back->second) + "\"";
        }
        ++value;
        ++back;
    }
    if (meant.fills != written.fills) {
        for (const auto& [at, fill] : meant.fills) {
            auto it = written.fills.find(at);
            if (it == written.fills.end() || !(it->second == fill)) {
                return "המילוי של התא " + CellName(at.first, at.second) + " נקרא אחרת";
            }
        }
        for (const auto& [at, fill] : written.fills) {
            if (meant.fills.count(at) == 0) {
                return "לתא " + CellName(at.first, at.second) + " נקרא מילוי שלא נכתב";
            }
        }
    }
    return {};
}

void DamageWrittenFilesForTests(WrittenFileDamage damage) {
    Damage() = std::move(damage);
}

void DamageWrittenFile(const std::filesystem::path& written) {
    if (Damage()) {
        Damage()(written);
    }
}

}  // namespace zivron::sheet
