#include "validate/clear_bad_sin.h"

#include "text/numeric.h"

namespace zivron {

std::string ClearBadSin(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c >= '0' && c <= '9') {
            out.push_back(c);
        }
    }
    return out;
}

std::string ClearBadSin(double value) {
    return ClearBadSin(NumberText(value));
}

}  // namespace zivron
