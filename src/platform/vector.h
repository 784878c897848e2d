// Vectors of bytes for the text kernels: each instruction set (SSE2, AVX2, AVX-512, NEON) brings
// one small set of operations, and each kernel is written once, as a template over them, beside a
// plain loop that is both the reference and the path of every other machine.
//
// A kernel is compiled inside its instruction set's target region (LORVEX_BEGIN_AVX2 ...
// LORVEX_END_TARGET), by including the kernel's file there in a namespace of its own (each_isa.h):
// the compiler inlines an instruction set's operations only into code compiled for it, so a
// template defined outside the region would call every operation out of line.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "isa.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define LORVEX_HAVE_SSE2 1
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LORVEX_HAVE_AVX2 1
#define LORVEX_HAVE_AVX512 1
#endif
#if defined(__ARM_NEON)
#include <arm_neon.h>
#define LORVEX_HAVE_NEON 1
#elif defined(__arm__) && defined(__ARM_PCS_VFP) && defined(__GNUC__) && !defined(__clang__)
// A 32-bit ARM build for the baseline (VFP, no NEON) compiles the NEON kernels for the processors
// that have it and asks the system at run time, so one package serves both kinds.
#include <arm_neon.h>
#define LORVEX_HAVE_NEON 1
#define LORVEX_NEON_AT_RUN_TIME 1
#endif

#if defined(__clang__)
#define LORVEX_BEGIN_AVX2 \
    _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
// A _Pragma takes one string literal, which must not be split.
// clang-format off
#define LORVEX_BEGIN_AVX512 _Pragma("clang attribute push(__attribute__((target(\"avx2,avx512f,avx512bw,avx512vbmi2,bmi2,popcnt\"))), apply_to = function)")
// clang-format on
#define LORVEX_END_TARGET _Pragma("clang attribute pop")
#else
#define LORVEX_BEGIN_AVX2 _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define LORVEX_BEGIN_AVX512     \
    _Pragma("GCC push_options") \
        _Pragma("GCC target(\"avx2,avx512f,avx512bw,avx512vbmi2,bmi2,popcnt\")")
#define LORVEX_END_TARGET _Pragma("GCC pop_options")
#endif
#if defined(LORVEX_NEON_AT_RUN_TIME)
#define LORVEX_BEGIN_NEON _Pragma("GCC push_options") _Pragma("GCC target(\"fpu=neon\")")
#define LORVEX_END_NEON LORVEX_END_TARGET
#else
#define LORVEX_BEGIN_NEON
#define LORVEX_END_NEON
#endif

namespace lorvex::platform {

namespace vec {

// Each backend: Vector, a vector of `bytes` bytes. The operations: load and store (unaligned),
// splat8/16, equal8/16, atMost16 (unsigned), minus16, both (and), either (or), nonAscii (where a
// byte's high bit is set), and widenLow and widenHigh, which make the bytes of the first and the
// second half of a vector zero-extended 16-bit units. A comparison gives the lanes where it holds,
// which both and either combine: a vector of all ones or all zeros in each lane, or with AVX-512 a
// mask register, one bit a lane. mask() turns them into a Mask of `bitsPerByte` bits for each
// byte; for 16-bit lanes, at least those of each lane's first byte. A backend that decodes UTF-8 a
// vector at a time says so in `compresses`, and has shiftLeft16, keep (a vector's 16-bit units in
// the lanes given, zero elsewhere) and compress too.

// For each set of eight bits, the byte order that moves the 16-bit units whose bits are set, in
// their order, to the front of a vector of eight: AVX2's compress writes those units eight at a
// time, and after them up to eight in all that do not count.
inline constexpr auto compressShuffles = [] {
    std::array<std::array<std::uint8_t, 16>, 256> orders{};
    for (unsigned keep = 0; keep < 256; ++keep) {
        std::size_t kept = 0;
        for (unsigned unit = 0; unit < 8; ++unit) {
            if ((keep >> unit & 1) == 0) continue;
            orders[keep][2 * kept] = static_cast<std::uint8_t>(2 * unit);
            orders[keep][2 * kept + 1] = static_cast<std::uint8_t>(2 * unit + 1);
            ++kept;
        }
    }
    return orders;
}();

#if defined(LORVEX_HAVE_SSE2)
struct Sse2 {
    using Vector = __m128i;
    using Mask = std::uint32_t;
    static constexpr std::size_t bytes = 16;
    static constexpr unsigned bitsPerByte = 1;

