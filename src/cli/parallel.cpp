#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <vector>

namespace lorvex::cli {

std::jthread startThread(std::function<void()> body) {
    return std::jthread(std::move(body));
}

std::size_t runInParallel(std::size_t count, unsigned threads,
                          const std::function<void(std::size_t)>& work,
                          const std::function<void(std::size_t done)>& finished,
                          const ThreadStarter& start) {
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
    std::size_t wanted = std::min<std::size_t>(std::max(threads, 1u), count);
    std::vector<std::jthread> helpers;
    try {
        // The calling thread is one of the workers.
        while (helpers.size() + 1 < wanted)
            helpers.push_back(start(worker));
    } catch (const std::system_error&) {
        // Go on with the threads there are.
    }
    worker();
    return helpers.size() + 1;
}

unsigned coreCount() {
    return std::max(std::thread::hardware_concurrency(), 1u);
}

}  // namespace lorvex::cli
