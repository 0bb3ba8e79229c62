// The full Masav reader on arbitrary bytes: a refusal with a message, or a file whose trailer
// agrees with its records and whose description can be printed.

#include <cstdint>
#include <string>

#include "masav/masav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    zivron::Result<zivron::masav::ReadFile> file = zivron::masav::ReadMasavFile(bytes);
    if (!file) {
        if (file.error().message.empty()) {
            __builtin_trap();
        }
        return 0;
    }
    long long sum = 0;
    for (const auto& d : file.value().details) {
        sum += d.agorot;
    }
    if (sum != file.value().total_agorot ||
        file.value().count != static_cast<long long>(file.value().details.size())) {
        __builtin_trap();
    }
    (void)zivron::masav::DescribeFile(file.value());
    return 0;
}
