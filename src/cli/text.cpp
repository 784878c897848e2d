#include "text.h"

namespace lorvex::cli {

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

char32_t nextCodePoint(std::u16string_view text, std::size_t& i) {
    char32_t c = text[i++];
    bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00u);
    }
    return c;
}

void appendUtf8(std::string& out, char32_t c) {
    if (isSurrogate(c)) c = 0xFFFD;
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

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        appendUtf8(out, nextCodePoint(text, i));
    }
    return out;
}

std::u16string_view trimPadding(std::u16string_view field) {
    std::size_t end = field.find_last_not_of(u' ');
    return field.substr(0, end == std::u16string_view::npos ? 0 : end + 1);
}

std::u16string_view trimWhitespace(std::u16string_view text) {
    constexpr std::u16string_view whitespace = u" \t\r\n";
    std::size_t begin = text.find_first_not_of(whitespace);
    if (begin == std::u16string_view::npos) return {};
    std::size_t end = text.find_last_not_of(whitespace);
    return text.substr(begin, end - begin + 1);
}

}  // namespace lorvex::cli
