#include "service/replies.h"

#include <algorithm>

#include <cmath>

#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {

std::vector<std::string> SplitOn(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (;;) {
        std::size_t next = text.find(sep, at);
        out.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
        if (next == std::string::npos) {
            return out;
        }
        at = next + 1;
    }
}

namespace {

// A name as the list carries it: "+" and "%" percent-encoded, as "+" parts the records.
std::string ListedName(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const std::string_view next = std::string_view(field).substr(i, 3);
        if (next == "%2B" || next == "%25") {
            out += next == "%2B" ? '+' : '%';
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

}  // namespace

std::vector<ListEntry> ParseRecordList(const std::string& reply) {
    std::vector<ListEntry> out;
    std::vector<std::string> records = SplitOn(reply, '+');
    for (std::size_t i = 1; i < records.size(); ++i) {
        std::vector<std::string> fields = SplitOn(records[i], '*');
        if (fields.size() < 2) {
            continue;
        }
        // A number the list can hold: whole, positive, within 64 bits.
        double n = NumericValue(fields[1]);
        if (!(n >= 1 && n < 9.2e18) || n != std::floor(n)) {
            continue;
        }
        out.push_back({ListedName(fields[0]), static_cast<long long>(n)});
    }
    return out;
}

std::optional<AccountRecord> ParseLoginReply(const std::string& reply) {
    std::vector<std::string> fields = SplitOn(reply, '*');
    if (fields.size() < 13) {
        return std::nullopt;
    }
    AccountRecord record{Trim(fields[1]), Trim(fields[12])};
    const bool number = IsDigits(record.number) && record.number.size() <= 18;
    if (!number || record.name.empty() || record.name == "x") {
        return std::nullopt;
    }
    return record;
}

bool IsListReply(const std::string& reply) {
    if (reply == "0") {
        return true;  // an account without institutions
    }
    // Record 0 is never an entry; a list has at least one record of a name and a number.
    const std::vector<std::string> records = SplitOn(reply, '+');
    return std::any_of(records.begin() + 1, records.end(),
                       [](const std::string& r) { return r.find('*') != std::string::npos; });
}

}  // namespace zivron
