#include "utf8.h"

namespace lorvex {

std::size_t decodeUtf8Units(std::string_view text, char16_t* out, std::size_t max) {
    std::size_t written = 0;
    std::size_t i = 0;
    while (written < max && i < text.size()) {
        char32_t c = nextCodePoint(text, i);
        if (c < 0x10000) {
            out[written++] = static_cast<char16_t>(c);
            continue;
        }
        c -= 0x10000;
        out[written++] = static_cast<char16_t>(0xD800 + (c >> 10));
        if (written < max) out[written++] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
    return written;
}

void decodeUtf8(std::string_view text, std::u16string& out) {
    std::size_t start = out.size();
    // Never more units than bytes: every character takes at least as many bytes as units.
    out.resize(start + text.size());
    std::size_t written = decodeUtf8Units(text, out.data() + start, text.size());
    out.resize(start + written);
}

}  // namespace lorvex
