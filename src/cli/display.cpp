#include "display.h"

#include "../conversion/utf8.h"
#include "char_width.h"
#include "text.h"

namespace lorvex::cli {

namespace {

// Characters that a terminal acts on instead of printing, beyond the C0 and C1 controls: they
// break lines or reorder what follows them.
bool isLayoutControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// prefix, then c in `digits` upper-case hexadecimal digits.
std::string hexEscape(std::string prefix, char32_t c, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        prefix += "0123456789ABCDEF"[(c >> shift) & 0xF];
    }
    return prefix;
}

}  // namespace

Glyph glyphOf(char32_t c) {
    switch (c) {
        case 0x00:
            return {"\\0", 2};
        case u'\t':
            return {"\\t", 2};
        case u'\n':
            return {"\\n", 2};
        case u'\r':
            return {"\\r", 2};
        case u'\\':
            return {"\\\\", 2};
        default:
            break;
    }
    if (c < 0x20 || c == 0x7F) return {hexEscape("\\x", c, 2), 4};
    if ((c >= 0x80 && c <= 0x9F) || isSurrogate(c) || isLayoutControl(c)) {
        return {hexEscape("\\u", c, 4), 6};
    }
    Glyph glyph{{}, charColumns(c)};
    appendUtf8(glyph.text, c);
    return glyph;
}

std::string escapeForDisplay(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        out += glyphOf(nextCodePoint(text, i)).text;
    }
    return out;
}

std::string escapeFileName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        char32_t c = lorvex::nextCodePoint(name, i);
        out += c == U'\\' ? "\\" : glyphOf(c).text;
    }
    return out;
}

std::size_t displayColumns(std::u16string_view text) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        columns += glyphOf(nextCodePoint(text, i)).columns;
    }
    return columns;
}

std::string fitColumns(std::u16string_view text, std::size_t columns, bool pad) {
    constexpr std::string_view ellipsis = "\u2026";
    bool fits = displayColumns(text) <= columns;
    std::size_t room = fits || columns == 0 ? columns : columns - 1;
    std::string out;
    std::size_t used = 0;
    for (std::size_t i = 0; i < text.size();) {
        Glyph glyph = glyphOf(nextCodePoint(text, i));
        if (used + glyph.columns > room) break;
        out += glyph.text;
        used += glyph.columns;
    }
    if (!fits && columns > 0) {
        out += ellipsis;
        ++used;
    }
    if (pad && used < columns) out.append(columns - used, ' ');
    return out;
}

}  // namespace lorvex::cli
