// UTF-8 written and checked here from the definition, apart from the decoder under test.
#pragma once

#include <string>
#include <string_view>

namespace lorvex::fuzz {

// Whether bytes are well-formed UTF-8: each sequence spells a code point in its shortest form,
// no surrogate and nothing beyond U+10FFFF.
inline bool wellFormedUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        auto lead = static_cast<unsigned char>(bytes[i++]);
        int trail = lead < 0x80           ? 0
                    : (lead >> 5) == 0x06 ? 1
                    : (lead >> 4) == 0x0E ? 2
                    : (lead >> 3) == 0x1E ? 3
                                          : -1;
        if (trail < 0 || bytes.size() - i < static_cast<std::size_t>(trail)) return false;
        char32_t c = lead & (trail == 0 ? 0x7Fu : 0x7Fu >> (trail + 1));
        for (int k = 0; k < trail; ++k) {
            auto next = static_cast<unsigned char>(bytes[i++]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3Fu);
        }
        constexpr char32_t shortest[] = {0, 0x80, 0x800, 0x10000};
        if (c < shortest[trail] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    }
    return true;
}

// The UTF-8 form of UTF-16 text; false when the text holds a lone surrogate, which has none.
inline bool encodeUtf8(std::u16string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xDC00 && c <= 0xDFFF) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
        }
        int trail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        constexpr unsigned leadMarks[] = {0x00, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(leadMarks[trail] | c >> (6 * trail));
        for (int k = trail - 1; k >= 0; --k)
            out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    return true;
}

}  // namespace lorvex::fuzz
