#include "byte_search.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <cpuid.h>
#include <immintrin.h>
#define LORVEX_AVX2_SEARCH 1
#endif

// Many starts at a time: a start is a candidate when both the literal's first and its last byte
// are in place, which few places in a feed are; candidates are compared whole. A literal is
// never longer than a tag, so the loads that reach its last byte stay inside the text.

namespace lorvex {

namespace {

#if defined(__SSE2__)
std::size_t findSse2(std::string_view text, std::string_view literal, std::size_t from) {
    const char* base = text.data();
    const std::size_t size = literal.size();
    const std::size_t lastStart = text.size() - size;
    const __m128i first = _mm_set1_epi8(literal.front());
    const __m128i last = _mm_set1_epi8(literal.back());
    std::size_t i = from;
    for (; i + 15 <= lastStart; i += 16) {
        __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + size - 1));
        auto candidates = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, last))));
        for (; candidates != 0; candidates &= candidates - 1) {
            std::size_t start = i + static_cast<std::size_t>(std::countr_zero(candidates));
            if (std::memcmp(base + start, literal.data(), size) == 0) return start;
        }
    }
    return text.find(literal, i);
}
#endif

#if defined(LORVEX_AVX2_SEARCH)
__attribute__((target("avx2"))) std::size_t findAvx2(std::string_view text,
                                                     std::string_view literal, std::size_t from) {
    const char* base = text.data();
    const std::size_t size = literal.size();
    const std::size_t lastStart = text.size() - size;
    const __m256i first = _mm256_set1_epi8(literal.front());
    const __m256i last = _mm256_set1_epi8(literal.back());
    std::size_t i = from;
    for (; i + 31 <= lastStart; i += 32) {
        __m256i heads = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + i));
        __m256i tails = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + i + size - 1));
        auto candidates = static_cast<unsigned>(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(heads, first), _mm256_cmpeq_epi8(tails, last))));
        for (; candidates != 0; candidates &= candidates - 1) {
            std::size_t start = i + static_cast<std::size_t>(std::countr_zero(candidates));
            if (std::memcmp(base + start, literal.data(), size) == 0) return start;
        }
    }
    return findSse2(text, literal, i);
}

// Whether the processor has AVX2 and the system saves its registers.
bool hasAvx2() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
    unsigned low, high;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 6) != 6) return false;  // XMM and YMM state
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}
#endif

}  // namespace

std::size_t findBytes(std::string_view text, std::string_view literal, std::size_t from) {
    if (from > text.size() || text.size() - from < literal.size()) return std::string_view::npos;
#if defined(LORVEX_AVX2_SEARCH)
    // Asked once, on first use; nothing runs when the module loads.
    static const bool avx2 = hasAvx2();
    if (avx2) return findAvx2(text, literal, from);
#endif
#if defined(__SSE2__)
    return findSse2(text, literal, from);
#else
    return text.find(literal, from);
#endif
}

}  // namespace lorvex
