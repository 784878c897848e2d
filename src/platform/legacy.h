// Text in a multi-byte legacy encoding (Shift_JIS, GBK, Big5, ...), decoded by the operating
// system's own converter.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "file.h"
#include "isa.h"

namespace lorvex::platform {

// What a decoder did with a piece of bytes.
struct Decoded {
    std::size_t consumed;  // bytes
    std::size_t produced;  // units
};

// A legacy encoding as each system's converter names it: the same characters under two names.
struct LegacyEncoding {
    unsigned codePage = 0;            // for MultiByteToWideChar
    const char* iconvName = nullptr;  // for iconv
};

// Whether unit, from a converter, stands for bytes that are no character of the encoding: a C1
// control (a lone byte passed through) or a private-use character (the user-defined areas, which
// one system fills and another rejects). Both platforms reject such bytes, one U+FFFD for the
// first and the next read on its own, as they reject any other, so that both read alike.
inline bool isForeign(char16_t unit) {
    return (unit >= 0x80 && unit <= 0x9F) || (unit >= 0xE000 && unit <= 0xF8FF) ||
           (unit >= 0xDB80 && unit <= 0xDBFF);  // the start of a supplementary private use
}

// Whether any unit of [begin, end) is foreign. Every unit a converter writes passes through
// here; every isa answers alike, the default is the fastest.
bool anyForeign(const char16_t* begin, const char16_t* end, Isa isa = bestIsa());

class LegacyDecoder {
  public:
    LegacyDecoder() = default;
    LegacyDecoder(const LegacyDecoder&) = delete;
    LegacyDecoder& operator=(const LegacyDecoder&) = delete;
    ~LegacyDecoder();

    // Opens the system's converter for encoding. Returns 0; or invalidArgument when the system
    // lacks the converter, or the error that kept it from opening one it has.
    Error open(const LegacyEncoding& encoding);

    // Decodes the start of bytes into out, at most room units (room is at least 8). Bytes that
    // may begin a character are left for the next call unless last says that no more follow.
    // Each byte that the converter rejects, or turns into a foreign unit (see isForeign), becomes
    // one U+FFFD, and the converter goes on in the state it was in.
    Decoded decode(std::string_view bytes, bool last, char16_t* out, std::size_t room);

    // Back to the state of a fresh converter.
    void reset();

  private:
#ifdef _WIN32
    std::size_t characterLength(std::string_view bytes, std::size_t at) const;
    std::size_t convert(std::string_view chars, char16_t* out) const;

    unsigned page_ = 0;
    std::array<bool, 256> lead_{};  // the lead bytes of a double-byte code page
#else
    std::size_t decodeOneByOne(std::string_view bytes, std::size_t end, bool last, char16_t* out,
                               std::size_t room, std::size_t& produced);

    void* converter_ = nullptr;
    bool flushed_ = false;
#endif
};

}  // namespace lorvex::platform
