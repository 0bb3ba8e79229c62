#include "spreadsheet/zip/zip_archive.h"

#include <libdeflate.h>
#include <zip.h>

#include <memory>
#include <optional>

#include "spreadsheet/little_endian.h"
#include "spreadsheet/zip/raw_deflate.h"
#include "spreadsheet/zip/zip_pieces.h"

namespace zivron::sheet {
namespace {

Error Broken(const std::filesystem::path& path, const std::string& why) {
    return Error{ErrorCode::BadInput,
                 "הקובץ " + path.filename().string() + " אינו חוברת אקסל תקינה (" + why + ")"};
}

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct FileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// One for each thread: a decompressor holds its state while it works.
libdeflate_decompressor* Inflater() {
    thread_local const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)>
        d(libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    return d.get();
}

// An entry's deflated bytes as stored, exactly `size` of them.
std::optional<std::string> ReadDeflated(zip_t* z, zip_int64_t i, zip_uint64_t size) {
    std::unique_ptr<zip_file_t, FileCloser> f(
        zip_fopen_index(z, static_cast<zip_uint64_t>(i), ZIP_FL_COMPRESSED));
    std::string out(size, '\0');
    if (!f || zip_fread(f.get(), out.data(), size) != static_cast<zip_int64_t>(size)) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

Result<std::vector<ZipPart>> ReadZip(const std::filesystem::path& path, const ZipLimits& limits,
                                     bool keep_pieces) {
    int err = 0;
    std::unique_ptr<zip_t, ZipCloser> z(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err));
    if (!z) {
        if (err == ZIP_ER_NOENT || err == ZIP_ER_OPEN || err == ZIP_ER_READ) {
            return Error{ErrorCode::IoFailure, "לא ניתן לפתוח את הקובץ " + path.string()};
        }
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        std::string why = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        return Broken(path, why);
    }
    zip_int64_t count = zip_get_num_entries(z.get(), 0);
    if (count < 0 || static_cast<std::size_t>(count) > limits.max_parts) {
        return Broken(path, "too many parts");
    }
    std::vector<ZipPart> parts;
    parts.reserve(static_cast<std::size_t>(count));
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(z.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (name == nullptr) {
            return Broken(path, "unnamed part");
        }
        ZipPart part{name, {}};
        zip_stat_t st;
        zip_stat_init(&st);
        const bool deflated = zip_stat_index(z.get(), static_cast<zip_uint64_t>(i), 0, &st) == 0 &&
                              (st.valid & (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC |
                                           ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD)) ==
                                  (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC |
                                   ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD) &&
                              st.comp_method == ZIP_CM_DEFLATE &&
                              st.encryption_method == ZIP_EM_NONE;
        if (deflated) {
            // A part stored in pieces is read as its head and tail alone, so only they count
            // against the limits; the middle stays as deflated as it came.
            zip_uint16_t field_size = 0;
            const zip_uint8_t* field =
                keep_pieces
                    ? zip_file_extra_field_get_by_id(z.get(), static_cast<zip_uint64_t>(i),
                                                     kPiecesFieldId, 0, &field_size, ZIP_FL_CENTRAL)
                    : nullptr;
            if (field != nullptr && st.comp_size <= limits.max_part) {
                std::optional<std::string> raw = ReadDeflated(z.get(), i, st.comp_size);
                std::optional<SplitPart> split =
                    raw ? SplitPieces(
                              *raw,
                              std::string_view(reinterpret_cast<const char*>(field), field_size),
                              static_cast<std::uint32_t>(st.crc), st.size, limits.max_part)
                        : std::nullopt;
                if (split && total + split->data.size() <= limits.max_total) {
                    total += split->data.size();
                    part.data = std::move(split->data);
                    part.pieces = std::move(split->pieces);
                    parts.push_back(std::move(part));
                    continue;
                }
            }
            // Inflated here with libdeflate (twice zlib's speed) into exactly the size the
            // archive states, checked against the limits first, then against the stored CRC.
            if (st.size > limits.max_part || total + st.size > limits.max_total ||
                st.comp_size > limits.max_part) {
                return Error{ErrorCode::BadInput,
                             "הקובץ " + path.filename().string() + " גדול מדי לקריאה"};
            }
            std::optional<std::string> raw = ReadDeflated(z.get(), i, st.comp_size);
            if (!raw) {
                return Broken(path, std::string("damaged part ") + name);
            }
            part.data.resize(st.size);
            if (libdeflate_deflate_decompress(Inflater(), raw->data(), raw->size(),
                                              part.data.data(), part.data.size(),
                                              nullptr) != LIBDEFLATE_SUCCESS ||
                libdeflate_crc32(0, part.data.data(), part.data.size()) != st.crc) {
                return Broken(path, std::string("damaged part ") + name);
            }
            total += st.size;
            parts.push_back(std::move(part));
            continue;
        }
        std::unique_ptr<zip_file_t, FileCloser> f(
            zip_fopen_index(z.get(), static_cast<zip_uint64_t>(i), 0));
        if (!f) {
            return Broken(path, std::string("cannot read ") + name);
        }
        char buf[1 << 16];
        for (;;) {
            zip_int64_t n = zip_fread(f.get(), buf, sizeof buf);
            if (n < 0) {
                return Broken(path, std::string("damaged part ") + name);
            }
            if (n == 0) {
                break;
            }
            total += static_cast<std::uint64_t>(n);
            if (part.data.size() + static_cast<std::size_t>(n) > limits.max_part ||
                total > limits.max_total) {
                return Error{ErrorCode::BadInput,
                             "הקובץ " + path.filename().string() + " גדול מדי לקריאה"};
            }
            part.data.append(buf, static_cast<std::size_t>(n));
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

namespace {

constexpr std::uint32_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01, as a fixed stamp

// What a part's headers say of its stored bytes.
struct Entry {
    std::uint16_t method = 8;
    std::uint32_t crc = 0;
    std::uint64_t stored = 0;
    std::uint64_t size = 0;
    std::string extra;
};

// The fields a part's local header and its directory entry share.
void PutCommon(std::string& h, const std::string& name, const Entry& e) {
    using le::Put16;
    using le::Put32;
    Put16(h, 20);      // version needed: 2.0
    Put16(h, 0x0800);  // UTF-8 names
    Put16(h, e.method);
    Put16(h, 0);  // time
    Put16(h, kDosDate);
    Put32(h, e.crc);
    Put32(h, static_cast<std::uint32_t>(e.stored));
    Put32(h, static_cast<std::uint32_t>(e.size));
    Put16(h, static_cast<std::uint32_t>(name.size()));
    Put16(h, static_cast<std::uint32_t>(e.extra.size()));
}

// Appends a part held whole, deflated, or as it is where deflate cannot shrink it.
bool AppendWhole(std::string& out, std::string_view data, Entry& e) {
    const std::size_t at = out.size();
    e.crc = static_cast<std::uint32_t>(libdeflate_crc32(0, data.data(), data.size()));
    e.size = data.size();
    if (!DeflateRaw(data, DeflateEnd::Final, out)) {
        out.resize(at);
        return false;
    }
    e.method = 8;
    if (out.size() - at >= data.size()) {
        out.resize(at);
        out.append(data);
        e.method = 0;
    }
    e.stored = out.size() - at;
    return true;
}

// Appends a part as its pieces come: each is summed and deflated while it is still in the
// cache. One that comes in a single piece is a part held whole.
bool AppendStreamed(std::string& out, const StreamedPart& part, Entry& e) {
    const std::size_t at = out.size();
    RawDeflater deflater;
    bool ok = true;
    part.compose([&](std::string_view piece, bool last) {
        if (!ok) {
            return;
        }
        if (last && e.size == 0) {
            ok = AppendWhole(out, piece, e);
            return;
        }
        e.crc = static_cast<std::uint32_t>(libdeflate_crc32(e.crc, piece.data(), piece.size()));
        e.size += piece.size();
        ok = e.size <= 0xFFFFFFF0u && deflater.Add(piece, last, out);
        e.stored = out.size() - at;
    });
    return ok;
}

}  // namespace

// The archive is laid out here, its parts deflated by DeflateRaw straight after their local
// headers, whose checksums and sizes are put in after: the central directory, its end record.
// Names are UTF-8 (flag 11); no part or archive comes near the 4 GB that would need zip64.
Result<std::string> WriteZip(const std::vector<ZipPart>& parts, const StreamedPart* streamed) {
    using le::Put16;
    using le::Put32;
    if (parts.size() > 0xFFFF) {
        return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה (יותר מדי חלקים)"};
    }
    std::string out;
    std::string directory;
    for (const ZipPart& p : parts) {
        if (p.data.size() > 0xFFFFFFF0u || p.name.size() > 0xFFFF) {
            return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה (" + p.name + " גדול מדי)"};
        }
        const auto offset = static_cast<std::uint32_t>(out.size());
        Entry e;
        std::string packed;
        if (p.pieces) {
            Result<PackedPart> pp = DeflatePieces(p.data, *p.pieces);
            if (!pp) {
                return pp.error();
            }
            packed = std::move(pp.value().packed);
            e.crc = pp.value().crc;
            e.size = pp.value().size;
            e.stored = packed.size();
            e.extra = std::move(pp.value().extra);
        }
        Put32(out, 0x04034b50);
        PutCommon(out, p.name, e);
        out += p.name;
        out += e.extra;
        if (p.pieces) {
            out += packed;
        } else {
            const bool ok = streamed != nullptr && streamed->name == p.name
                                ? AppendStreamed(out, *streamed, e)
                                : AppendWhole(out, p.data, e);
            if (e.size > 0xFFFFFFF0u) {
                return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה (" + p.name + " גדול מדי)"};
            }
            if (!ok) {
                return Error{ErrorCode::IoFailure, "אין די זיכרון לשמירת החוברת"};
            }
            le::Set16(out, offset + 8, e.method);
            le::Set32(out, offset + 14, e.crc);
            le::Set32(out, offset + 18, static_cast<std::uint32_t>(e.stored));
            le::Set32(out, offset + 22, static_cast<std::uint32_t>(e.size));
        }
        Put32(directory, 0x02014b50);
        Put16(directory, 20);  // made by: 2.0
        PutCommon(directory, p.name, e);
        Put16(directory, 0);  // comment
        Put16(directory, 0);  // disk
        Put16(directory, 0);  // internal attributes
        Put32(directory, 0);  // external attributes
        Put32(directory, offset);
        directory += p.name;
        directory += e.extra;
        if (out.size() > 0xFFFFFFF0u - directory.size()) {
            return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה (גדולה מדי)"};
        }
    }
    const auto directory_at = static_cast<std::uint32_t>(out.size());
    out += directory;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint32_t>(parts.size()));
    Put16(out, static_cast<std::uint32_t>(parts.size()));
    Put32(out, static_cast<std::uint32_t>(directory.size()));
    Put32(out, directory_at);
    Put16(out, 0);  // comment
    return out;
}

}  // namespace zivron::sheet
