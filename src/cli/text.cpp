#include "text.h"

namespace lorvex::cli {

void appendUtf8(std::string& out, char32_t c) {
    unicode::appendUtf8(out, isSurrogate(c) ? U'\uFFFD' : c);
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

std::string counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

}  // namespace lorvex::cli
