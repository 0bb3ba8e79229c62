#pragma once
// The workbook's texts: read from a record and its CONTINUE records, where a string's characters
// may run from one record into the next; and the shared string table (SST) written, with the
// EXTSST that indexes it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/result.h"

namespace zivron::sheet {

// The payloads of a record and its CONTINUE records, read in order. A string's characters that
// run past one begin the next with a byte saying whether they are one or two bytes wide.
class Pieces {
  public:
    explicit Pieces(std::vector<std::string_view> pieces) : pieces_(std::move(pieces)) {}

    bool Bytes(std::size_t n, std::string* out);
    std::optional<std::uint32_t> Number(std::size_t width);
    // `count` characters, one or two bytes each, as UTF-8; at a piece's end the width is read
    // again.
    bool Chars(std::size_t count, bool wide, std::string& out);
    // A string of the workbook: its length (one or two bytes), its flags, its characters, the
    // formatting runs and phonetic data it may carry (`formatted` says whether it had runs).
    std::optional<std::string> Text(std::size_t length_width, bool rich_allowed,
                                    bool* formatted = nullptr);
    // Where the next byte is: (piece, offset in it), at the start of the next piece when this
    // one is used up.
    std::pair<std::size_t, std::size_t> Position() const;

  private:
    bool Next();
    std::vector<std::string_view> pieces_;
    std::size_t i_ = 0;
    std::size_t at_ = 0;
};

// The strings of a workbook's shared string table, each with where it begins (record, offset in
// its data) and whether it carries formatting runs; `end` is where the last one it counts ends.
struct SharedStrings {
    std::vector<std::string> texts;
    std::vector<bool> formatted;
    std::vector<std::pair<std::size_t, std::size_t>> starts;
    std::pair<std::size_t, std::size_t> end;
};
// `records`: the SST's data (its two counts first) and its CONTINUE records'; nothing when it
// holds fewer strings than it counts.
std::optional<SharedStrings> ReadSharedStrings(const std::vector<std::string_view>& records);

// The shared string table as it will be written: strings added after the ones a workbook had,
// whose bytes stay as they were.
class SstBuilder {
  public:
    SstBuilder();
    // The table of a workbook: the SST record's data and its CONTINUE records'; refused when it
    // holds fewer strings than it counts.
    static Result<SstBuilder> From(const std::vector<std::string_view>& records);

    // The index of the text, added unless an equal unformatted string is there; a text past
    // 32,767 characters is refused.
    Result<std::uint32_t> Add(std::string_view utf8);
    // A cell that refers to the table was written (+1) or replaced (-1).
    void CountReference(int delta) { total_ += static_cast<std::uint32_t>(delta); }
    bool Empty() const { return starts_.empty(); }
    // The SST, its CONTINUE records and the EXTSST, the SST starting at `stream_at`.
    std::string Records(std::size_t stream_at) const;

  private:
    std::vector<std::string> bodies_;                          // the records' data, the SST's first
    std::vector<std::pair<std::size_t, std::size_t>> starts_;  // every string: record, offset
    std::unordered_map<std::string, std::uint32_t> index_;
    std::uint32_t total_ = 0;
};

}  // namespace zivron::sheet