    static Vector load(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }
    static void store(void* at, Vector v) { _mm_storeu_si128(static_cast<__m128i*>(at), v); }
    static Vector splat8(std::uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); }
    static Vector splat16(std::uint16_t u) { return _mm_set1_epi16(static_cast<short>(u)); }
    static Vector equal8(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
    static Vector equal16(Vector a, Vector b) { return _mm_cmpeq_epi16(a, b); }
    static Vector atMost16(Vector a, Vector b) {
        return _mm_cmpeq_epi16(_mm_subs_epu16(a, b), _mm_setzero_si128());
    }
    static Vector minus16(Vector a, Vector b) { return _mm_sub_epi16(a, b); }
    static Vector both(Vector a, Vector b) { return _mm_and_si128(a, b); }
    static Vector either(Vector a, Vector b) { return _mm_or_si128(a, b); }
    static Vector nonAscii(Vector v) { return _mm_cmplt_epi8(v, _mm_setzero_si128()); }
    static Mask mask(Vector v) { return static_cast<Mask>(_mm_movemask_epi8(v)); }
    static Vector widenLow(Vector v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
    static Vector widenHigh(Vector v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
    static constexpr bool compresses = false;
};
#endif

#if defined(LORVEX_HAVE_AVX2)
LORVEX_BEGIN_AVX2
struct Avx2 {
    using Vector = __m256i;
    using Mask = std::uint32_t;
    static constexpr std::size_t bytes = 32;
    static constexpr unsigned bitsPerByte = 1;

    static Vector load(const void* at) {
        return _mm256_loadu_si256(static_cast<const __m256i*>(at));
    }
    static void store(void* at, Vector v) { _mm256_storeu_si256(static_cast<__m256i*>(at), v); }
    static Vector splat8(std::uint8_t b) { return _mm256_set1_epi8(static_cast<char>(b)); }
    static Vector splat16(std::uint16_t u) { return _mm256_set1_epi16(static_cast<short>(u)); }
    static Vector equal8(Vector a, Vector b) { return _mm256_cmpeq_epi8(a, b); }
    static Vector equal16(Vector a, Vector b) { return _mm256_cmpeq_epi16(a, b); }
    static Vector atMost16(Vector a, Vector b) {
        return _mm256_cmpeq_epi16(_mm256_subs_epu16(a, b), _mm256_setzero_si256());
    }
    static Vector minus16(Vector a, Vector b) { return _mm256_sub_epi16(a, b); }
    static Vector both(Vector a, Vector b) { return _mm256_and_si256(a, b); }
    static Vector either(Vector a, Vector b) { return _mm256_or_si256(a, b); }
    static Vector nonAscii(Vector v) { return _mm256_cmpgt_epi8(_mm256_setzero_si256(), v); }
    static Mask mask(Vector v) { return static_cast<Mask>(_mm256_movemask_epi8(v)); }
    // The unpack instructions work within each 128-bit half; the extension takes a half whole.
    static Vector widenLow(Vector v) { return _mm256_cvtepu8_epi16(_mm256_castsi256_si128(v)); }
    static Vector widenHigh(Vector v) {
        return _mm256_cvtepu8_epi16(_mm256_extracti128_si256(v, 1));
    }
    template <int n>
    static Vector shiftLeft16(Vector v) {
        return _mm256_slli_epi16(v, n);
    }
    static constexpr bool compresses = true;
    static Vector keep(Vector units, Vector lanes) { return both(units, lanes); }
    // Writes the units whose bits are set in keep, in their order, to out, and returns how many:
    // eight units at a time, each eight written whole, so up to a vector's worth are written.
    static std::size_t compress(Vector units, std::uint32_t keep, char16_t* out) {
        __m128i halves[2] = {_mm256_castsi256_si128(units), _mm256_extracti128_si256(units, 1)};
        std::size_t written = 0;
        for (__m128i eight : halves) {
            unsigned bits = keep & 0xFF;
            __m128i order =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(compressShuffles[bits].data()));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + written),
                             _mm_shuffle_epi8(eight, order));
            written += static_cast<std::size_t>(std::popcount(bits));
            keep >>= 8;
        }
        return written;
    }
};
LORVEX_END_TARGET
#endif

#if defined(LORVEX_HAVE_AVX512)
LORVEX_BEGIN_AVX512
// AVX-512 with its byte and word operations (BW) and its compress of words (VBMI2). A comparison
// gives a mask register: a bit a byte (Lanes8) or a bit a 16-bit unit (Lanes16).
struct Avx512 {
    using Vector = __m512i;
    using Mask = std::uint64_t;
    using Lanes8 = __mmask64;
    using Lanes16 = __mmask32;
    static constexpr std::size_t bytes = 64;
    static constexpr unsigned bitsPerByte = 1;

