#pragma once
// The Masav payment file msv.001, credit and collection variants, as exact bytes.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/result.h"

namespace zivron::masav {

enum class Variant { Credit, Collection };

// The institution as the panel of the run shows it (UTF-8 texts).
struct Institution {
    std::string code;           // 8-digit Masav code
    std::string software_code;  // 5-digit code
    std::string name;
};

struct ValueDate {
    int day = 0;
    int month = 0;
    int year = 0;  // four digits
};

// "yymmdd", as a file's header carries the date.
std::string Yymmdd(const ValueDate& d);
// "DD/MM/YYYY", as the operator reads it.
std::string DateText(const ValueDate& d);

// One transaction row as the import left it (UTF-8 texts).
struct Row {
    std::string name;
    std::string id;
    std::string bank;
    std::string branch;
    std::string account;
    std::string amount;
    bool operator==(const Row&) const = default;
};

struct FileInput {
    Variant variant = Variant::Credit;
    Institution institution;
    ValueDate date;
    std::span<const Row> rows;  // names go to the old code by ToOldHebrewCode; the Leumi
                                // conversion gives the same bytes, so it needs no switch here
};

// The credit builder's name: trimmed, every "'" and "." removed, cut to 16 characters. Works on a
// byte text (one Windows-1255 byte a character).
std::string PrepareCreditName(std::string_view name);

// The collection builder takes the name as it stands.
std::string PrepareCollectionName(std::string_view name);

// A number field (bank 2, branch 3, account 9, identity 9, the codes 8 and 5) as the file holds
// it: its digits zero-filled on the left to the width, extra leading zeros dropped, never a digit.
// Nothing when the text holds anything but digits (spaces around them aside), or more digits
// than the width after its leading zeros. An empty text, or the marker "x", is all zeros. The text
// may be UTF-8 or Windows-1255: digits and spaces are the same bytes in both, and no other
// character is either in the other, so the answer is the same.
std::optional<std::string> FitDigits(std::string_view text, int width);

// The same without forming the field: the digits kept (a view into the text) and the zeros that
// go before them.
struct FittedDigits {
    std::string_view digits;
    std::size_t zeros = 0;
};
std::optional<FittedDigits> FitField(std::string_view text, int width);
// Whether the text, fitted to the width, is `field`.
bool FitsAs(std::string_view text, int width, std::string_view field);

// Why a number field does not fit, in the operator's words: "ארוך מ-9 ספרות" or "אינו מספר".
std::string WhyNotFit(std::string_view text, int width);

// The whole file. Refused, with the operator's message, when the value date is no date, a code
// or a number field of a row does not fit its field, an amount is not a number or too large for
// its field, or the total is beyond its field.
Result<std::string> BuildFile(const FileInput& input);

}  // namespace zivron::masav
