// Running independent pieces of work on a few threads.
#pragma once

#include <cstddef>
#include <functional>

namespace lorvex::cli {

// Calls work(i) for every i below count, on at most `threads` threads, each taking the next i as
// it comes free. After each piece, calls finished(done), the number of pieces done so far, with
// a lock held, so that it needs no lock of its own. Returns when every piece is done. work must
// not throw.
void runInParallel(std::size_t count, unsigned threads,
                   const std::function<void(std::size_t)>& work,
                   const std::function<void(std::size_t done)>& finished);

// The number of threads a machine runs at once (at least 1).
unsigned coreCount();

}  // namespace lorvex::cli
