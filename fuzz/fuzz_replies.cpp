// The client's readers of service replies, and the number readings they rely on.

#include <cstdint>
#include <string>

#include "service/replies.h"
#include "text/numeric.h"
#include "text/shaping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);
    for (const auto& e : zivron::ParseRecordList(reply)) {
        if (e.number < 1) {
            __builtin_trap();
        }
    }
    (void)zivron::ParseLoginReply(reply);
    (void)zivron::NumericValue(reply);
    if (auto v = zivron::RegionalNumber(reply)) {
        (void)zivron::RoundedAmountText(*v);
    }
    (void)zivron::PadLeftWithZeros(reply, 9);
    return 0;
}
