// lorvex convert: one feed into one record file, or many feeds into a directory at once.
#pragma once

#include <string>
#include <vector>

#include "report.h"

namespace lorvex::cli {

// Converts input into output and says how many records it wrote.
ExitStatus convertOne(const std::string& input, const std::string& output);

struct BatchOptions {
    std::string outputDir;
    std::vector<std::string> feeds;
    unsigned jobs = 1;
};

// Converts every feed into outputDir/<name>.rec (the directory is created when missing), on
// options.jobs threads, with a progress bar when stdout is a terminal. Each feed that fails is
// named with its reason, and then the run fails; the others are converted all the same. Ends
// with one line: feeds, records, failures.
ExitStatus convertBatch(const BatchOptions& options);

// The record file name for a feed: its file name with the last extension, if any, replaced by
// ".rec" ("feeds/news.xml" gives "news.rec", "notes" gives "notes.rec").
std::string recordFileName(const std::string& feed);

}  // namespace lorvex::cli
