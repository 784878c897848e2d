// Record text as the tool hands it on: code points out of 16-bit characters, UTF-8 out of those,
// and the trimming of field padding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/unicode.h"

namespace lorvex::cli {

// A surrogate that is not part of a pair comes out of nextCodePoint as itself, so the caller
// decides how to show it.
using unicode::isSurrogate;
using unicode::nextCodePoint;

// Appends the UTF-8 form of c; a lone surrogate, which has none, becomes U+FFFD.
void appendUtf8(std::string& out, char32_t c);

// The UTF-8 form of text, lone surrogates as U+FFFD. U+0000 is kept as a zero byte.
std::string toUtf8(std::u16string_view text);

// A field without the spaces that fitting padded it with (and any the text itself ended with:
// the two cannot be told apart).
std::u16string_view trimPadding(std::u16string_view field);

// Text without spaces, tabs, carriage returns and newlines at either end.
std::u16string_view trimWhitespace(std::u16string_view text);

// "1 record", "2 records": n with the noun that agrees with it.
std::string counted(std::size_t n, const char* one, const char* many);

}  // namespace lorvex::cli
