#include <iconv.h>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "legacy.h"
#include "unicode.h"

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

namespace {

constexpr std::size_t failure = static_cast<std::size_t>(-1);

}  // namespace

// Decodes bytes[0, end) a character at a time, each handed to the converter a byte more at a
// time until it takes them, so that a foreign unit is known by the bytes it came from. Returns
// the bytes consumed, short of end only for want of room or of the bytes still to come.
std::size_t LegacyDecoder::decodeOneByOne(std::string_view bytes, std::size_t end, bool last,
                                          char16_t* out, std::size_t room, std::size_t& produced) {
    auto converter = static_cast<iconv_t>(converter_);
    std::size_t at = 0;
    while (at < end && produced + 2 <= room) {
        std::size_t length = 1, units = 0;
        int outcome = 0;  // the character taken, or why not
        for (;; ++length) {
            char* in = const_cast<char*>(bytes.data()) + at;
            std::size_t inLeft = length;
            char* put = reinterpret_cast<char*>(out + produced);
            std::size_t putLeft = (room - produced) * 2;
            if (::iconv(converter, &in, &inLeft, &put, &putLeft) != failure) {
                outcome = 0;
                units = static_cast<std::size_t>(put - reinterpret_cast<char*>(out + produced)) / 2;
                break;
            }
            outcome = errno;
            if (outcome != EINVAL || at + length == bytes.size() || length == 4) break;
        }
        if (outcome == E2BIG) break;
        if (outcome == EINVAL && !last && at + length == bytes.size()) break;  // more to come
        if (outcome == 0 && !anyForeign(out + produced, out + produced + units)) {
            produced += units;
            at += length;
        } else {
            out[produced++] = unicode::replacementCharacter;
            ++at;
        }
    }
    return at;
}

Decoded LegacyDecoder::decode(std::string_view bytes, bool last, char16_t* out, std::size_t room) {
    auto converter = static_cast<iconv_t>(converter_);
    std::size_t consumed = 0, produced = 0;
    while (consumed < bytes.size() && produced + 2 <= room) {
        char* in = const_cast<char*>(bytes.data()) + consumed;
        std::size_t inLeft = bytes.size() - consumed;
        char16_t* start = out + produced;
        char* put = reinterpret_cast<char*>(start);
        std::size_t putLeft = (room - produced) * 2;
        bool whole = ::iconv(converter, &in, &inLeft, &put, &putLeft) != failure;
        int error = whole ? 0 : errno;
        auto end = static_cast<std::size_t>(in - bytes.data());
        auto units = static_cast<std::size_t>(put - reinterpret_cast<char*>(start)) / 2;
        if (anyForeign(start, start + units)) {
            // Those bytes again, a character at a time, to find the ones to reject. Only
            // converters that keep no state give foreign units, so a fresh one reads them alike.
            ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
            std::size_t again =
                decodeOneByOne(bytes.substr(consumed), end - consumed, last, out, room, produced);
            if (again == 0) break;
            consumed += again;
            continue;
        }
        produced += units;
        consumed = end;
        if (whole || error == E2BIG || (error == EINVAL && !last) || produced >= room) break;
        // A rejected byte (EILSEQ), or a sequence cut short by the end of the text (EINVAL):
        // one U+FFFD for its first byte, and the converter keeps its state.
        out[produced++] = unicode::replacementCharacter;
        ++consumed;
    }
    if (last && consumed == bytes.size() && !flushed_ && room - produced >= 2) {
        // A converter may hold back a character until it knows what follows.
        char* put = reinterpret_cast<char*>(out + produced);
        std::size_t putLeft = (room - produced) * 2;
        flushed_ = ::iconv(converter, nullptr, nullptr, &put, &putLeft) != failure;
        produced = static_cast<std::size_t>(put - reinterpret_cast<char*>(out)) / 2;
    }
    return {consumed, produced};
}

}  // namespace lorvex::platform
