// Compiles the kernel file named by LORVEX_KERNEL_FILE once for each instruction set of
// vector.h that this build has, each time in a namespace named for the set (sse2, avx2, avx512,
// neon) inside the set's target region. There V names the set's vectors, and narrower the namespace
// of the next narrower set's kernels (or scalar's), which take what is left when less than a vector
// is. The includer defines `vec` and its scalar kernels first. Meant for one inclusion per kernel
// file, so no include guard.

#if defined(LORVEX_HAVE_SSE2)
namespace sse2 {
using V = vec::Sse2;
namespace narrower = scalar;
#include LORVEX_KERNEL_FILE
}  // namespace sse2
#endif

#if defined(LORVEX_HAVE_AVX2)
LORVEX_BEGIN_AVX2
namespace avx2 {
using V = vec::Avx2;
namespace narrower = sse2;
#include LORVEX_KERNEL_FILE
}  // namespace avx2
LORVEX_END_TARGET
#endif

#if defined(LORVEX_HAVE_AVX512)
LORVEX_BEGIN_AVX512
namespace avx512 {
using V = vec::Avx512;
namespace narrower = avx2;
#include LORVEX_KERNEL_FILE
}  // namespace avx512
LORVEX_END_TARGET
#endif

#if defined(LORVEX_HAVE_NEON)
LORVEX_BEGIN_NEON
namespace neon {
using V = vec::Neon;
namespace narrower = scalar;
#include LORVEX_KERNEL_FILE
}  // namespace neon
LORVEX_END_NEON
#endif

#undef LORVEX_KERNEL_FILE
