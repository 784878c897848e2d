#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace lorvex::cli {

void runInParallel(std::size_t count, unsigned threads,
                   const std::function<void(std::size_t)>& work,
                   const std::function<void(std::size_t done)>& finished) {
    std::atomic<std::size_t> next{0};
    std::mutex lock;
    std::size_t done = 0;
    auto worker = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            work(i);
            std::lock_guard<std::mutex> hold(lock);
            finished(++done);
        }
    };
    std::size_t helpers = std::min<std::size_t>(std::max(threads, 1u), count);
    std::vector<std::jthread> pool;
    // The calling thread is one of the workers.
    for (std::size_t k = 1; k < helpers; ++k)
        pool.emplace_back(worker);
    worker();
}

unsigned coreCount() {
    return std::max(std::thread::hardware_concurrency(), 1u);
}

}  // namespace lorvex::cli