    static Vector load(const void* at) { return _mm512_loadu_si512(at); }
    static void store(void* at, Vector v) { _mm512_storeu_si512(at, v); }
    static Vector splat8(std::uint8_t b) { return _mm512_set1_epi8(static_cast<char>(b)); }
    static Vector splat16(std::uint16_t u) { return _mm512_set1_epi16(static_cast<short>(u)); }
    static Lanes8 equal8(Vector a, Vector b) { return _mm512_cmpeq_epi8_mask(a, b); }
    static Lanes16 equal16(Vector a, Vector b) { return _mm512_cmpeq_epi16_mask(a, b); }
    static Lanes16 atMost16(Vector a, Vector b) { return _mm512_cmple_epu16_mask(a, b); }
    static Vector minus16(Vector a, Vector b) { return _mm512_sub_epi16(a, b); }
    static Vector both(Vector a, Vector b) { return _mm512_and_si512(a, b); }
    static Vector either(Vector a, Vector b) { return _mm512_or_si512(a, b); }
    static Lanes8 both(Lanes8 a, Lanes8 b) { return a & b; }
    static Lanes8 either(Lanes8 a, Lanes8 b) { return a | b; }
    static Lanes16 both(Lanes16 a, Lanes16 b) { return a & b; }
    static Lanes16 either(Lanes16 a, Lanes16 b) { return a | b; }
    static Lanes8 nonAscii(Vector v) { return _mm512_movepi8_mask(v); }
    static Mask mask(Lanes8 lanes) { return lanes; }
    // Each unit's bit moved to its first byte's place.
    static Mask mask(Lanes16 lanes) { return _pdep_u64(lanes, 0x5555555555555555); }
    // Halves taken by the form with a mask: GCC 12 makes the plain ones (and the cast) from a
    // vector it leaves unset, which -Wmaybe-uninitialized reports. Compiled, they are the same.
    static Vector widenLow(Vector v) {
        return _mm512_cvtepu8_epi16(_mm512_maskz_extracti64x4_epi64(0xFF, v, 0));
    }
    static Vector widenHigh(Vector v) {
        return _mm512_cvtepu8_epi16(_mm512_maskz_extracti64x4_epi64(0xFF, v, 1));
    }
    template <int n>
    static Vector shiftLeft16(Vector v) {
        return _mm512_slli_epi16(v, n);
    }
    static constexpr bool compresses = true;
    static Vector keep(Vector units, Lanes16 lanes) { return _mm512_maskz_mov_epi16(lanes, units); }
    // The compress into a register, then a store: the one straight into memory is slow on some
    // processors. A vector's worth of units is written.
    static std::size_t compress(Vector units, std::uint32_t keep, char16_t* out) {
        store(out, _mm512_maskz_compress_epi16(keep, units));
        return static_cast<std::size_t>(std::popcount(keep));
    }
};
LORVEX_END_TARGET
#endif

#if defined(LORVEX_HAVE_NEON)
LORVEX_BEGIN_NEON
struct Neon {
    using Vector = uint8x16_t;
    using Mask = std::uint64_t;
    static constexpr std::size_t bytes = 16;
    // NEON has no byte mask instruction; narrowing each 16-bit lane by 4 bits keeps a nibble of
    // every byte, which is as cheap and as good for finding the first set byte.
    static constexpr unsigned bitsPerByte = 4;

