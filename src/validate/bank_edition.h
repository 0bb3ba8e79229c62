#pragma once
// An edition of the bank and branch lists as the service hands it out: its date and the two
// files, compressed, in text that survives the way the program reads replies. Both ends check an
// edition the same way before it replaces the one in use.

#include <string>
#include <string_view>

#include "core/result.h"
#include "validate/bank_directory.h"

namespace zivron::banks {

struct Edition {
    std::string date;  // dd/mm/yyyy
    std::string banks_tsv;
    std::string branches_tsv;
};

// The date of the snapshot built into the program.
inline constexpr const char* kShippedEditionDate = "24/07/2026";

// "date\nsize\n" and the two files deflated, in base64.
std::string EncodeEdition(const Edition& edition);
Result<Edition> DecodeEdition(std::string_view text);

// The edition's directory when it may replace `previous`: it parses, holds banks and branches,
// and every bank with branches in `previous` still has some (a list missing a bank whole is a
// damaged list, not a merger).
Result<Directory> CheckEdition(const Edition& edition, const Directory& previous);

// Whether date `a` (dd/mm/yyyy) is later than `b`; an unreadable date is never later.
bool LaterDate(std::string_view a, std::string_view b);

}  // namespace zivron::banks
