// The item scanner: the walk over a feed text that finds each item's title, description and
// publication date, and turns the item into a fitted record.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

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
    const Record& record;
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
// Each item's record is fitted into *slot, which visit may point elsewhere for the next item
// (the record writer has each record fitted straight into its output buffer).
//
// Each search starts where the item's rules say: "<item>" one character past the scan position
// (so an item at index 0 is never found), the title's end and the description one character
// into the title text, the publication date one character into the description text. Those
// starts are kept exactly, odd results included: they decide which items a feed yields.
template <class Text, class Visit>
WalkEnd walkFeed(Text text, Record*& slot, Visit&& visit) {
    ItemTags<Text> tags(text);
    SummaryMarkers<Text> markers(text);
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

        Record& record = *slot;
        char16_t* titleField = record.units.data();
        char16_t* dateField = titleField + titleWidth;
        char16_t* summaryField = dateField + dateWidth;
        std::size_t titleLength = cutUnits(text, titleText, titleEnd, titleField, titleWidth);
        padField(titleField, titleLength, titleWidth);
        std::size_t dateLength = cutUnits(text, dateText, dateEnd, dateField, dateWidth);
        padField(dateField, dateLength, dateWidth);
        std::size_t summaryLength =
            summarize(text, descriptionText, descriptionEnd, markers, summaryField);
        padField(summaryField, summaryLength, summaryWidth);

        ScannedItem scanned{item, record, titleLength, summaryLength,
                            judge(record, titleLength, summaryLength)};
        if (!visit(scanned)) return WalkEnd::stopped;
    }
}

// Walks a decoded feed in whichever form it holds. Everything that walks a feed (the conversion,
// and the tool's account of it) goes through here, so that none of them can walk it differently.
template <class Visit>
WalkEnd walkFeedText(const FeedText& text, Record*& slot, Visit&& visit) {
    if (text.isUtf8) return walkFeed(text.utf8, slot, std::forward<Visit>(visit));
    return walkFeed(std::u16string_view(text.utf16), slot, std::forward<Visit>(visit));
}

// walkFeedText with one record of its own, for a visitor that only reads the records.
template <class Visit>
WalkEnd walkFeedText(const FeedText& text, Visit&& visit) {
    Record record;
    Record* slot = &record;
    return walkFeedText(text, slot, std::forward<Visit>(visit));
}

}  // namespace lorvex
