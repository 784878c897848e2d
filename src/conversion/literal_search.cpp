#include "literal_search.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <cpuid.h>
#include <immintrin.h>
#define LORVEX_AVX2_SEARCH 1
#endif

// Many starts at a time: a start is a candidate when both the literal's first and its last unit
// are in place, which few places in a feed are; candidates are compared whole. The loops stop
// where a vector of tails would reach past the text, and one last vector that ends with the text
// takes the rest (a plain loop, in a text shorter than a vector).

namespace lorvex {

namespace {

template <class Unit>
bool matchesAt(const Unit* text, std::string_view literal) {
    for (std::size_t k = 0; k < literal.size(); ++k) {
        if (text[k] != static_cast<unsigned char>(literal[k])) return false;
    }
    return true;
}

template <class Unit>
std::size_t findPlain(std::basic_string_view<Unit> text, std::string_view literal,
                      std::size_t from) {
    if constexpr (sizeof(Unit) == 1) {
        return text.find(literal, from);  // memchr, then memcmp
    } else {
        const Unit first = static_cast<unsigned char>(literal.front());
        const std::size_t lastStart = text.size() - literal.size();
        for (std::size_t i = from; i <= lastStart; ++i) {
            if (text[i] == first && matchesAt(text.data() + i, literal)) return i;
        }
        return std::string_view::npos;
    }
}

constexpr std::size_t npos = std::string_view::npos;

// The first start among the candidates (a bit a byte, from the start i) where the whole literal
// is, or npos.
template <class Unit>
std::size_t firstMatch(const Unit* base, std::string_view literal, std::size_t i,
                       unsigned candidates) {
    for (; candidates != 0; candidates &= candidates - 1) {
        std::size_t start =
            i + static_cast<std::size_t>(std::countr_zero(candidates)) / sizeof(Unit);
        if (matchesAt(base + start, literal)) return start;
    }
    return npos;
}

// The starts [i, lastStart] left when fewer than a vector's are, in one last vector that ends
// where the text does and overlaps starts already looked at, which are masked off: the short
// searches within one item need no unit-by-unit loop.
template <class Unit, std::size_t step, class Candidates>
std::size_t lastBlock(const Unit* base, std::string_view literal, std::size_t i,
                      std::size_t lastStart, Candidates candidatesAt) {
    std::size_t block = lastStart + 1 - step;
    auto seen = static_cast<unsigned>((std::uint64_t{1} << ((i - block) * sizeof(Unit))) - 1);
    return firstMatch(base, literal, block, candidatesAt(block) & ~seen);
}

// The mask of a vector compare has one bit per byte; a 16-bit unit owns two, of which the low
// one is kept.
template <class Unit>
constexpr unsigned unitBits(unsigned mask) {
    return sizeof(Unit) == 1 ? mask : mask & 0x55555555u;
}

#if defined(__SSE2__)
template <class Unit>
__m128i splat128(Unit unit) {
    if constexpr (sizeof(Unit) == 1) return _mm_set1_epi8(static_cast<char>(unit));
    return _mm_set1_epi16(static_cast<short>(unit));
}

template <class Unit>
__m128i equal128(__m128i a, __m128i b) {
    if constexpr (sizeof(Unit) == 1) return _mm_cmpeq_epi8(a, b);
    return _mm_cmpeq_epi16(a, b);
}

template <class Unit>
std::size_t findSse2(std::basic_string_view<Unit> text, std::string_view literal,
                     std::size_t from) {
    constexpr std::size_t step = 16 / sizeof(Unit);
    const Unit* base = text.data();
    const std::size_t size = literal.size();
    const std::size_t lastStart = text.size() - size;
    const __m128i first = splat128(static_cast<Unit>(static_cast<unsigned char>(literal.front())));
    const __m128i last = splat128(static_cast<Unit>(static_cast<unsigned char>(literal.back())));
    auto candidatesAt = [&](std::size_t at) {
        __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at));
        __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at + size - 1));
        return unitBits<Unit>(static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(equal128<Unit>(heads, first), equal128<Unit>(tails, last)))));
    };
    std::size_t i = from;
    for (; i + step - 1 <= lastStart; i += step) {
        if (std::size_t at = firstMatch(base, literal, i, candidatesAt(i)); at != npos) return at;
    }
    if (i > lastStart) return npos;
    if (lastStart + 1 < step) return findPlain(text, literal, i);
    return lastBlock<Unit, step>(base, literal, i, lastStart, candidatesAt);
}
#endif

