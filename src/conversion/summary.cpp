#include "summary.h"

namespace lorvex {

std::u16string summarize(std::u16string_view description) {
    SummaryMarkers<std::u16string_view> markers(description);
    char16_t summary[summaryWidth];
    std::size_t length = summarize(description, 0, description.size(), markers, summary);
    return {summary, length};
}

}  // namespace lorvex
