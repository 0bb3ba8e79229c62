#include "spreadsheet/zip/raw_deflate.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace zivron::sheet {
namespace {

// Level 1 keeps its hash tables in a buffer of the caller's; one for each thread.
std::uint8_t* LevelBuffer() {
    thread_local const std::unique_ptr<std::uint8_t[]> level(
        new std::uint8_t[ISAL_DEF_LVL1_DEFAULT]);
    return level.get();
}

void Start(isal_zstream& z) {
    isal_deflate_init(&z);
    z.level = 1;
    z.level_buf = LevelBuffer();
    z.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
    z.gzip_flag = IGZIP_DEFLATE;
}

// Deflates all of `in` into `out`, in the way `z` is set to end.
bool Run(isal_zstream& z, std::string_view in, std::string& out) {
    if (in.size() > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    z.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<std::uint32_t>(in.size());
    // Written a piece at a time into room that is zeroed first, so about what a sheet's XML
    // deflates to (a seventh) and no more: input that does not shrink takes a few rounds.
    const std::size_t room = std::min<std::size_t>(in.size() / 4 + (16 << 10), 1 << 20);
    for (;;) {
        const std::size_t at = out.size();
        out.resize(at + room);
        z.next_out = reinterpret_cast<std::uint8_t*>(out.data() + at);
        z.avail_out = static_cast<std::uint32_t>(room);
        if (isal_deflate(&z) != COMP_OK) {
            out.resize(at);
            return false;
        }
        out.resize(out.size() - z.avail_out);
        const bool done = z.end_of_stream ? z.internal_state.state == ZSTATE_END
                                          : z.avail_in == 0 && z.avail_out > 0;
        if (done) {
            return true;
        }
    }
}

}  // namespace

bool DeflateRaw(std::string_view in, DeflateEnd end, std::string& out) {
    isal_zstream z;
    Start(z);
    z.end_of_stream = end == DeflateEnd::Final ? 1 : 0;
    z.flush = end == DeflateEnd::Final ? NO_FLUSH : FULL_FLUSH;
    return Run(z, in, out);
}

RawDeflater::RawDeflater() {
    Start(z_);
}

bool RawDeflater::Add(std::string_view in, bool last, std::string& out) {
    z_.end_of_stream = last ? 1 : 0;
    z_.flush = NO_FLUSH;
    return Run(z_, in, out);
}

}  // namespace zivron::sheet
