#include "platform/spreadsheet/raw_deflate.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

namespace zivron::sheet {

bool DeflateRaw(std::string_view in, DeflateEnd end, std::string& out) {
    if (in.size() > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    // Level 1 keeps its hash tables in a buffer of the caller's; one for each thread.
    thread_local const std::unique_ptr<std::uint8_t[]> level(
        new std::uint8_t[ISAL_DEF_LVL1_DEFAULT]);
    isal_zstream z;
    isal_deflate_init(&z);
    z.level = 1;
    z.level_buf = level.get();
    z.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
    z.gzip_flag = IGZIP_DEFLATE;
    z.end_of_stream = end == DeflateEnd::Final ? 1 : 0;
    z.flush = end == DeflateEnd::Final ? NO_FLUSH : FULL_FLUSH;
    z.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<std::uint32_t>(in.size());
    // Written a piece at a time: room for half the input at once was zeroed and faulted in, page
    // by page, for output a fraction of that.
    const std::size_t room = std::min<std::size_t>(in.size() / 2 + (64 << 10), 1 << 20);
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
        const bool done = end == DeflateEnd::Final ? z.internal_state.state == ZSTATE_END
                                                   : z.avail_in == 0 && z.avail_out > 0;
        if (done) {
            return true;
        }
    }
}

}  // namespace zivron::sheet
