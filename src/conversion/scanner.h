// The item scanner: the walk over a feed text that finds each item's title, description and
// publication date, and turns the item into a fitted record.
#pragma once

#include <cstddef>
#include <string_view>

#include "decode.h"
#include "find.h"
#include "record.h"
#include "summary.h"
#include "text.h"

namespace lorvex {

// Why a walk ended: the tag whose search found nothing, or the visitor asked to stop.
enum class WalkEnd {
    noItem,
    noTitle,
    noTitleEnd,
    noDescription,
    noDescriptionEnd,
    noPubDate,
    noPubDateEnd,
    stopped,
};

struct ScannedItem {
    std::size_t position;  // of "<item>", in the text's own units
    Record record;
    std::size_t titleLength;  // the title text's length before fitting (up to titleWidth)
    std::size_t summaryLength;
    Verdict verdict;
};

// The tags of an item, each searched forward from a start that never moves back (see Finder).
template <class Text>
struct ItemTags {
    explicit ItemTags(Text text)
        : item(text, "<item>"),
          title(text, "<title>"),
          titleEnd(text, "</title>"),
          description(text, "<description>"),
          descriptionEnd(text, "</description>"),
          pubDate(text, "<pubDate>"),
          pubDateEnd(text, "</pubDate>") {}

    Finder<Text> item, title, titleEnd, description, descriptionEnd, pubDate, pubDateEnd;
};

// Walks every item of text in order and calls visit(const ScannedItem&) for each, accepted or
// not; visit returns false to stop the walk. The first tag search that finds nothing ends it.
//
// Each search starts where the item's rules say: "<item>" one character past the scan position
// (so an item at index 0 is never found), the title's end and the description one character
// into the title text, the publication date one character into the description text. Those
// starts are kept exactly, odd results included: they decide which items a feed yields.
template <class Text, class Visit>
WalkEnd walkFeed(Text text, Visit&& visit) {
    ItemTags<Text> tags(text);
    SummaryMarkers<Text> markers(text);
    ScannedItem scanned;
    std::size_t position = 0;
    for (;;) {
        std::size_t item = tags.item.find(position + 1);
        if (item == notFound) return WalkEnd::noItem;
        std::size_t title = tags.title.find(item + 2);
        if (title == notFound) return WalkEnd::noTitle;
        std::size_t titleText = title + tags.title.size();
        std::size_t titleEnd = tags.titleEnd.find(titleText + 1);
        if (titleEnd == notFound) return WalkEnd::noTitleEnd;
        std::size_t description = tags.description.find(titleText + 1);
        if (description == notFound) return WalkEnd::noDescription;
        std::size_t descriptionText = description + tags.description.size();
        std::size_t descriptionEnd = tags.descriptionEnd.find(descriptionText);
        if (descriptionEnd == notFound) return WalkEnd::noDescriptionEnd;
        std::size_t pubDate = tags.pubDate.find(descriptionText + 1);
        if (pubDate == notFound) return WalkEnd::noPubDate;
        std::size_t dateText = pubDate + tags.pubDate.size();
        position = dateText;
        std::size_t dateEnd = tags.pubDateEnd.find(dateText + 1);
        if (dateEnd == notFound) return WalkEnd::noPubDateEnd;

        char16_t* fields = scanned.record.units.data();
        char16_t cut[summaryWidth];
        scanned.titleLength = cutUnits(text, titleText, titleEnd, cut, titleWidth);
        fitText({cut, scanned.titleLength}, fields, titleWidth);
        std::size_t dateLength = cutUnits(text, dateText, dateEnd, cut, dateWidth);
        fitText({cut, dateLength}, fields + titleWidth, dateWidth);
        scanned.summaryLength = summarize(text, descriptionText, descriptionEnd, markers, cut);
        fitText({cut, scanned.summaryLength}, fields + titleWidth + dateWidth, summaryWidth);

        scanned.position = item;
        scanned.verdict = judge(scanned.record, scanned.summaryLength);
        if (!visit(static_cast<const ScannedItem&>(scanned))) return WalkEnd::stopped;
    }
}

// Walks a decoded feed in whichever form it holds. Everything that walks a feed (the conversion,
// and the tool's account of it) goes through here, so that none of them can walk it differently.
template <class Visit>
WalkEnd walkFeedText(const FeedText& text, Visit&& visit) {
    if (text.isUtf8) return walkFeed(text.utf8, visit);
    return walkFeed(std::u16string_view(text.utf16), visit);
}

}  // namespace lorvex
