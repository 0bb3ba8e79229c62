#include "validate/digits_only.h"

#include "text/numeric.h"

namespace zivron {

std::string DigitsOnly(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c >= '0' && c <= '9') {
            out.push_back(c);
        }
    }
    return out;
}

std::string DigitsOnly(double value) {
    return DigitsOnly(NumberText(value));
}

}  // namespace zivron