    static Vector load(const void* at) { return vld1q_u8(static_cast<const std::uint8_t*>(at)); }
    static void store(void* at, Vector v) { vst1q_u8(static_cast<std::uint8_t*>(at), v); }
    static Vector splat8(std::uint8_t b) { return vdupq_n_u8(b); }
    static Vector splat16(std::uint16_t u) { return vreinterpretq_u8_u16(vdupq_n_u16(u)); }
    static Vector equal8(Vector a, Vector b) { return vceqq_u8(a, b); }
    static Vector equal16(Vector a, Vector b) {
        return vreinterpretq_u8_u16(vceqq_u16(vreinterpretq_u16_u8(a), vreinterpretq_u16_u8(b)));
    }
    static Vector atMost16(Vector a, Vector b) {
        return vreinterpretq_u8_u16(vcleq_u16(vreinterpretq_u16_u8(a), vreinterpretq_u16_u8(b)));
    }
    static Vector minus16(Vector a, Vector b) {
        return vreinterpretq_u8_u16(vsubq_u16(vreinterpretq_u16_u8(a), vreinterpretq_u16_u8(b)));
    }
    static Vector both(Vector a, Vector b) { return vandq_u8(a, b); }
    static Vector either(Vector a, Vector b) { return vorrq_u8(a, b); }
    static Vector nonAscii(Vector v) {
        return vreinterpretq_u8_s8(vshrq_n_s8(vreinterpretq_s8_u8(v), 7));
    }
    static Mask mask(Vector v) {
        return vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(vreinterpretq_u16_u8(v), 4)), 0);
    }
    static Vector widenLow(Vector v) { return vreinterpretq_u8_u16(vmovl_u8(vget_low_u8(v))); }
    static Vector widenHigh(Vector v) { return vreinterpretq_u8_u16(vmovl_u8(vget_high_u8(v))); }
    // Its table lookup could compress, but under QEMU decoding whole vectors made the conversion
    // slower, and no ARM machine was at hand to show that real ones gain.
    static constexpr bool compresses = false;
};
LORVEX_END_NEON
#endif

// The bits of a mask that stand for the first byte of each unit of Unit: one bit per unit.
template <class V, class Unit>
constexpr typename V::Mask unitBits() {
    using Mask = typename V::Mask;
    Mask bits = 0;
    for (std::size_t at = 0; at < V::bytes; at += sizeof(Unit))
        bits |= Mask{1} << (at * V::bitsPerByte);
    return bits;
}

// The index, in units, of the unit a mask's lowest set bit stands for.
template <class V, class Unit>
constexpr std::size_t firstUnit(typename V::Mask mask) {
    return static_cast<std::size_t>(std::countr_zero(mask)) / (V::bitsPerByte * sizeof(Unit));
}

// The bits of a mask that stand for the first count bytes of a vector.
template <class V>
constexpr typename V::Mask firstBytes(std::size_t count) {
    using Mask = typename V::Mask;
    std::size_t bits = count * V::bitsPerByte;
    return bits >= sizeof(Mask) * 8 ? ~Mask{0} : (Mask{1} << bits) - 1;
}

}  // namespace vec
}  // namespace lorvex::platform
