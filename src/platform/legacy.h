// Text in a legacy encoding, decoded by the operating system's own converter.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "file.h"

namespace lorvex::platform {

// A legacy encoding as each system's converter names it: the same characters under two names.
struct LegacyEncoding {
    unsigned codePage = 0;            // for MultiByteToWideChar
    const char* iconvName = nullptr;  // for iconv
};

class LegacyDecoder {
  public:
    LegacyDecoder() = default;
    LegacyDecoder(const LegacyDecoder&) = delete;
    LegacyDecoder& operator=(const LegacyDecoder&) = delete;
    ~LegacyDecoder();

    // Opens the system's converter for encoding. Returns 0; or invalidArgument when the system
    // lacks the converter, or the error that kept it from opening one it has.
    Error open(const LegacyEncoding& encoding);

    // When the encoding reads every byte on its own as one character, ASCII as ASCII and every
    // other byte as a character beyond ASCII (or as U+FFFD, where the converter rejects the
    // byte), fills table with them and returns true.
    bool singleByteTable(std::array<char16_t, 256>& table);

    struct Decoded {
        std::size_t consumed;  // bytes
        std::size_t produced;  // units
    };
    // Decodes the start of bytes into out, at most room units (room is at least 8). Bytes that
    // may begin a character are left for the next call unless last says that no more follow.
    // Each byte that the converter rejects becomes one U+FFFD, and the converter goes on in the
    // state it was in.
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
    void* converter_ = nullptr;
    bool flushed_ = false;
#endif
};

}  // namespace lorvex::platform
