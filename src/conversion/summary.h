// The description summary: the one piece of plain text that a record's summary field shows,
// picked by a few fixed markers of the description's markup.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "feed_text.h"
#include "finder.h"
#include "record.h"

namespace lorvex {

// The summary's markers. An occurrence counts only when it ends inside the description, so each
// is searched no further than the description's end, and never twice over the same text.
template <class Text>
struct SummaryMarkers {
    explicit SummaryMarkers(Text& text)
        : escapedTag(text, "&lt"),
          alt(text, "alt="),
          style(text, "style="),
          linkEnd(text, "</a>"),
          paragraphEnd(text, "</p>") {}

    Finder<Text> escapedTag, alt, style, linkEnd, paragraphEnd;
};

// The rule that gave a summary, which names the reason when the summary is empty.
enum class SummaryRule {
    plainText,   // no "&lt" and no "alt=": the description itself
    leadText,    // the text before the first "&lt"
    altText,     // the alt value in front of "style="
    linkText,    // the alt value is empty: the text between "</a>" and the next "</p>"
    noStyle,     // "alt=" without "style=" behind it: empty
    noLinkText,  // the alt value is empty and no "</a>" ... "</p>" follows: empty
};

struct Summary {
    std::size_t length;
    SummaryRule rule;
};

// Writes the summary of the description text[begin, end) to out and returns its length and
// rule. Only the summaryWidth characters that the summary field can show are produced. found,
// when given, holds its first "&lt" and "alt=", found with its end; else they are searched here.
template <class Text>
Summary summarize(const Text& text, Position begin, Position end, SummaryMarkers<Text>& markers,
                  char16_t* out, const DescriptionEnd* found = nullptr) {
    // Escaped markup: the lead text before the first "&lt".
    Position escaped = found ? found->escapedTag : markers.escapedTag.find(begin, end);
    if (escaped != notFound) {
        return {text.cut(begin, escaped, out, summaryWidth), SummaryRule::leadText};
    }

    Position alt = found ? found->alt : markers.alt.find(begin, end);
    if (alt == notFound) return {text.cut(begin, end, out, summaryWidth), SummaryRule::plainText};

    // Alt text: from one character behind "alt=" (the opening quote) up to two characters
    // before the next "style=" (the closing quote and a space). The arithmetic counts 16-bit
    // characters, so the piece from "alt=" on is widened first: 1 + summaryWidth + 2 characters
    // are enough to fill the field, and a shorter piece gives the value's exact length.
    Position valueStart = alt + markers.alt.size();
    Position style = markers.style.find(valueStart + 1, end);
    if (style == notFound) return {0, SummaryRule::noStyle};
    constexpr std::size_t window = 1 + summaryWidth + 2;
    char16_t piece[window];
    std::size_t pieceLength = text.cut(valueStart, style, piece, window);
    if (pieceLength > 3) {
        std::size_t valueLength = std::min(pieceLength - 3, summaryWidth);
        std::copy_n(piece + 1, valueLength, out);
        return {valueLength, SummaryRule::altText};
    }

    // An empty alt value (or "style=" too close to tell one): the text of the first link, from
    // the first "</a>" of the description to the next "</p>".
    Position linkEnd = markers.linkEnd.find(begin, end);
    if (linkEnd == notFound) return {0, SummaryRule::noLinkText};
    Position textStart = linkEnd + markers.linkEnd.size();
    Position paragraphEnd = markers.paragraphEnd.find(textStart, end);
    if (paragraphEnd == notFound) return {0, SummaryRule::noLinkText};
    return {text.cut(textStart, paragraphEnd, out, summaryWidth), SummaryRule::linkText};
}

}  // namespace lorvex