#if defined(LORVEX_AVX2_SEARCH)
template <class Unit>
__attribute__((target("avx2"))) __m256i splat256(Unit unit) {
    if constexpr (sizeof(Unit) == 1) return _mm256_set1_epi8(static_cast<char>(unit));
    return _mm256_set1_epi16(static_cast<short>(unit));
}

template <class Unit>
__attribute__((target("avx2"))) __m256i equal256(__m256i a, __m256i b) {
    if constexpr (sizeof(Unit) == 1) return _mm256_cmpeq_epi8(a, b);
    return _mm256_cmpeq_epi16(a, b);
}

template <class Unit>
__attribute__((target("avx2"))) std::size_t findAvx2(std::basic_string_view<Unit> text,
                                                     std::string_view literal, std::size_t from) {
    constexpr std::size_t step = 32 / sizeof(Unit);
    const Unit* base = text.data();
    const std::size_t size = literal.size();
    const std::size_t lastStart = text.size() - size;
    const __m256i first = splat256(static_cast<Unit>(static_cast<unsigned char>(literal.front())));
    const __m256i last = splat256(static_cast<Unit>(static_cast<unsigned char>(literal.back())));
    auto candidatesAt = [&](std::size_t at) __attribute__((target("avx2"))) {
        __m256i heads = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + at));
        __m256i tails = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + at + size - 1));
        return unitBits<Unit>(static_cast<unsigned>(_mm256_movemask_epi8(
            _mm256_and_si256(equal256<Unit>(heads, first), equal256<Unit>(tails, last)))));
    };
    std::size_t i = from;
    for (; i + step - 1 <= lastStart; i += step) {
        if (std::size_t at = firstMatch(base, literal, i, candidatesAt(i)); at != npos) return at;
    }
    if (i > lastStart) return npos;
    if (lastStart + 1 < step) return findSse2(text, literal, i);
    return lastBlock<Unit, step>(base, literal, i, lastStart, candidatesAt);
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

// Asked on first use and kept in a plain atomic: a guarded static would make the thread runtime
// take a thread-local slot that a module unloaded and loaded again never gets back.
enum : int { unknown, without, with };
std::atomic<int> avx2{unknown};

bool useAvx2() {
    int known = avx2.load(std::memory_order_relaxed);
    if (known == unknown) {
        known = hasAvx2() ? with : without;
        avx2.store(known, std::memory_order_relaxed);
    }
    return known == with;
}
#endif

// A search with few starts (the distance between two neighbouring tags of an item, say) costs
// less unit by unit than setting vectors up for it.
template <class Unit>
std::size_t findShort(std::basic_string_view<Unit> text, std::string_view literal,
                      std::size_t from) {
    const auto first = static_cast<Unit>(static_cast<unsigned char>(literal.front()));
    for (std::size_t i = from; i + literal.size() <= text.size(); ++i) {
        if (text[i] == first && matchesAt(text.data() + i, literal)) return i;
    }
    return npos;
}

template <class Unit>
std::size_t findIn(std::basic_string_view<Unit> text, std::string_view literal, std::size_t from) {
    if (from > text.size() || text.size() - from < literal.size()) return std::string_view::npos;
    if (text.size() - from < literal.size() + 16) return findShort(text, literal, from);
#if defined(LORVEX_AVX2_SEARCH)
    if (useAvx2()) return findAvx2(text, literal, from);
#endif
#if defined(__SSE2__)
    return findSse2(text, literal, from);
#else
    return findPlain(text, literal, from);
#endif
}

}  // namespace

std::size_t findLiteral(std::string_view text, std::string_view literal, std::size_t from) {
    return findIn(text, literal, from);
}

std::size_t findLiteral(std::u16string_view text, std::string_view literal, std::size_t from) {
    return findIn(text, literal, from);
}

}  // namespace lorvex
