#include "validate/identity.h"

#include <algorithm>

namespace zivron {

bool IsValidIdentityNumber(std::string_view str) {
    if (str.empty() || str == "x") {
        return false;
    }
    if (!std::all_of(str.begin(), str.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    int weight = str.size() % 2 == 1 ? 1 : 2;
    int sum = 0;
    for (std::size_t i = 0; i + 1 < str.size(); ++i) {
        int p = (str[i] - '0') * weight;
        sum += p > 9 ? p - 9 : p;
        weight = 3 - weight;
    }
    sum += str.back() - '0';
    return sum % 10 == 0;
}

}  // namespace zivron
