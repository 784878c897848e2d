#include "progress.h"

#include <algorithm>

namespace lorvex::cli {

std::string progressLine(std::size_t done, std::size_t total, std::size_t columns) {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on " " + std::to_string(...) at -O3.
    std::string count(" ");
    count.append(std::to_string(done)).append("/").append(std::to_string(total)).append(" feeds");
    std::size_t bar =
        std::min<std::size_t>(columns > count.size() + 3 ? columns - count.size() - 3 : 0, 40);
    std::size_t filled = total == 0 ? bar : bar * done / total;
    std::string line("[");
    line.append(filled, '#').append(bar - filled, '.').append("]").append(count);
    return line;
}

ProgressBar::ProgressBar(std::FILE* stream, std::size_t total, std::size_t columns, bool enabled)
    : stream_(stream), total_(total), columns_(columns), enabled_(enabled) {
    show(0);
}

void ProgressBar::show(std::size_t done) {
    if (!enabled_) return;
    std::fputc('\r', stream_);
    std::fputs(progressLine(done, total_, columns_).c_str(), stream_);
    std::fflush(stream_);
}

void ProgressBar::clear() {
    if (!enabled_) return;
    // Spaces over the bar rather than an erase sequence, which not every console knows.
    std::string blank = progressLine(total_, total_, columns_);
    std::fputc('\r', stream_);
    std::fputs(std::string(blank.size(), ' ').c_str(), stream_);
    std::fputc('\r', stream_);
    std::fflush(stream_);
}

}  // namespace lorvex::cli
