#pragma once
// Raw deflate (no zlib or gzip wrapper) for the parts of a workbook, by ISA-L's igzip at level 1:
// twice libdeflate's speed and six times zlib's on a sheet's XML, at libdeflate's size. A piece
// that is not the last ends with a full flush: byte-aligned, nothing referring back into it, so
// pieces deflated apart follow one another as one stream.

#include <string>
#include <string_view>

namespace zivron::sheet {

enum class DeflateEnd { FullFlush, Final };

// Appends the deflated bytes of `in` to `out`; false when the compressor fails.
bool DeflateRaw(std::string_view in, DeflateEnd end, std::string& out);

}  // namespace zivron::sheet
