// lorvex convert -d: many feeds into a directory at once, on a few threads, with a progress bar.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "report.h"

namespace lorvex::tool {

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

struct BatchOptions {
    std::string outputDir;
    std::vector<std::string> feeds;
    unsigned jobs = 1;
    bool verbose = false;
    ThreadStarter startThread = tool::startThread;
    // Wildcards that matched no file (Windows, where the tool expands them): each fails as a
    // feed that cannot be opened would.
    std::vector<std::string> unmatched = {};
};

// Converts every feed into outputDir/<name>.rec (the directory is created when missing), on
// options.jobs threads, with a progress bar while stderr is a terminal. A feed whose record file
// would be the feed itself is skipped with a warning. Each feed that fails is named with its
// reason, and then the run fails; the others are converted all the same. Ends with one line on
// stderr: feeds, records, failures.
ExitStatus convertBatch(const BatchOptions& options);

// The bar for done out of total, in at most `columns` columns: "[#####.....] 3/10 feeds".
std::string progressLine(std::size_t done, std::size_t total, std::size_t columns);

class ProgressBar {
  public:
    // A bar that draws on stream when enabled, and does nothing otherwise.
    ProgressBar(std::FILE* stream, std::size_t total, std::size_t columns, bool enabled);

    void show(std::size_t done);

    // Wipes the bar, so that what comes next starts on a clean line.
    void clear();

  private:
    std::FILE* stream_;
    std::size_t total_, columns_;
    bool enabled_;
};

}  // namespace lorvex::tool
