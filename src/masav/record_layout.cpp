#include "masav/record_layout.h"

#include <array>

namespace zivron::masav {
namespace {

using S = Source;

constexpr std::array kHeader = {
    Slot{1, 1, S::Fixed, "K"},       Slot{2, 8, S::InstitutionCode},   Slot{10, 2, S::Fixed, "00"},
    Slot{12, 6, S::PaymentDate},     Slot{18, 1, S::Fixed, "0"},       Slot{19, 3, S::Fixed, "001"},
    Slot{22, 1, S::Fixed, "0"},      Slot{23, 6, S::PaymentDate},      Slot{29, 5, S::SoftwareCode},
    Slot{34, 6, S::Fixed, "000000"}, Slot{40, 30, S::InstitutionName}, Slot{70, 56, S::Fixed, ""},
    Slot{126, 3, S::HeaderMark},
};

constexpr std::array kDetail = {
    Slot{1, 1, S::Fixed, "1"},
    Slot{2, 8, S::InstitutionCode},
    Slot{10, 2, S::Fixed, "00"},
    Slot{12, 6, S::Fixed, "000000"},
    Slot{18, 2, S::Bank},
    Slot{20, 3, S::Branch},
    Slot{23, 4, S::Fixed, "0000"},
    Slot{27, 9, S::Account},
    Slot{36, 1, S::Fixed, "0"},
    Slot{37, 9, S::Identity},
    Slot{46, 16, S::RowName},
    Slot{62, 11, S::Shekels},
    Slot{73, 2, S::Agorot},
    Slot{75, 20, S::Reference},
    Slot{95, 8, S::Fixed, "00000000"},
    Slot{103, 3, S::Fixed, "000"},
    Slot{106, 3, S::TransactionCode},
    Slot{109, 18, S::Fixed, "000000000000000000"},
    Slot{127, 2, S::Fixed, ""},
};

// The credit trailer carries its totals in the first block of each pair, the collection trailer in
// the second.
constexpr std::array kCreditTrailer = {
    Slot{1, 1, S::Fixed, "5"},
    Slot{2, 8, S::InstitutionCode},
    Slot{10, 2, S::Fixed, "00"},
    Slot{12, 6, S::PaymentDate},
    Slot{18, 1, S::Fixed, "0"},
    Slot{19, 3, S::Fixed, "001"},
    Slot{22, 13, S::TotalShekels},
    Slot{35, 2, S::TotalAgorot},
    Slot{37, 13, S::Fixed, "0000000000000"},
    Slot{50, 2, S::Fixed, "00"},
    Slot{52, 7, S::Count},
    Slot{59, 7, S::Fixed, "0000000"},
    Slot{66, 63, S::Fixed, ""},
};

constexpr std::array kCollectionTrailer = {
    Slot{1, 1, S::Fixed, "5"},
    Slot{2, 8, S::InstitutionCode},
    Slot{10, 2, S::Fixed, "00"},
    Slot{12, 6, S::PaymentDate},
    Slot{18, 1, S::Fixed, "0"},
    Slot{19, 3, S::Fixed, "001"},
    Slot{22, 13, S::Fixed, "0000000000000"},
    Slot{35, 2, S::Fixed, "00"},
    Slot{37, 13, S::TotalShekels},
    Slot{50, 2, S::TotalAgorot},
    Slot{52, 7, S::Fixed, "0000000"},
    Slot{59, 7, S::Count},
    Slot{66, 63, S::Fixed, ""},
};

}  // namespace

std::span<const Slot> HeaderSlots() {
    return kHeader;
}
std::span<const Slot> DetailSlots() {
    return kDetail;
}
std::span<const Slot> CreditTrailerSlots() {
    return kCreditTrailer;
}
std::span<const Slot> CollectionTrailerSlots() {
    return kCollectionTrailer;
}

void Place(std::string& record, std::string_view value, int width) {
    auto w = static_cast<std::size_t>(width);
    if (value.size() >= w) {
        record.append(value.substr(0, w));
    } else {
        record.append(value);
        record.append(w - value.size(), ' ');
    }
}

}  // namespace zivron::masav
