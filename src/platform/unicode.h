// Code points out of UTF-16, and their UTF-8 form: shared by the path conversion, the tool and
// the tests, each of which decides for itself what a lone surrogate becomes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvex::unicode {

inline bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// The code point that begins at text[i]; advances i past it. A surrogate that is not part of a
// pair comes back as itself.
inline char32_t nextCodePoint(std::u16string_view text, std::size_t& i) {
    char32_t c = text[i++];
    bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00u);
    }
    return c;
}

// Appends the UTF-8 form of c, which must not be a surrogate.
inline void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace lorvex::unicode
