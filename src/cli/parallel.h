// Running independent pieces of work on a few threads.
#pragma once

#include <cstddef>
#include <functional>
#include <thread>

namespace lorvex::cli {

// Starts a thread that runs body. The system may refuse (std::system_error): a pids limit, or
// no memory for a stack. Tests put a stand-in here that refuses on purpose.
using ThreadStarter = std::function<std::jthread(std::function<void()> body)>;
std::jthread startThread(std::function<void()> body);

// Calls work(i) for every i below count, on at most `threads` threads, each taking the next i as
// it comes free. After each piece, calls finished(done), the number of pieces done so far, with
// a lock held, so that it needs no lock of its own. Returns, when every piece is done, how many
// threads did the work: fewer than asked for when the system refused to start more, but always
// at least the calling thread, which is one of them. work must not throw.
std::size_t runInParallel(std::size_t count, unsigned threads,
                          const std::function<void(std::size_t)>& work,
                          const std::function<void(std::size_t done)>& finished,
                          const ThreadStarter& start = startThread);

// The number of threads a machine runs at once (at least 1).
unsigned coreCount();

}  // namespace lorvex::cli
