// The columns a character takes on a terminal.
#pragma once

#include <cstddef>

namespace lorvex::cli {

// After Unicode's data files (the version is in char_width_data.h): 0 for nonspacing and
// enclosing marks, default-ignorable characters (but the soft hyphen and the Hangul fillers, which
// terminals draw) and the conjoining Hangul vowels and finals, which join the syllable before them;
// 2 for East Asian wide and fullwidth characters (CJK, Hangul syllables and leading jamo, kana,
// fullwidth forms, most emoji); 1 for the rest. Control characters are never printed as they are
// (see display.h), so they get 1 here.
std::size_t charColumns(char32_t c);

}  // namespace lorvex::cli
