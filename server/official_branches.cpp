#include "official_branches.h"

#include <pugixml.hpp>

#include <cstdint>
#include <optional>

#include "validate/bank_directory.h"

namespace zivron::service {
namespace {

// The file names a bank by its code, or by its corporation code (bank x 1000 + 1), as it names
// the bank a branch was merged into.
std::optional<std::int64_t> BankOf(const std::string& text) {
    const std::optional<std::int64_t> n = banks::CodeOf(text);
    if (!n || *n < 1000) {
        return n;
    }
    return *n % 1000 == 1 ? std::optional(*n / 1000) : std::nullopt;
}

// "31/08/2025" as "2025-08-31"; "" stays ""; anything else is nothing.
std::optional<std::string> IsoDay(const std::string& d) {
    if (d.empty()) {
        return d;
    }
    if (d.size() != 10 || d[2] != '/' || d[5] != '/' ||
        (d.substr(0, 2) + d.substr(3, 2) + d.substr(6, 4)).find_first_not_of("0123456789") !=
            std::string::npos) {
        return std::nullopt;
    }
    return d.substr(6, 4) + "-" + d.substr(3, 2) + "-" + d.substr(0, 2);
}

// A field's text with tabs and line breaks, which would break a line of the list, as spaces.
std::string Field(const pugi::xml_node& record, const char* name) {
    std::string text = record.child(name).text().as_string();
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

Error Refused(std::size_t record, const std::string& why) {
    return Error{ErrorCode::BadInput,
                 "branch record " + std::to_string(record) + " of the file: " + why};
}

}  // namespace

Result<std::string> BranchesFromOfficialFile(std::string_view xml) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
    if (!parsed) {
        return Error{ErrorCode::BadInput, std::string("not XML: ") + parsed.description()};
    }
    std::string out =
        "bank_code\tbank_name\tbranch_code\tbranch_name\tcity\taddress\tclosed_date\tmerged_into\n";
    std::size_t records = 0;
    for (const pugi::xpath_node& node : doc.select_nodes("//branch")) {
        const pugi::xml_node r = node.node();
        ++records;
        const std::optional<std::int64_t> bank = BankOf(Field(r, "id"));
        const std::optional<std::int64_t> branch = banks::CodeOf(Field(r, "branch_code"));
        const std::string merge = Field(r, "merge_branch");
        const std::optional<std::int64_t> merged = merge.empty() ? 0 : banks::CodeOf(merge);
        const std::optional<std::string> closed = IsoDay(Field(r, "close_date"));
        if (!bank || !branch || !merged) {
            return Refused(records, "a code that is not a number");
        }
        if (!closed) {
            return Refused(records, "a closing date that is not dd/mm/yyyy");
        }
        out += std::to_string(*bank) + "\t" + Field(r, "name") + "\t" + std::to_string(*branch) +
               "\t" + Field(r, "branch_name") + "\t" + Field(r, "city") + "\t" +
               Field(r, "address") + "\t" + *closed + "\t" +
               (*merged != 0 ? std::to_string(*merged) : "") + "\n";
    }
    if (records == 0) {
        return Error{ErrorCode::BadInput, "the file holds no <branch> record"};
    }
    return out;
}

}  // namespace zivron::service
