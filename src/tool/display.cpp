#include "display.h"

#include <algorithm>
#include <span>

#include "char_width_data.h"
#include "unicode.h"

namespace lorvex::tool {

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

namespace {

using width_data::Range;

bool within(std::span<const Range> ranges, char32_t c) {
    auto after = std::upper_bound(ranges.begin(), ranges.end(), c,
                                  [](char32_t value, const Range& r) { return value < r.first; });
    return after != ranges.begin() && c <= (after - 1)->last;
}

}  // namespace

std::size_t charColumns(char32_t c) {
    // A shortcut: most text, ASCII above all, comes before either table begins.
    if (c < width_data::zeroWidth[0].first && c < width_data::wide[0].first) return 1;
    if (within(width_data::zeroWidth, c)) return 0;
    if (within(width_data::wide, c)) return 2;
    return 1;
}

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
    if ((c >= 0x80 && c <= 0x9F) || unicode::isSurrogate(c) || isLayoutControl(c)) {
        return {hexEscape("\\u", c, 4), 6};
    }
    Glyph glyph{{}, charColumns(c)};
    unicode::appendUtf8(glyph.text, c);
    return glyph;
}

std::string escapeForDisplay(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        out += glyphOf(unicode::nextCodePoint(text, i)).text;
    }
    return out;
}

std::string escapeFileName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        char32_t c = unicode::nextCodePoint(name, i);
        out += c == U'\\' ? "\\" : glyphOf(c).text;
    }
    return out;
}

std::size_t displayColumns(std::u16string_view text) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        columns += glyphOf(unicode::nextCodePoint(text, i)).columns;
    }
    return columns;
}

std::string fitColumns(std::u16string_view text, std::size_t columns, bool pad) {
    constexpr std::string_view ellipsis = "\u2026";
    // One pass: the text as long as it fits, and where it ends should the rest not fit and the
    // ellipsis need the last column.
    const std::size_t room = columns == 0 ? 0 : columns - 1;
    std::string out;
    std::size_t used = 0, cutBytes = 0, cutColumns = 0;
    bool cutFound = false, fits = true;
    for (std::size_t i = 0; i < text.size();) {
        Glyph glyph = glyphOf(unicode::nextCodePoint(text, i));
        if (!cutFound && used + glyph.columns > room) {
            cutFound = true;
            cutBytes = out.size();
            cutColumns = used;
        }
        if (used + glyph.columns > columns) {
            fits = false;
            break;
        }
        out += glyph.text;
        used += glyph.columns;
    }
    if (!fits) {
        out.resize(cutBytes);
        used = cutColumns;
        if (columns > 0) {
            out += ellipsis;
            ++used;
        }
    }
    if (pad && used < columns) out.append(columns - used, ' ');
    return out;
}

}  // namespace lorvex::tool
