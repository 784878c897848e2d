// A feed's whole text, and one description's summary, worked out in memory through the
// conversion's own reading: the tests and fuzz targets compare the conversion with plain models
// that take them whole.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "feed_text.h"
#include "summary.h"

namespace lorvex::test {

// The whole text of a feed, decoded as a walk reads it.
inline std::u16string decodeWhole(std::string_view bytes, ReadOptions options = {}) {
    MemorySource<char> source(bytes);
    FeedText feed(source, options);
    return feed.visit([](auto& text) {
        text.pin(text.start());
        while (text.readMore()) {
        }
        std::u16string whole(static_cast<std::size_t>(text.end() - text.start()), u'\0');
        whole.resize(text.cut(text.start(), text.end(), whole.data(), whole.size()));
        return whole;
    });
}

// The summary of one description on its own, at most summaryWidth characters.
inline std::u16string summarize(std::u16string_view description) {
    MemorySource<char16_t> source(description);
    Window<char16_t> window(source, description.size());
    window.readUntil(description.size());
    UnitText text(window);
    SummaryMarkers<UnitText> markers(text);
    char16_t summary[summaryWidth];
    return {summary, lorvex::summarize(text, 0, description.size(), markers, summary).length};
}

}  // namespace lorvex::test
