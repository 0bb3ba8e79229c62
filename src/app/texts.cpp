#include "app/texts.h"

#include <vector>

namespace zivron::texts {

std::string Filled(std::string_view pattern, std::initializer_list<std::string_view> values) {
    const std::vector<std::string_view> v(values);
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next >= '1' && next <= '9' &&
            static_cast<std::size_t>(next - '1') < v.size()) {
            out += v[static_cast<std::size_t>(next - '1')];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace zivron::texts
