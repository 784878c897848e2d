// The item scanner: the walk over a feed's text that finds each item's title, description and
// publication date, and turns the item into a fitted record.
#pragma once

#include <cstddef>
#include <utility>

#include "feed_text.h"
#include "finder.h"
#include "record.h"
#include "summary.h"

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
    Position position;  // of "<item>", in the text's own units
    const Record& record;
    std::size_t titleLength;  // the title text's length before fitting (up to titleWidth)
    std::size_t summaryLength;
    Verdict verdict;
};

// The tags of an item, each searched forward from a start that never moves back (see Finder).
template <class Text>
struct ItemTags {
    explicit ItemTags(Text& text)
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
// not; visit returns false to stop the walk. The first tag search that finds nothing (the text
// ended, or could not be read) ends it. Each item's record is fitted into *slot, which visit may
// point elsewhere for the next item (the record writer has each record fitted straight into its
// output buffer).
//
// Each search starts where the item's rules say: "<item>" one character past the scan position
// (so an item at the text's first character is never found), the title's end and the description
// one character into the title text, the publication date one character into the description
// text. Those starts are kept exactly, odd results included: they decide which items a feed
// yields. Once an item's title is found, everything the item's rules still cut or search lies
// behind the title text's start, so the text is pinned there until the item is done; before
// that, the searches keep no text behind them.
template <class Text, class Visit>
WalkEnd walkFeed(Text& text, Record*& slot, Visit&& visit) {
    ItemTags<Text> tags(text);
    SummaryMarkers<Text> markers(text);
    Position position = text.start();
    for (;;) {
        text.unpin();
        Position item = tags.item.find(position + 1);
        if (item == notFound) return WalkEnd::noItem;
        Position title = tags.title.find(item + 2);
        if (title == notFound) return WalkEnd::noTitle;
        Position titleText = title + tags.title.size();
        text.pin(titleText);
        Position titleEnd = tags.titleEnd.find(titleText + 1);
        if (titleEnd == notFound) return WalkEnd::noTitleEnd;
        Position description = tags.description.find(titleText + 1);
        if (description == notFound) return WalkEnd::noDescription;
        Position descriptionText = description + tags.description.size();
        Position descriptionEnd = tags.descriptionEnd.find(descriptionText);
        if (descriptionEnd == notFound) return WalkEnd::noDescriptionEnd;
        Position pubDate = tags.pubDate.find(descriptionText + 1);
        if (pubDate == notFound) return WalkEnd::noPubDate;
        Position dateText = pubDate + tags.pubDate.size();
        position = dateText;
        Position dateEnd = tags.pubDateEnd.find(dateText + 1);
        if (dateEnd == notFound) return WalkEnd::noPubDateEnd;

        Record& record = *slot;
        char16_t* titleField = record.units.data();
        char16_t* dateField = titleField + titleWidth;
        char16_t* summaryField = dateField + dateWidth;
        std::size_t titleLength = text.cut(titleText, titleEnd, titleField, titleWidth);
        padField(titleField, titleLength, titleWidth);
        std::size_t dateLength = text.cut(dateText, dateEnd, dateField, dateWidth);
        padField(dateField, dateLength, dateWidth);
        std::size_t summaryLength =
            summarize(text, descriptionText, descriptionEnd, markers, summaryField);
        padField(summaryField, summaryLength, summaryWidth);

        ScannedItem scanned{item, record, titleLength, summaryLength,
                            judge(record, titleLength, summaryLength)};
        if (!visit(scanned)) return WalkEnd::stopped;
    }
}

// Walks a feed's text in whichever form it holds. Everything that walks a feed (the conversion,
// and the tool's account of it) goes through here, so that none of them can walk it differently.
template <class Visit>
WalkEnd walkFeedText(FeedText& feed, Record*& slot, Visit&& visit) {
    return feed.visit([&](auto& text) { return walkFeed(text, slot, visit); });
}

// walkFeedText with one record of its own, for a visitor that only reads the records.
template <class Visit>
WalkEnd walkFeedText(FeedText& feed, Visit&& visit) {
    Record record;
    Record* slot = &record;
    return walkFeedText(feed, slot, std::forward<Visit>(visit));
}

}  // namespace lorvex
