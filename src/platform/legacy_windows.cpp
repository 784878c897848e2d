#include <windows.h>

#include <algorithm>
#include <array>

#include "legacy.h"
#include "unicode.h"

namespace lorvex::platform {

namespace {

// GB18030, whose characters are one, two or four bytes; its converter names no lead bytes.
constexpr UINT gb18030 = 54936;

// EUC-JP, whose converter also reads Microsoft's own form of JIS X 0212, a lead byte before an
// ASCII trail byte (EUC-JP writes 0x8F, the lead and a trail byte of 0xA1 or more). EUC-JP has
// no ASCII trail byte, and its 0x8F sequences go to the converter in that form.
constexpr UINT eucJp = 20932;

// The most bytes converted in one call. When the converter rejects a byte, the run it was in is
// converted again a character at a time, so a longer run would make each rejected byte dearer.
constexpr std::size_t runLength = 256;

}  // namespace

LegacyDecoder::~LegacyDecoder() = default;

Error LegacyDecoder::open(const LegacyEncoding& encoding) {
    // A code page that keeps a shift state (ISO-2022-JP's 50220) counts as missing too: its
    // converter refuses MB_ERR_INVALID_CHARS, so it cannot say which byte it rejects, and could
    // not decode a feed as iconv does.
    UINT page = encoding.codePage;
    CPINFOEXW info;
    if (page == CP_ACP || !GetCPInfoExW(page, 0, &info)) return invalidArgument;
    if (info.MaxCharSize > 2 && page != gb18030) return invalidArgument;
    page_ = page;
    lead_.fill(false);
    if (page == gb18030) {
        std::fill(lead_.begin() + 0x81, lead_.begin() + 0xFF, true);
    } else {
        lead_[0x8F] = page == eucJp;
        for (std::size_t i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
            for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b)
                lead_[b] = true;
        }
    }
    return 0;
}

void LegacyDecoder::reset() {}

// The bytes of the character that starts at bytes[at], more than are left when it is cut short.
std::size_t LegacyDecoder::characterLength(std::string_view bytes, std::size_t at) const {
    auto first = static_cast<unsigned char>(bytes[at]);
    if (!lead_[first]) return 1;
    if (page_ == eucJp && first == 0x8F) return 3;
    if (page_ == gb18030 && at + 1 < bytes.size()) {
        auto second = static_cast<unsigned char>(bytes[at + 1]);
        if (second >= 0x30 && second <= 0x39) return 4;
    }
    return 2;
}

// Converts chars, whole characters, into out, which has room for one unit a byte: no character
// of these code pages becomes more units than it has bytes. Returns the units written, or 0 when
// a byte is rejected.
std::size_t LegacyDecoder::convert(std::string_view chars, char16_t* out) const {
    std::array<char, runLength> euc;
    if (page_ == eucJp) {
        std::size_t length = 0;
        for (std::size_t at = 0; at < chars.size();) {
            std::size_t bytes = characterLength(chars, at);
            for (std::size_t k = 1; k < bytes; ++k) {
                if (static_cast<unsigned char>(chars[at + k]) < 0xA1) return 0;
            }
            if (bytes == 3) {
                euc[length++] = chars[at + 1];
                euc[length++] = static_cast<char>(static_cast<unsigned char>(chars[at + 2]) - 0x80);
            } else {
                std::copy_n(chars.begin() + static_cast<std::ptrdiff_t>(at), bytes,
                            euc.begin() + static_cast<std::ptrdiff_t>(length));
                length += bytes;
            }
            at += bytes;
        }
        chars = std::string_view(euc.data(), length);
    }
    int length = static_cast<int>(chars.size());
    int units = MultiByteToWideChar(page_, MB_ERR_INVALID_CHARS, chars.data(), length,
                                    reinterpret_cast<wchar_t*>(out), length);
    if (units <= 0 || anyForeign(out, out + units)) return 0;
    return static_cast<std::size_t>(units);
}

// The converter keeps nothing from one call to the next, so it is handed whole characters only,
// found from the lead bytes. Each byte it rejects is one U+FFFD, and the next byte starts a new
// character, as iconv's path does: a lead byte before a byte that cannot follow it (a stray lead
// before "</title>") never takes that byte with it.
Decoded LegacyDecoder::decode(std::string_view bytes, bool last, char16_t* out, std::size_t room) {
    std::size_t in = 0, produced = 0;
    while (in < bytes.size() && produced < room) {
        std::size_t limit = std::min({bytes.size(), in + (room - produced), in + runLength});
        std::size_t end = in;
        for (std::size_t length;
             end < limit && end + (length = characterLength(bytes, end)) <= limit;)
            end += length;
        if (end == in) {
            // A character that does not fit the room waits for the next call, and so does one
            // cut short by the end of the bytes unless none follow: then its first byte is
            // rejected and the rest read on their own.
            if (!last || in + characterLength(bytes, in) <= bytes.size()) break;
            out[produced++] = unicode::replacementCharacter;
            ++in;
            continue;
        }
        std::size_t units = convert(bytes.substr(in, end - in), out + produced);
        if (units > 0) {
            produced += units;
            in = end;
            continue;
        }
        // A byte of the run is rejected: convert it a character at a time up to that one.
        while (in < end) {
            std::size_t length = characterLength(bytes, in);
            units = convert(bytes.substr(in, length), out + produced);
            if (units == 0) {
                out[produced++] = unicode::replacementCharacter;
                ++in;
                break;
            }
            produced += units;
            in += length;
        }
    }
    return {in, produced};
}

}  // namespace lorvex::platform
