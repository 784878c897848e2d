// From the bytes of a feed file to its text. The encoding is told by a byte order mark, by the
// first bytes of a UTF-16 or UTF-32 XML declaration, or by the declaration's encoding label;
// text in any encoding but UTF-8 and the single-byte ones is decoded to 16-bit units a chunk at
// a time, whatever splits a chunk boundary makes.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

#include "legacy.h"
#include "window.h"

namespace lorvex {

// How a feed's text is read: UTF-8 and the single-byte encodings in their own bytes, the others
// decoded to 16-bit units.
enum class Encoding { utf8, utf16le, utf16be, utf32le, utf32be, singleByte, legacy };

// An encoding that labels name: how its text is read; for Encoding::singleByte the characters
// of its bytes 0x80 to 0xFF (the lower half is ASCII); for Encoding::legacy what each system's
// converter calls it.
struct NamedEncoding {
    std::string_view name;
    Encoding encoding;  // utf8, singleByte or legacy
    platform::LegacyEncoding legacy;
    const std::array<char16_t, 128>* upperHalf;
};

struct DetectedEncoding {
    Encoding encoding;
    std::size_t bomLength;       // bytes to drop before the text
    const NamedEncoding* named;  // what the declaration's label names, if it names anything
    std::size_t declarationEnd;  // the end of the XML declaration's bytes, or 0 without one
};

struct EncodingLabel {
    std::string_view label;  // lower case
    const NamedEncoding* encoding;
};

// The encoding that label (in lower case) names, or null for a label of no encoding. Every
// platform reads a label alike: the table is the same everywhere (encoding_labels.h).
const NamedEncoding* encodingOfLabel(std::string_view label);

// Reads the first bytes of a feed into the window (pinned at 0, so that none is dropped) as far
// as its encoding depends on them: through the XML declaration's closing ">" when the feed
// starts with one, never further than its first kilobyte (or its end).
void readDeclaration(Window<char>& bytes);

// The encoding of the feed that begins with bytes, read as readDeclaration reads them.
DetectedEncoding detectEncoding(std::string_view bytes);

// Turns bytes into 16-bit units, a piece at a time.
class UnitDecoder {
  public:
    virtual ~UnitDecoder() = default;

    using Decoded = platform::Decoded;
    // Decodes the start of bytes into out, at most room units (room is at least 8). Bytes that
    // may begin a character are left for the next call unless last says that no more follow;
    // each byte that cannot be decoded becomes one U+FFFD. With last, once every byte is
    // consumed, a call produces nothing.
    virtual Decoded decode(std::string_view bytes, bool last, char16_t* out, std::size_t room) = 0;
};

// A decoder for UTF-16 or UTF-32 in either byte order.
std::unique_ptr<UnitDecoder> unicodeDecoder(Encoding encoding);

}  // namespace lorvex
