#include "char_width.h"

#include <algorithm>
#include <span>

#include "char_width_data.h"

namespace lorvex::cli {

namespace {

using width_data::Range;

bool within(std::span<const Range> ranges, char32_t c) {
    auto after = std::upper_bound(ranges.begin(), ranges.end(), c,
                                  [](char32_t value, const Range& r) { return value < r.first; });
    return after != ranges.begin() && c <= (after - 1)->last;
}

}  // namespace

std::size_t charColumns(char32_t c) {
    // A shortcut: most text, ASCII above all, comes before either table begins.
    if (c < width_data::zeroWidth[0].first && c < width_data::wide[0].first) return 1;
    if (within(width_data::zeroWidth, c)) return 0;
    if (within(width_data::wide, c)) return 2;
    return 1;
}

}  // namespace lorvex::cli
