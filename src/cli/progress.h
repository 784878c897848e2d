// A progress bar on one terminal line, drawn over itself.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace lorvex::cli {

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

}  // namespace lorvex::cli
