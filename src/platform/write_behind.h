// Writing an output on a thread of its own, so that the system's copy of one buffer into the file
// overlaps the making of the next: on a machine with a second core a conversion then takes about
// as long as its own work and the reading, the writing hidden behind them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "file.h"

namespace lorvex::platform {

// The writes are made in the order they are handed over, the last on the caller's thread: a
// conversion of a feed short enough to need one write starts no thread. Where no thread can be
// started (the system refuses one; on Windows, where the threads library keeps a record of each
// thread it has run, which a module loaded and unloaded many times must not gather, none is asked
// for) every write is made at once.
class WriteBehind {
  public:
    // Whether this system's writes can be made on a thread at all.
#ifdef _WIN32
    static constexpr bool threaded = false;
#else
    static constexpr bool threaded = true;
#endif

    explicit WriteBehind(OutputFile& file) : file_(file) {}
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;
    // Waits for the write under way; the output is then the caller's again.
    ~WriteBehind();

    // Hands size bytes over to be written once the write before them has ended, and returns. They
    // must stay as they are until the next call of write or finish. Returns the error of an
    // earlier write, and then writes nothing: a file that failed once is not written past the gap.
    Error write(const void* bytes, std::size_t size);
    // Waits for the write under way, then writes the last size bytes; returns the first error of
    // all the writes.
    Error finish(const void* bytes = nullptr, std::size_t size = 0);

  private:
    void start();
    void work();
    // The thread's lock, held once no write is under way.
    std::unique_lock<std::mutex> idle();

    OutputFile& file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const void* bytes_ = nullptr;  // the bytes handed over last
    std::size_t size_ = 0;
    bool pending_ = false;  // they are not written yet
    bool ending_ = false;
    bool started_ = false;  // a thread was asked for
    Error error_ = 0;
    std::thread worker_;  // not joinable when the writes are made at once
};

}  // namespace lorvex::platform
