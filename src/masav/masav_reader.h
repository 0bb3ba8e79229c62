#pragma once
// A Masav file read back whole: every field of the header, the detail records, the trailer and
// the end line, in either variant, with its structure checked. The writer's own slot tables say
// where each field stands, so what one writes the other reads.

#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "masav/masav_file.h"

namespace zivron::masav {

struct ReadDetail {
    std::string bank, branch, account, identity;  // digits as the file holds them
    std::string name;                             // decoded to Hebrew as a person reads it
    long long agorot = 0;                         // the amount in agorot
    std::string reference;
};

struct ReadFile {
    Variant variant = Variant::Credit;
    std::string institution_code;
    std::string software_code;
    std::string payment_date;  // "yymmdd"
    std::string institution_name;
    std::vector<ReadDetail> details;
    long long total_agorot = 0;  // as the trailer carries it
    long long count = 0;         // as the trailer carries it
};

// The file read and checked: every record 128 characters with its variant's terminator, each
// kind where it belongs, fixed fields as the layout has them, number fields of digits, the
// trailer's count and total against the details, the end line and nothing after it. A fault is
// refused with a message naming the record (1-based line) and the field.
Result<ReadFile> ReadMasavFile(std::string_view bytes);

// A name field of the old code, reversed, back to Hebrew as a person reads it, without its
// padding.
std::string DecodeOldName(std::string_view field);

// The file as `zivron-cli verify` prints it: variant, codes, date, one line a record, count and
// total.
std::string DescribeFile(const ReadFile& file);

// The file read back against what the builder meant to write: header codes and date, the count,
// and each detail's identity number, bank, branch, account and amount against its row. The
// first difference is refused with a message.
Status CompareWithInput(const ReadFile& file, const FileInput& intended);

}  // namespace zivron::masav
