#include "write_behind.h"

#ifndef _WIN32
#include <csignal>
#endif

namespace lorvex::platform {

WriteBehind::~WriteBehind() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void WriteBehind::start() {
    started_ = true;
#ifndef _WIN32
    // The thread starts with every signal blocked, so that the host's signals go to the host's
    // own threads as before, and a write to a pipe whose reader has gone raises nothing anywhere.
    sigset_t all, old;
    sigfillset(&all);
    bool masked = pthread_sigmask(SIG_SETMASK, &all, &old) == 0;
    try {
        worker_ = std::thread([this] { work(); });
    } catch (...) {
        // No thread (the system refused one, or memory for it ran out): each write is made at once.
    }
    if (masked) pthread_sigmask(SIG_SETMASK, &old, nullptr);
#endif
}

void WriteBehind::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return pending_ || ending_; });
        if (!pending_) return;
        lock.unlock();
        // The caller leaves the bytes, and these members, alone while they are pending.
        Error error = file_.write(bytes_, size_);
        lock.lock();
        if (error_ == 0) error_ = error;
        pending_ = false;
        changed_.notify_all();
    }
}

std::unique_lock<std::mutex> WriteBehind::idle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !pending_; });
    return lock;
}

Error WriteBehind::write(const void* bytes, std::size_t size) {
    if (!started_) start();
    if (!worker_.joinable()) return finish(bytes, size);
    {
        std::unique_lock lock = idle();
        if (error_ != 0) return error_;
        bytes_ = bytes;
        size_ = size;
        pending_ = true;
    }
    changed_.notify_all();
    return 0;
}

Error WriteBehind::finish(const void* bytes, std::size_t size) {
    // Once no write is under way the thread touches nothing until it is handed another.
    if (worker_.joinable()) idle();
    if (error_ == 0 && size > 0) error_ = file_.write(bytes, size);
    return error_;
}

}  // namespace lorvex::platform
