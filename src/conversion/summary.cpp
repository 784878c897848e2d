#include "summary.h"

#include "feed_text.h"

namespace lorvex {

std::u16string summarize(std::u16string_view description) {
    MemorySource<char16_t> source(description);
    Window<char16_t> window(source, description.size());
    window.readUntil(description.size());
    UnitText text(window);
    SummaryMarkers<UnitText> markers(text);
    char16_t summary[summaryWidth];
    return {summary, summarize(text, 0, description.size(), markers, summary).length};
}

}  // namespace lorvex
