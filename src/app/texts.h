#pragma once
// The operator's words: every text of the windows and the messages, named, from texts.def.

#include <initializer_list>
#include <string>
#include <string_view>

namespace zivron::texts {

#define ZIVRON_TEXT(name, text) inline constexpr char name[] = text;
#include "app/texts.def"
#undef ZIVRON_TEXT

struct Entry {
    std::string_view name;
    std::string_view text;
};

// Every text, for whoever reads or checks them all.
inline constexpr Entry kAll[] = {
#define ZIVRON_TEXT(name, text) {#name, text},
#include "app/texts.def"
#undef ZIVRON_TEXT
};

// `pattern` with %1, %2 ... replaced by `values` in their order.
std::string Filled(std::string_view pattern, std::initializer_list<std::string_view> values);

}  // namespace zivron::texts
