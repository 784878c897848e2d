// UTF-8 to UTF-16, one ill-formed sequence to one U+FFFD (one per maximal subpart).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvex {

inline constexpr char16_t replacementCharacter = u'\uFFFD';

// Decodes the character that begins at text[i], advances i past it and returns its code
// point, or U+FFFD for an ill-formed sequence, which then covers its maximal subpart.
inline char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned lead = byte(i++);
    if (lead < 0x80) return lead;

    std::size_t trail;
    unsigned low = 0x80, high = 0xBF;  // the range of the first trail byte
    char32_t c;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        c = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        c = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return replacementCharacter;
    }
    for (; trail > 0; --trail, low = 0x80, high = 0xBF) {
        if (i == text.size() || byte(i) < low || byte(i) > high) return replacementCharacter;
        c = c << 6 | (byte(i++) & 0x3F);
    }
    return c;
}

// Writes the first UTF-16 units of text to out, at most max of them, and returns how many it
// wrote. A character beyond U+FFFF is two units; when only one fits, its first unit is written.
std::size_t decodeUtf8Units(std::string_view text, char16_t* out, std::size_t max);

// Appends the whole of text, in UTF-16, to out.
void decodeUtf8(std::string_view text, std::u16string& out);

}  // namespace lorvex
