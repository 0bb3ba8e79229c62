#include "platform/spreadsheet/zip_archive.h"

#include <zip.h>

#include <memory>

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

}  // namespace

Result<std::vector<ZipPart>> ReadZip(const std::filesystem::path& path, const ZipLimits& limits) {
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
        std::unique_ptr<zip_file_t, FileCloser> f(
            zip_fopen_index(z.get(), static_cast<zip_uint64_t>(i), 0));
        if (!f) {
            return Broken(path, std::string("cannot read ") + name);
        }
        ZipPart part{name, {}};
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

Result<std::string> WriteZip(const std::vector<ZipPart>& parts) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &ze);
    if (buffer == nullptr) {
        zip_error_fini(&ze);
        return Error{ErrorCode::IoFailure, "אין די זיכרון לשמירת החוברת"};
    }
    zip_t* z = zip_open_from_source(buffer, ZIP_TRUNCATE, &ze);
    if (z == nullptr) {
        zip_source_free(buffer);
        zip_error_fini(&ze);
        return Error{ErrorCode::IoFailure, "אין די זיכרון לשמירת החוברת"};
    }
    zip_source_keep(buffer);
    auto fail = [&](const std::string& why) -> Result<std::string> {
        zip_discard(z);
        zip_source_free(buffer);
        zip_error_fini(&ze);
        return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה (" + why + ")"};
    };
    for (const ZipPart& p : parts) {
        zip_source_t* src = zip_source_buffer(z, p.data.data(), p.data.size(), 0);
        if (src == nullptr) {
            return fail(p.name);
        }
        zip_int64_t idx = zip_file_add(z, p.name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (idx < 0) {
            zip_source_free(src);
            return fail(p.name);
        }
        // Level 1: most of the size for a fraction of the time of the default.
        zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(z) != 0) {
        std::string why = zip_strerror(z);
        zip_discard(z);
        zip_source_free(buffer);
        zip_error_fini(&ze);
        return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה (" + why + ")"};
    }
    std::string out;
    zip_stat_t st;
    if (zip_source_stat(buffer, &st) != 0 || zip_source_open(buffer) != 0) {
        zip_source_free(buffer);
        zip_error_fini(&ze);
        return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה"};
    }
    out.resize(static_cast<std::size_t>(st.size));
    zip_int64_t n = zip_source_read(buffer, out.data(), out.size());
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&ze);
    if (n < 0 || static_cast<std::size_t>(n) != out.size()) {
        return Error{ErrorCode::IoFailure, "שמירת החוברת נכשלה"};
    }
    return out;
}

}  // namespace zivron::sheet
