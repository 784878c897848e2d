// lorvex convert: one feed into one record file, or many feeds into a directory at once.
#pragma once

#include <string>
#include <vector>

#include "parallel.h"
#include "report.h"

namespace lorvex::cli {

// Converts input into output ("-" for standard input or output). Says nothing on success unless
// verbose, when it tells how many records it wrote.
ExitStatus convertOne(const std::string& input, const std::string& output, bool verbose);

struct BatchOptions {
    std::string outputDir;
    std::vector<std::string> feeds;
    unsigned jobs = 1;
    bool verbose = false;
    ThreadStarter startThread = cli::startThread;
};

// Converts every feed into outputDir/<name>.rec (the directory is created when missing), on
// options.jobs threads, with a progress bar while stderr is a terminal. A feed whose record file
// would be the feed itself is skipped with a warning. Each feed that fails is named with its
// reason, and then the run fails; the others are converted all the same. Ends with one line on
// stderr: feeds, records, failures.
ExitStatus convertBatch(const BatchOptions& options);

// The record file name for a feed: its file name with the last extension, if any, replaced by
// ".rec" ("feeds/news.xml" gives "news.rec", "notes" gives "notes.rec").
std::string recordFileName(const std::string& feed);

}  // namespace lorvex::cli
