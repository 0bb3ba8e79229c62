#pragma once
// Raw deflate (no zlib or gzip wrapper) for the parts of a workbook, by ISA-L's igzip at level 1:
// twice libdeflate's speed and six times zlib's on a sheet's XML, at libdeflate's size. A piece
// that is not the last ends with a full flush: byte-aligned, nothing referring back into it, so
// pieces deflated apart follow one another as one stream.

#include <isa-l/igzip_lib.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zivron::sheet {

enum class DeflateEnd { FullFlush, Final };

// Appends the deflated bytes of `in` to `out`; false when the compressor fails.
bool DeflateRaw(std::string_view in, DeflateEnd end, std::string& out);

// One stream fed a piece at a time, for a part composed as it is written: each piece is deflated
// while it is still in the cache, and the whole is never held. The same pieces give the same
// bytes; other cuts of the same input may give other (equally valid) ones.
class RawDeflater {
  public:
    RawDeflater();
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    // Appends what `in` deflates to so far; `last` ends the stream. False when the compressor
    // fails.
    bool Add(std::string_view in, bool last, std::string& out);

  private:
    isal_zstream z_;
};

}  // namespace zivron::sheet
