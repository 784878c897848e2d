// lorvex explain: the conversion's walk over a feed, told item by item.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "feed_text.h"
#include "report.h"
#include "scanner.h"

namespace lorvex::tool {

struct WalkTally {
    std::size_t items = 0;
    std::size_t records = 0;
};

// Walks text through the conversion's own walk and calls report for every item found, with the
// number (from 1) of the record it became, or 0 when it was skipped. The records counted are the
// records that converting the same text writes.
WalkTally walkAndTally(FeedText& text,
                       const std::function<void(const ScannedItem&, std::size_t record)>& report);

// Prints one line per item of the feed at path ("-" for standard input) as the walk reaches it:
// where it starts, its title, the record it became or why it was skipped; then the counts.
ExitStatus explainFeed(const std::string& path);

}  // namespace lorvex::tool
