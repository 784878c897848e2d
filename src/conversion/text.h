// Cutting a piece of feed text out as 16-bit characters, from either form of the text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "utf8.h"

namespace lorvex {

// Writes the first 16-bit characters of text[begin, end) to out, at most max of them, and
// returns how many it wrote. Indices are in the text's own units (bytes of UTF-8 text).
inline std::size_t cutUnits(std::u16string_view text, std::size_t begin, std::size_t end,
                            char16_t* out, std::size_t max) {
    std::size_t count = std::min(end - begin, max);
    std::copy_n(text.data() + begin, count, out);
    return count;
}

inline std::size_t cutUnits(std::string_view text, std::size_t begin, std::size_t end,
                            char16_t* out, std::size_t max) {
    return decodeUtf8Units(text.substr(begin, end - begin), out, max);
}

}  // namespace lorvex
