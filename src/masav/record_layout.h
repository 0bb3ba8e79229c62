#pragma once
// The fixed-width slots of the Masav records, one table a record kind.

#include <span>
#include <string>
#include <string_view>

namespace zivron::masav {

// What fills a slot: a fixed text, or a value the writer forms for the record.
enum class Source {
    Fixed,
    InstitutionCode,
    PaymentDate,
    SoftwareCode,
    InstitutionName,
    HeaderMark,
    Bank,
    Branch,
    Account,
    Identity,
    RowName,
    Shekels,
    Agorot,
    Reference,
    TransactionCode,
    TotalShekels,
    TotalAgorot,
    Count,
};

struct Slot {
    int position;  // 1-based, as the clearing house numbers them
    int width;
    Source source;
    std::string_view fixed = {};  // for Source::Fixed; padded with spaces to the width
};

inline constexpr int kRecordWidth = 128;

std::span<const Slot> HeaderSlots();
std::span<const Slot> DetailSlots();
std::span<const Slot> CreditTrailerSlots();
std::span<const Slot> CollectionTrailerSlots();

// A value in its slot: cut to the width keeping its leftmost characters, or followed by spaces.
void Place(std::string& record, std::string_view value, int width);

}  // namespace zivron::masav
