#include "validate/bank_edition.h"

#include <sodium.h>
#include <zlib.h>

#include <set>

namespace zivron::banks {
namespace {

// The two files travel as one text, parted by a character neither holds.
constexpr char kBetweenFiles = '\x1e';
// Bigger than any list the Bank of Israel publishes by far; a size past it is a damaged edition.
constexpr std::size_t kLargestEdition = 64u << 20;

Error Damaged(const std::string& what) {
    return Error{ErrorCode::BadInput, "רשימת הבנקים שהתקבלה פגומה: " + what};
}

// dd/mm/yyyy as yyyymmdd, or nothing.
std::optional<long> DayNumber(std::string_view d) {
    if (d.size() != 10 || d[2] != '/' || d[5] != '/') {
        return std::nullopt;
    }
    const std::string digits =
        std::string(d.substr(6, 4)) + std::string(d.substr(3, 2)) + std::string(d.substr(0, 2));
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    return std::stol(digits);
}

}  // namespace

bool LaterDate(std::string_view a, std::string_view b) {
    const std::optional<long> x = DayNumber(a);
    const std::optional<long> y = DayNumber(b);
    return x && (!y || *x > *y);
}

std::string EncodeEdition(const Edition& e) {
    const std::string plain = e.banks_tsv + kBetweenFiles + e.branches_tsv;
    uLongf packed_size = compressBound(static_cast<uLong>(plain.size()));
    std::string packed(packed_size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
              reinterpret_cast<const Bytef*>(plain.data()), static_cast<uLong>(plain.size()),
              Z_BEST_COMPRESSION);
    packed.resize(packed_size);
    std::string text(sodium_base64_encoded_len(packed.size(), sodium_base64_VARIANT_ORIGINAL),
                     '\0');
    sodium_bin2base64(text.data(), text.size(),
                      reinterpret_cast<const unsigned char*>(packed.data()), packed.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    text.resize(text.size() - 1);  // its closing NUL
    return e.date + "\n" + std::to_string(plain.size()) + "\n" + text;
}

Result<Edition> DecodeEdition(std::string_view text) {
    const std::size_t first = text.find('\n');
    const std::size_t second = first == std::string_view::npos ? first : text.find('\n', first + 1);
    if (second == std::string_view::npos) {
        return Damaged("חסרה כותרת");
    }
    Edition e;
    e.date = std::string(text.substr(0, first));
    const std::optional<std::int64_t> size = CodeOf(text.substr(first + 1, second - first - 1));
    if (!DayNumber(e.date) || !size || static_cast<std::size_t>(*size) > kLargestEdition) {
        return Damaged("כותרת שגויה");
    }
    const std::string_view body = text.substr(second + 1);
    std::string packed(body.size(), '\0');
    std::size_t packed_size = 0;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(packed.data()), packed.size(),
                          body.data(), body.size(), nullptr, &packed_size, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0) {
        return Damaged("הקידוד שבור");
    }
    std::string plain(static_cast<std::size_t>(*size), '\0');
    uLongf plain_size = static_cast<uLongf>(plain.size());
    if (uncompress(reinterpret_cast<Bytef*>(plain.data()), &plain_size,
                   reinterpret_cast<const Bytef*>(packed.data()),
                   static_cast<uLong>(packed_size)) != Z_OK ||
        plain_size != plain.size()) {
        return Damaged("הדחיסה שבורה");
    }
    const std::size_t between = plain.find(kBetweenFiles);
    if (between == std::string::npos) {
        return Damaged("חסר אחד הקבצים");
    }
    e.banks_tsv = plain.substr(0, between);
    e.branches_tsv = plain.substr(between + 1);
    return e;
}

Result<Directory> CheckEdition(const Edition& edition, const Directory& previous) {
    Result<Directory> d = Directory::Parse(edition.banks_tsv, edition.branches_tsv);
    if (!d) {
        return d.error();
    }
    if (d.value().Banks().empty() || d.value().BranchCount() == 0) {
        return Damaged("אין בה בנקים או סניפים");
    }
    std::set<std::int64_t> vanished;
    for (const Bank& b : previous.Banks()) {
        if (!previous.BranchesOf(b.code).empty() && d.value().BranchesOf(b.code).empty()) {
            vanished.insert(b.code);
        }
    }
    if (!vanished.empty()) {
        return Damaged("כל סניפי בנק " + std::to_string(*vanished.begin()) + " חסרים");
    }
    return d;
}

}  // namespace zivron::banks
