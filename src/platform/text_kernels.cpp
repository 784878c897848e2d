// Each text kernel for every instruction set this build can run, and the choice among them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "legacy.h"
#include "unicode.h"
#include "vector.h"

namespace lorvex::platform {

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

}  // namespace scalar

#if defined(LORVEX_HAVE_SSE2)
namespace sse2 {
using V = vec::Sse2;
namespace narrower = scalar;
#include "text_kernels.h"
}  // namespace sse2
#endif

#if defined(LORVEX_HAVE_AVX2)
LORVEX_BEGIN_AVX2
namespace avx2 {
using V = vec::Avx2;
namespace narrower = sse2;
#include "text_kernels.h"
}  // namespace avx2
LORVEX_END_TARGET
#endif

#if defined(LORVEX_HAVE_NEON)
LORVEX_BEGIN_NEON
namespace neon {
using V = vec::Neon;
namespace narrower = scalar;
#include "text_kernels.h"
}  // namespace neon
LORVEX_END_NEON
#endif

namespace {

// One instruction set's kernels, each from the start of its text.
struct Kernels {
    bool (*anyForeign)(const char16_t*, const char16_t*);
    std::size_t (*decodeUtf8Units)(std::string_view, std::size_t, char16_t*, std::size_t,
                                   std::size_t);
    void (*decodeSingleBytes)(std::string_view, std::size_t, const char16_t*, char16_t*);
    std::size_t (*widenAscii)(std::string_view, std::size_t, char16_t*);
};

#define LORVEX_KERNELS(isa)                                                            \
    Kernels {                                                                          \
        isa::anyForeign, isa::decodeUtf8Units, isa::decodeSingleBytes, isa::widenAscii \
    }

const Kernels& kernels(Isa isa) {
    static constexpr Kernels plain = LORVEX_KERNELS(scalar);
    switch (isa) {
#if defined(LORVEX_HAVE_SSE2)
        case Isa::sse2: {
            static constexpr Kernels sse2Kernels = LORVEX_KERNELS(sse2);
            return sse2Kernels;
        }
#endif
#if defined(LORVEX_HAVE_AVX2)
        case Isa::avx2: {
            static constexpr Kernels avx2Kernels = LORVEX_KERNELS(avx2);
            return avx2Kernels;
        }
#endif
#if defined(LORVEX_HAVE_NEON)
        case Isa::neon: {
            static constexpr Kernels neonKernels = LORVEX_KERNELS(neon);
            return neonKernels;
        }
#endif
        default:
            return plain;
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
