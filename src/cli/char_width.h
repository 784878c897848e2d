// The columns a character takes on a terminal.
#pragma once

#include <cstddef>

namespace lorvex::cli {

// 2 for East Asian wide and fullwidth characters (CJK, Hangul, kana, fullwidth forms, most
// emoji), 0 for combining marks and other characters that print as nothing, 1 for the rest.
// Control characters are never printed as they are (see display.h), so they get 1 here.
std::size_t charColumns(char32_t c);

}  // namespace lorvex::cli
