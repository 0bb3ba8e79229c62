#include "spreadsheet/zip/zip_pieces.h"

#include <libdeflate.h>
#include <zlib.h>

#include <limits>

#include "spreadsheet/little_endian.h"
#include "spreadsheet/zip/raw_deflate.h"

namespace zivron::sheet {
namespace {

constexpr std::size_t kFieldSize = 1 + 5 * 4;  // version, then five 32-bit numbers

Error OutOfMemory() {
    return Error{ErrorCode::IoFailure, "אין די זיכרון לשמירת החוברת"};
}

// Exactly `size` bytes out of a piece; the tail piece must also end the stream.
std::optional<std::string> InflatePiece(std::string_view in, std::uint64_t size, bool last) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) {
        return std::nullopt;
    }
    std::string out(size, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool whole = z.avail_in == 0 && z.avail_out == 0 &&
                       (last ? rc == Z_STREAM_END : (rc == Z_OK || rc == Z_BUF_ERROR));
    inflateEnd(&z);
    return whole ? std::optional<std::string>(std::move(out)) : std::nullopt;
}

// libdeflate's checksum, as the whole parts use: several times zlib's speed.
std::uint32_t Crc(std::string_view s) {
    return static_cast<std::uint32_t>(libdeflate_crc32(0, s.data(), s.size()));
}

std::uint32_t Combine(std::uint32_t a, std::uint32_t b, std::uint64_t b_size) {
    return static_cast<std::uint32_t>(crc32_combine(a, b, static_cast<z_off_t>(b_size)));
}

}  // namespace

Result<PackedPart> DeflatePieces(std::string_view data, const PartPieces& pieces) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max() - 0xFFFF;
    if (pieces.head + pieces.tail > data.size() || data.size() + pieces.kept.size > kMax ||
        pieces.kept.packed.size() > kMax) {
        return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה (חלק גדול מדי)"};
    }
    const std::string_view head = data.substr(0, pieces.head);
    const std::string_view added =
        data.substr(pieces.head, data.size() - pieces.head - pieces.tail);
    const std::string_view tail = data.substr(data.size() - pieces.tail);
    PackedPart out;
    out.packed.reserve(pieces.kept.packed.size() + data.size() / 4 + (64 << 10));
    if (!DeflateRaw(head, DeflateEnd::FullFlush, out.packed)) {
        return OutOfMemory();
    }
    const std::size_t head_packed = out.packed.size();
    out.packed += pieces.kept.packed;
    if (!added.empty() && !DeflateRaw(added, DeflateEnd::FullFlush, out.packed)) {
        return OutOfMemory();
    }
    const std::size_t middle_packed = out.packed.size() - head_packed;
    if (!DeflateRaw(tail, DeflateEnd::Final, out.packed)) {
        return OutOfMemory();
    }
    const std::uint64_t middle_size = pieces.kept.size + added.size();
    const std::uint32_t middle_crc = Combine(pieces.kept.crc, Crc(added), added.size());
    out.crc = Combine(Combine(Crc(head), middle_crc, middle_size), Crc(tail), tail.size());
    out.size = head.size() + middle_size + tail.size();
    if (out.packed.size() > kMax) {
        return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה (חלק גדול מדי)"};
    }
    le::Put16(out.extra, kPiecesFieldId);
    le::Put16(out.extra, kFieldSize);
    out.extra.push_back(1);  // version
    le::Put32(out.extra, static_cast<std::uint32_t>(head_packed));
    le::Put32(out.extra, static_cast<std::uint32_t>(middle_packed));
    le::Put32(out.extra, static_cast<std::uint32_t>(head.size()));
    le::Put32(out.extra, static_cast<std::uint32_t>(middle_size));
    le::Put32(out.extra, middle_crc);
    return out;
}

std::optional<SplitPart> SplitPieces(std::string_view packed, std::string_view field,
                                     std::uint32_t crc, std::uint64_t size,
                                     std::uint64_t max_inflated) {
    if (field.size() != kFieldSize || field[0] != 1) {
        return std::nullopt;
    }
    const std::uint64_t head_packed = le::U32(field, 1);
    const std::uint64_t middle_packed = le::U32(field, 5);
    const std::uint64_t head_size = le::U32(field, 9);
    const std::uint64_t middle_size = le::U32(field, 13);
    const std::uint32_t middle_crc = le::U32(field, 17);
    if (head_packed + middle_packed >= packed.size() || head_size + middle_size > size ||
        size - middle_size > max_inflated) {
        return std::nullopt;
    }
    const std::uint64_t tail_size = size - head_size - middle_size;
    std::optional<std::string> head = InflatePiece(packed.substr(0, head_packed), head_size, false);
    std::optional<std::string> tail =
        InflatePiece(packed.substr(head_packed + middle_packed), tail_size, true);
    if (!head || !tail ||
        Combine(Combine(Crc(*head), middle_crc, middle_size), Crc(*tail), tail_size) != crc) {
        return std::nullopt;
    }
    SplitPart out;
    out.pieces.head = head->size();
    out.pieces.tail = tail->size();
    out.pieces.kept = {std::string(packed.substr(head_packed, middle_packed)), middle_size,
                       middle_crc};
    out.data = std::move(*head) + *tail;
    return out;
}

}  // namespace zivron::sheet
