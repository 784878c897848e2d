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

bool anyForeign(const char16_t* begin, const char16_t* end, Isa isa) {
    switch (isa) {
#if defined(LORVEX_HAVE_SSE2)
        case Isa::sse2:
            return sse2::anyForeign(begin, end);
#endif
#if defined(LORVEX_HAVE_AVX2)
        case Isa::avx2:
            return avx2::anyForeign(begin, end);
#endif
#if defined(LORVEX_HAVE_NEON)
        case Isa::neon:
            return neon::anyForeign(begin, end);
#endif
        default:
            return scalar::anyForeign(begin, end);
    }
}

}  // namespace lorvex::platform

namespace lorvex::unicode {

std::size_t decodeUtf8Units(std::string_view text, char16_t* out, std::size_t max,
                            platform::Isa isa) {
    using platform::Isa;
    switch (isa) {
#if defined(LORVEX_HAVE_SSE2)
        case Isa::sse2:
            return platform::sse2::decodeUtf8Units(text, 0, out, 0, max);
#endif
#if defined(LORVEX_HAVE_AVX2)
        case Isa::avx2:
            return platform::avx2::decodeUtf8Units(text, 0, out, 0, max);
#endif
#if defined(LORVEX_HAVE_NEON)
        case Isa::neon:
            return platform::neon::decodeUtf8Units(text, 0, out, 0, max);
#endif
        default:
            return platform::scalar::decodeUtf8Units(text, 0, out, 0, max);
    }
}

void decodeSingleBytes(std::string_view bytes, const char16_t* table, char16_t* out,
                       platform::Isa isa) {
    using platform::Isa;
    switch (isa) {
#if defined(LORVEX_HAVE_SSE2)
        case Isa::sse2:
            return platform::sse2::decodeSingleBytes(bytes, 0, table, out);
#endif
#if defined(LORVEX_HAVE_AVX2)
        case Isa::avx2:
            return platform::avx2::decodeSingleBytes(bytes, 0, table, out);
#endif
#if defined(LORVEX_HAVE_NEON)
        case Isa::neon:
            return platform::neon::decodeSingleBytes(bytes, 0, table, out);
#endif
        default:
            return platform::scalar::decodeSingleBytes(bytes, 0, table, out);
    }
}

}  // namespace lorvex::unicode
