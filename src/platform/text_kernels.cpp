// Each text kernel for every instruction set this build can run, and the choice among them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "legacy.h"
#include "unicode.h"
#include "vector.h"

namespace lorvex::platform {

// One instruction set's kernels, each from a place in its text on (see text_kernels.h).
struct Kernels {
    bool (*anyForeign)(const char16_t*, const char16_t*);
    std::size_t (*decodeUtf8Units)(std::string_view, std::size_t, char16_t*, std::size_t,
                                   std::size_t);
    void (*decodeSingleBytes)(std::string_view, std::size_t, const char16_t*, char16_t*);
    std::size_t (*widenAscii)(std::string_view, std::size_t, char16_t*);
};

namespace scalar {

bool anyForeign(const char16_t* begin, const char16_t* end) {
    for (; begin != end; ++begin) {
        if (isForeign(*begin)) return true;
    }
    return false;
}

// Writes c, as one unit or two; when only one fits, its first.
inline void putCodePoint(char32_t c, char16_t* out, std::size_t& written, std::size_t max) {
    if (c < 0x10000) {
        out[written++] = static_cast<char16_t>(c);
        return;
    }
    out[written++] = unicode::highSurrogate(c);
    if (written < max) out[written++] = unicode::lowSurrogate(c);
}

// Decodes text from i on, into out from written on, up to max units; returns the units written.
std::size_t decodeUtf8Units(std::string_view text, std::size_t i, char16_t* out,
                            std::size_t written, std::size_t max) {
    while (written < max && i < text.size())
        putCodePoint(unicode::nextCodePoint(text, i), out, written, max);
    return written;
}

void decodeSingleBytes(std::string_view bytes, std::size_t i, const char16_t* table,
                       char16_t* out) {
    for (; i < bytes.size(); ++i)
        out[i] = table[static_cast<unsigned char>(bytes[i])];
}

std::size_t widenAscii(std::string_view bytes, std::size_t i, char16_t* out) {
    for (; i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80; ++i)
        out[i] = static_cast<unsigned char>(bytes[i]);
    return i;
}

inline constexpr Kernels kernels{anyForeign, decodeUtf8Units, decodeSingleBytes, widenAscii};

}  // namespace scalar

#define LORVEX_KERNEL_FILE "text_kernels.h"
#include "each_isa.h"

namespace {

const Kernels& kernels(Isa isa) {
    switch (isa) {
#if defined(LORVEX_HAVE_SSE2)
        case Isa::sse2:
            return sse2::kernels;
#endif
#if defined(LORVEX_HAVE_AVX2)
        case Isa::avx2:
            return avx2::kernels;
#endif
#if defined(LORVEX_HAVE_AVX512)
        case Isa::avx512:
            return avx512::kernels;
#endif
#if defined(LORVEX_HAVE_NEON)
        case Isa::neon:
            return neon::kernels;
#endif
        default:
            return scalar::kernels;
    }
}

}  // namespace

bool anyForeign(const char16_t* begin, const char16_t* end, Isa isa) {
    return kernels(isa).anyForeign(begin, end);
}

}  // namespace lorvex::platform

namespace lorvex::unicode {

std::size_t decodeUtf8Units(std::string_view text, char16_t* out, std::size_t max,
                            platform::Isa isa) {
    return platform::kernels(isa).decodeUtf8Units(text, 0, out, 0, max);
}

void decodeSingleBytes(std::string_view bytes, const char16_t* table, char16_t* out,
                       platform::Isa isa) {
    platform::kernels(isa).decodeSingleBytes(bytes, 0, table, out);
}

std::size_t widenAscii(std::string_view bytes, char16_t* out, platform::Isa isa) {
    return platform::kernels(isa).widenAscii(bytes, 0, out);
}

}  // namespace lorvex::unicode
