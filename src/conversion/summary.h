// The description summary: the one piece of plain text that a record's summary field shows,
// picked by a few fixed markers of the description's markup.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "find.h"
#include "record.h"
#include "text.h"

namespace lorvex {

// The summary's markers, each searched over the whole feed text. A description is a range of
// that text, and an occurrence counts only when it ends inside the range. Since descriptions
// only move forward, each marker is searched through the feed at most once.
template <class Text>
struct SummaryMarkers {
    explicit SummaryMarkers(Text text)
        : escapedTag(text, "&lt"),
          alt(text, "alt="),
          style(text, "style="),
          linkEnd(text, "</a>"),
          paragraphEnd(text, "</p>") {}

    Finder<Text> escapedTag, alt, style, linkEnd, paragraphEnd;
};

// Writes the summary of the description text[begin, end) to out and returns its length. Only
// the summaryWidth characters that the summary field can show are produced.
template <class Text>
std::size_t summarize(Text text, std::size_t begin, std::size_t end, SummaryMarkers<Text>& markers,
                      char16_t* out) {
    auto findInside = [end](Finder<Text>& finder, std::size_t from) {
        std::size_t at = finder.find(from);
        return at != notFound && at + finder.size() <= end ? at : notFound;
    };

    // Escaped markup: the lead text before the first "&lt".
    std::size_t escaped = findInside(markers.escapedTag, begin);
    if (escaped != notFound) return cutUnits(text, begin, escaped, out, summaryWidth);

    std::size_t alt = findInside(markers.alt, begin);
    if (alt == notFound) return cutUnits(text, begin, end, out, summaryWidth);  // plain text

    // Alt text: from one character behind "alt=" (the opening quote) up to two characters
    // before the next "style=" (the closing quote and a space). The arithmetic counts 16-bit
    // characters, so the piece from "alt=" on is widened first: 1 + summaryWidth + 2 characters
    // are enough to fill the field, and a shorter piece gives the value's exact length.
    std::size_t valueStart = alt + markers.alt.size();
    std::size_t style = findInside(markers.style, valueStart + 1);
    if (style == notFound) return 0;
    constexpr std::size_t window = 1 + summaryWidth + 2;
    char16_t piece[window];
    std::size_t pieceLength = cutUnits(text, valueStart, style, piece, window);
    if (pieceLength > 3) {
        std::size_t valueLength = std::min(pieceLength - 3, summaryWidth);
        std::copy_n(piece + 1, valueLength, out);
        return valueLength;
    }

    // An empty alt value (or "style=" too close to tell one): the text of the first link, from
    // the first "</a>" of the description to the next "</p>".
    std::size_t linkEnd = findInside(markers.linkEnd, begin);
    if (linkEnd == notFound) return 0;
    std::size_t textStart = linkEnd + markers.linkEnd.size();
    std::size_t paragraphEnd = findInside(markers.paragraphEnd, textStart);
    if (paragraphEnd == notFound) return 0;
    return cutUnits(text, textStart, paragraphEnd, out, summaryWidth);
}

// The summary of one description on its own, at most summaryWidth characters.
std::u16string summarize(std::u16string_view description);

}  // namespace lorvex
