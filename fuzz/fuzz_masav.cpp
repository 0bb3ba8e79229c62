// The readers of Masav files and Michpal exports, and the code-page conversions under them.

#include <cstdint>
#include <string>

#include "convert/file_readers.h"
#include "text/hebrew.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    for (const std::string& name : zivron::MasavNames(file)) {
        if (name.size() > 16) {
            __builtin_trap();
        }
    }
    (void)zivron::MichpalRows(file, 9999);
    // Every byte has a character: decoding and encoding again gives the bytes back.
    if (zivron::ToWindows1255(zivron::FromWindows1255(file)) != file) {
        __builtin_trap();
    }
    (void)zivron::ToOldHebrewCode(file);
    return 0;
}
