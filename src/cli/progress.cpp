#include "progress.h"

#include <algorithm>

namespace lorvex::cli {

std::string progressLine(std::size_t done, std::size_t total, std::size_t columns) {
    std::string count = " " + std::to_string(done) + "/" + std::to_string(total) + " feeds";
    std::size_t bar =
        std::min<std::size_t>(columns > count.size() + 3 ? columns - count.size() - 3 : 0, 40);
    std::size_t filled = total == 0 ? bar : bar * done / total;
    return "[" + std::string(filled, '#') + std::string(bar - filled, '.') + "]" + count;
}

ProgressBar::ProgressBar(std::FILE* stream, std::size_t total, std::size_t columns, bool enabled)
    : stream_(stream), total_(total), columns_(columns), enabled_(enabled) {
    show(0);
}

void ProgressBar::show(std::size_t done) {
    if (!enabled_) return;
    std::fputs(("\r" + progressLine(done, total_, columns_)).c_str(), stream_);
    std::fflush(stream_);
}

void ProgressBar::clear() {
    if (!enabled_) return;
    // Spaces over the bar rather than an erase sequence, which not every console knows.
    std::string blank = progressLine(total_, total_, columns_);
    std::fputs(("\r" + std::string(blank.size(), ' ') + "\r").c_str(), stream_);
    std::fflush(stream_);
}

}  // namespace lorvex::cli
