#include "unicode.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lorvex::unicode {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendUtf8Lossy(std::string& out, char32_t c) {
    appendUtf8(out, isSurrogate(c) ? replacementCharacter : c);
}

std::string toUtf8Lossy(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        appendUtf8Lossy(out, nextCodePoint(text, i));
    return out;
}

std::size_t decodeUtf8Units(std::string_view text, char16_t* out, std::size_t max) {
    std::size_t written = 0;
    std::size_t i = 0;
    // Writes c, as one unit or two; when only one fits, its first.
    auto put = [&](char32_t c) {
        if (c < 0x10000) {
            out[written++] = static_cast<char16_t>(c);
            return;
        }
        out[written++] = highSurrogate(c);
        if (written < max) out[written++] = lowSurrogate(c);
    };
#if defined(__SSE2__)
    // Sixteen bytes at a time: all of them widened, and taken up to the first that is not ASCII,
    // whose character is then decoded alone; so text with a few accents stays on this path.
    while (written + 16 <= max && i + 16 <= text.size()) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + written), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + written + 8),
                         _mm_unpackhi_epi8(chunk, zero));
        auto nonAscii = static_cast<unsigned>(_mm_movemask_epi8(chunk));
        if (nonAscii == 0) {
            i += 16;
            written += 16;
            continue;
        }
        auto ascii = static_cast<std::size_t>(std::countr_zero(nonAscii));
        i += ascii;
        written += ascii;
        put(nextCodePoint(text, i));
    }
#endif
    while (written < max && i < text.size())
        put(nextCodePoint(text, i));
    return written;
}

void decodeUtf8(std::string_view text, std::u16string& out) {
    std::size_t start = out.size();
    // Never more units than bytes: every character takes at least as many bytes as units.
    out.resize(start + text.size());
    std::size_t written = decodeUtf8Units(text, out.data() + start, text.size());
    out.resize(start + written);
}

}  // namespace lorvex::unicode
