// How record text shows on a terminal: printable characters as they are, and everything that
// would move the cursor, break a row or change the terminal's state as a visible escape.
//
// Escapes: \0, \t, \n, \r, \\ (a backslash itself, so that every escape reads one way), \xHH for
// the other C0 controls and DEL, \uHHHH for C1 controls, lone surrogates, the line and paragraph
// separators and the bidirectional controls.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvex::cli {

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

}  // namespace lorvex::cli
