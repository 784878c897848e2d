// How text shows on a terminal: record text and file names in UTF-8, with everything that would
// move the cursor, break a row or change the terminal's state as a visible escape, and the
// columns each character takes. (The terminal itself is terminal.h's.)
//
// Escapes: \0, \t, \n, \r, \\ (a backslash itself, so that every escape reads one way), \xHH for
// the other C0 controls and DEL, \uHHHH for C1 controls, lone surrogates, the line and paragraph
// separators and the bidirectional controls.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvex::tool {

// A field without the spaces that fitting padded it with (and any the text itself ended with:
// the two cannot be told apart).
std::u16string_view trimPadding(std::u16string_view field);

// Text without spaces, tabs, carriage returns and newlines at either end.
std::u16string_view trimWhitespace(std::u16string_view text);

// After Unicode's data files (the version is in char_width_data.h): 0 for nonspacing and
// enclosing marks, default-ignorable characters (but the soft hyphen and the Hangul fillers, which
// terminals draw) and the conjoining Hangul vowels and finals, which join the syllable before them;
// 2 for East Asian wide and fullwidth characters (CJK, Hangul syllables and leading jamo, kana,
// fullwidth forms, most emoji); 1 for the rest. Control characters are never printed as they are
// (see glyphOf), so they get 1 here.
std::size_t charColumns(char32_t c);

// One character as printed: its UTF-8 bytes or its escape, and the columns they take.
struct Glyph {
    std::string text;
    std::size_t columns;
};

Glyph glyphOf(char32_t c);

// The whole of text, escaped.
std::string escapeForDisplay(std::u16string_view text);
// The same for a file name in UTF-8 (an ill-formed byte shows as U+FFFD), whose backslashes
// stay as they are: on Windows they are its separators.
std::string escapeFileName(std::string_view name);

// The columns that text takes once escaped.
std::size_t displayColumns(std::u16string_view text);

// Text, escaped, in at most `columns` columns: whole when it fits, else cut and ended with "…".
// With pad, spaces fill it out to exactly `columns` (a wide character that would straddle the
// edge leaves a space instead).
std::string fitColumns(std::u16string_view text, std::size_t columns, bool pad);

}  // namespace lorvex::tool
