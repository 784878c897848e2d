#include "unicode.h"

namespace lorvex::unicode {

void appendUtf8(std::string& out, char32_t c) {
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

std::string toUtf8Lossy(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = nextCodePoint(text, i);
        appendUtf8(out, isSurrogate(c) ? replacementCharacter : c);
    }
    return out;
}

void decodeUtf8(std::string_view text, std::u16string& out) {
    std::size_t start = out.size();
    // Never more units than bytes: every character takes at least as many bytes as units.
    out.resize(start + text.size());
    std::size_t written = decodeUtf8Units(text, out.data() + start, text.size());
    out.resize(start + written);
}

}  // namespace lorvex::unicode
