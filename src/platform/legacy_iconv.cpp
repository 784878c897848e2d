#include <iconv.h>
#include <bit>
#include <cerrno>
#include <cstring>

#include "legacy.h"

namespace lorvex::platform {

namespace {

bool failed(iconv_t converter) {
    return converter == reinterpret_cast<iconv_t>(-1);
}

// UTF-16 in the machine's own byte order, written straight into the caller's units.
constexpr const char* nativeUtf16 =
    std::endian::native == std::endian::big ? "UTF-16BE" : "UTF-16LE";

}  // namespace

LegacyDecoder::~LegacyDecoder() {
    if (converter_ != nullptr) ::iconv_close(static_cast<iconv_t>(converter_));
}

Error LegacyDecoder::open(const LegacyEncoding& encoding) {
    if (encoding.iconvName == nullptr) return invalidArgument;
    iconv_t converter = ::iconv_open(nativeUtf16, encoding.iconvName);
    if (failed(converter)) return errno == EINVAL ? invalidArgument : errno;
    converter_ = converter;
    return 0;
}

void LegacyDecoder::reset() {
    ::iconv(static_cast<iconv_t>(converter_), nullptr, nullptr, nullptr, nullptr);
    flushed_ = false;
}

bool LegacyDecoder::singleByteTable(std::array<char16_t, 256>& table) {
    auto converter = static_cast<iconv_t>(converter_);
    bool single = true;
    for (std::size_t b = 0; b < table.size() && single; ++b) {
        ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
        char byte = static_cast<char>(b);
        char* in = &byte;
        std::size_t inLeft = 1;
        char16_t units[4];
        char* put = reinterpret_cast<char*>(units);
        std::size_t putLeft = sizeof units;
        char16_t unit = u'\uFFFD';
        if (::iconv(converter, &in, &inLeft, &put, &putLeft) != static_cast<std::size_t>(-1)) {
            // Flushed at once: a converter that holds a character back to combine it with the
            // next one reads it on its own here, as a single-byte decoder does.
            ::iconv(converter, nullptr, nullptr, &put, &putLeft);
            single = putLeft == sizeof units - 2;
            unit = units[0];
        } else {
            single = errno == EILSEQ;  // not the start of a longer sequence or a shift
        }
        single = single && (b < 0x80 ? unit == b : unit >= 0x80);
        table[b] = unit;
    }
    reset();
    return single;
}

LegacyDecoder::Decoded LegacyDecoder::decode(std::string_view bytes, bool last, char16_t* out,
                                             std::size_t room) {
    auto converter = static_cast<iconv_t>(converter_);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* put = reinterpret_cast<char*>(out);
    std::size_t putLeft = room * 2;
    while (inLeft > 0 && putLeft >= 2) {
        if (::iconv(converter, &in, &inLeft, &put, &putLeft) != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG || (errno == EINVAL && !last)) break;  // room, or more bytes, needed
        // A rejected byte (EILSEQ), or a sequence cut short by the end of the text (EINVAL):
        // one U+FFFD for its first byte, and the converter keeps its state.
        char16_t replacement = u'\uFFFD';
        std::memcpy(put, &replacement, 2);
        put += 2;
        putLeft -= 2;
        ++in;
        --inLeft;
    }
    if (last && inLeft == 0 && !flushed_) {
        // A converter may hold back a character until it knows what follows.
        flushed_ =
            ::iconv(converter, nullptr, nullptr, &put, &putLeft) != static_cast<std::size_t>(-1);
    }
    return {static_cast<std::size_t>(in - bytes.data()),
            static_cast<std::size_t>(put - reinterpret_cast<char*>(out)) / 2};
}

}  // namespace lorvex::platform
