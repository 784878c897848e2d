// The one home of Unicode in Lorvex: code points out of UTF-16 and UTF-8, and UTF-8 and UTF-16
// out of code points. Every layer above uses these; none decodes or encodes on its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "isa.h"

namespace lorvex::unicode {

inline constexpr char16_t replacementCharacter = u'\uFFFD';

inline bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// The two UTF-16 units of c, a code point beyond U+FFFF: the first, then the second.
inline char16_t highSurrogate(char32_t c) {
    return static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
}
inline char16_t lowSurrogate(char32_t c) {
    return static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
}

// The code point that begins at text[i]; advances i past it. A surrogate that is not part of a
// pair comes back as itself, so that the caller decides what it becomes.
inline char32_t nextCodePoint(std::u16string_view text, std::size_t& i) {
    char32_t c = text[i++];
    bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00u);
    }
    return c;
}

// The character that begins at text[i] in UTF-8; advances i past it. An ill-formed sequence is
// U+FFFD, covering its maximal subpart (so one U+FFFD per maximal subpart in all).
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

// Appends the UTF-8 form of c, which must not be a surrogate: it has none.
void appendUtf8(std::string& out, char32_t c);

// The UTF-8 form of text, each lone surrogate as U+FFFD.
std::string toUtf8Lossy(std::u16string_view text);

// Writes the first UTF-16 units of UTF-8 text to out, at most max of them, and returns how many
// it wrote. A character beyond U+FFFF is two units; when only one fits, its first unit is written.
// Every isa writes the same units; the default is the fastest.
std::size_t decodeUtf8Units(std::string_view text, char16_t* out, std::size_t max,
                            platform::Isa isa = platform::bestIsa());

// Writes a unit for each of bytes, in a single-byte encoding, to out: table[byte], where the
// first 128 entries of table are the ASCII characters themselves. Every isa writes the same; the
// default is the fastest.
void decodeSingleBytes(std::string_view bytes, const char16_t* table, char16_t* out,
                       platform::Isa isa = platform::bestIsa());

// Writes a unit for each of the bytes up to the first that is not ASCII, and returns how many;
// out has room for a unit per byte, and units past those counted may be written. Every isa
// counts the same; the default is the fastest.
std::size_t widenAscii(std::string_view bytes, char16_t* out,
                       platform::Isa isa = platform::bestIsa());

// Appends the whole of UTF-8 text, in UTF-16, to out.
void decodeUtf8(std::string_view text, std::u16string& out);

}  // namespace lorvex::unicode
