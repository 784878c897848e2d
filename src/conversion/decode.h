// From the bytes of a feed file to its text: the encoding is told by a byte order mark, by the
// first bytes of a UTF-16 XML declaration, or by the declaration's encoding label.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvex {

enum class Encoding { utf8, utf16le, utf16be, utf32le, utf32be, windows1252, legacy };

struct DetectedEncoding {
    Encoding encoding;
    std::size_t bomLength;  // bytes to drop before the text
    std::string label;      // the declared label, lower case (what a legacy converter is given)
};

DetectedEncoding detectEncoding(std::string_view bytes);

// The feed text in one of two forms. UTF-8 input is kept as its own bytes: every tag and marker
// is ASCII, so it can be searched as it stands and only the cut texts need widening. Every other
// encoding is widened to UTF-16 once.
struct FeedText {
    bool isUtf8 = true;
    std::string_view utf8;  // the bytes after any byte order mark; borrowed from the input
    std::u16string utf16;
};

// Decodes bytes into text. When isUtf8, text.utf8 points into bytes.
void decodeFeed(std::string_view bytes, FeedText& text);

// Appends the UTF-16 form of bytes in the given encoding to out (any encoding but legacy).
void decodeAs(Encoding encoding, std::string_view bytes, std::u16string& out);

}  // namespace lorvex
