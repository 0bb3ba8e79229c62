#include "convert/file_readers.h"

#include "service/replies.h"
#include "text/hebrew.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

// Characters `from`..`from + count - 1` (from 1) of a byte text, as far as they exist.
std::string Field(const std::string& s, std::size_t from, std::size_t count) {
    return from - 1 < s.size() ? s.substr(from - 1, count) : std::string();
}

}  // namespace

std::vector<std::string> MasavNames(const std::string& file) {
    std::vector<std::string> lines = SplitOn(file, '\n');
    if (!lines.empty() && lines.back().empty()) {
        lines.pop_back();  // the text ended with a line break
    }
    std::vector<std::string> names;
    for (std::size_t i = 1; i + 2 < lines.size(); ++i) {
        names.push_back(Field(Trim(lines[i]), 46, 16));
    }
    return names;
}

std::vector<MichpalRow> MichpalRows(const std::string& file, std::size_t limit) {
    // Here the piece after a last line break counts, so the trailer is the last piece but two.
    std::vector<std::string> pieces = SplitOn(file, '\n');
    std::vector<MichpalRow> rows;
    for (std::size_t p = 1; p + 2 < pieces.size() && rows.size() < limit; ++p) {
        const std::string piece = Trim(pieces[p]);
        const std::string name = PayrollNameToHebrew(Field(piece, 46, 16));
        if (name == "sof" || name.find("@@@") != std::string::npos) {
            break;
        }
        rows.push_back({name, FromWindows1255(Field(piece, 37, 9)),
                        FromWindows1255(Field(piece, 18, 2)), FromWindows1255(Field(piece, 20, 3)),
                        FromWindows1255(Field(piece, 27, 9)),
                        NumberText(NumericValue(Field(piece, 62, 11))) + "." +
                            FromWindows1255(Field(piece, 73, 2))});
    }
    return rows;
}

}  // namespace zivron
