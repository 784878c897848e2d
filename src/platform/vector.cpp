#include "vector.h"

#include <atomic>

#if defined(LORVEX_HAVE_AVX2)
#include <cpuid.h>
#endif
#if defined(LORVEX_NEON_AT_RUN_TIME)
#include <sys/auxv.h>
#endif

namespace lorvex::platform {

namespace {

#if defined(LORVEX_HAVE_AVX2)
// Whether the system saves all the register state that the bits of wanted name (XCR0), and the
// processor lets a program ask (OSXSAVE).
bool systemSaves(unsigned wanted) {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE)) return false;
    unsigned low, high;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (low & wanted) == wanted;
}

// Whether the processor has AVX2 and the system saves its registers.
bool hasAvx2() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_AVX)) return false;
    if (!systemSaves(0x6)) return false;  // XMM and YMM
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}

// Whether the processor has the AVX-512 sets the kernels use, with POPCNT and BMI2 beside them,
// and the system saves the mask and the 512-bit registers.
bool hasAvx512() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_POPCNT)) return false;
    if (!systemSaves(0xE6)) return false;  // XMM, YMM, the mask registers and both halves of ZMM
    constexpr unsigned sets = bit_AVX512F | bit_AVX512BW | bit_BMI2;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & sets) == sets && (c & bit_AVX512VBMI2);
}
#endif

#if defined(LORVEX_NEON_AT_RUN_TIME)
bool hasNeon() {
    constexpr unsigned long neon = 1ul << 12;  // HWCAP_NEON of the 32-bit ARM kernel
    return (getauxval(AT_HWCAP) & neon) != 0;
}
#endif

}  // namespace

std::vector<Isa> availableIsas() {
    std::vector<Isa> isas{Isa::scalar};
#if defined(LORVEX_HAVE_SSE2)
    isas.push_back(Isa::sse2);
#endif
#if defined(LORVEX_HAVE_AVX2)
    if (hasAvx2()) {
        isas.push_back(Isa::avx2);
        if (hasAvx512()) isas.push_back(Isa::avx512);
    }
#endif
#if defined(LORVEX_NEON_AT_RUN_TIME)
    if (hasNeon()) isas.push_back(Isa::neon);
#elif defined(LORVEX_HAVE_NEON)
    isas.push_back(Isa::neon);
#endif
    return isas;
}

namespace detail {

std::atomic<int> fastest{-1};

Isa findFastest() {
    Isa found = availableIsas().back();
    fastest.store(static_cast<int>(found), std::memory_order_relaxed);
    return found;
}

}  // namespace detail

}  // namespace lorvex::platform
