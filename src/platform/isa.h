// The instruction sets the text kernels come in, and those this processor runs.
#pragma once

#include <atomic>
#include <vector>

namespace lorvex::platform {

// Scalar is the plain loop, the reference and the path of every other machine.
enum class Isa { scalar, sse2, avx2, avx512, neon };

// Those this processor runs, scalar first and the fastest last.
std::vector<Isa> availableIsas();

namespace detail {
// The fastest as an Isa's value, once asked; -1 before. A plain atomic rather than a guarded
// static, which would make the thread runtime take a thread-local slot that a module unloaded
// and loaded again never gets back; threads that ask at once find the same answer.
extern std::atomic<int> fastest;
Isa findFastest();
}  // namespace detail

// The fastest of them, the one every kernel uses unless told otherwise. Asked once per search,
// so it is a load and a test.
inline Isa bestIsa() {
    int known = detail::fastest.load(std::memory_order_relaxed);
    return known >= 0 ? static_cast<Isa>(known) : detail::findFastest();
}

}  // namespace lorvex::platform
