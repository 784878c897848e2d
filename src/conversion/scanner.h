// The item scanner: the walk over a feed's text that finds each item, bounds it by its own tags,
// finds its title, description and publication date inside those bounds, and turns the item into
// a fitted record.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <utility>

#include "feed_text.h"
#include "finder.h"
#include "record.h"
#include "summary.h"

namespace lorvex {

// The element an item lacks, when it lacks one, so that it gets no record.
enum class Lack {
    nothing,
    title,
    titleEnd,
    description,
    descriptionEnd,
    pubDate,
    pubDateEnd,
};

struct ScannedItem {
    Position position;  // of "<item>", in the text's own units
    Position end;       // where the item ends: its "</item>", the next "<item>", or the text's end
    Lack lack;
    const Record& record;     // fitted, when the item lacks nothing
    std::size_t titleLength;  // the title text's length before fitting (up to titleWidth)
    Summary summary;
    Verdict verdict;  // incomplete when the item lacks an element

    bool accepted() const { return verdict == Verdict::accepted; }
};

// The tags of an item, each searched forward from starts that move back only within one item
// (see Finder).
template <class Text>
struct ItemTags {
    explicit ItemTags(Text& text)
        : item(text, "<item>"),
          itemTail(text, "item>"),
          title(text, "<title>"),
          titleEnd(text, "</title>"),
          description(text, "<description>"),
          descriptionEnd(text, "</description>"),
          pubDate(text, "<pubDate>"),
          pubDateEnd(text, "</pubDate>") {}

    Finder<Text> item, itemTail, title, titleEnd, description, descriptionEnd, pubDate, pubDateEnd;
};

// Where an item ends, and the first "<description>" in it, which the end was found past.
struct ItemBounds {
    Position end;
    Position firstDescription;  // notFound when none was met
};

// The first "<item>" or "</item>" in [from, end), searched through the last five characters
// they share, which are seldom anywhere else; edgeFrom, where that search goes on, moves past
// those that begin another tag. end must have been read.
template <class Text>
Position findItemEdge(const Text& text, ItemTags<Text>& tags, Position from, Position& edgeFrom,
                      Position end) {
    for (;;) {
        Position tail = tags.itemTail.find(edgeFrom, end);
        if (tail == notFound) return notFound;
        if (tail >= from + 1 && text.unitAt(tail - 1) == u'<') return tail - 1;
        if (tail >= from + 2 && text.unitAt(tail - 2) == u'<' && text.unitAt(tail - 1) == u'/') {
            return tail - 2;
        }
        edgeFrom = tail + 1;
    }
}

// The bounds of the item whose "<item>" ends at from. It ends at the first "</item>" or "<item>"
// that lies outside every description element, or at the end of the text: descriptions are
// stepped over whole, so that an RSS snippet quoted in one starts and ends nothing. The text is
// read only as far as the answer. Each stretch is searched once for each: for a description,
// then for an edge no further than it (the description found behind an item's last one is the
// next item's first, which the next item's search is then answered with).
template <class Text>
ItemBounds findItemBounds(Text& text, ItemTags<Text>& tags, Position from) {
    ItemBounds bounds{notFound, notFound};
    Position edgeFrom = from + 1;
    for (;;) {
        Position read = text.end();
        Position description = tags.description.find(from, read);
        Position edge = findItemEdge(text, tags, from, edgeFrom, std::min(description, read));
        if (edge != notFound && edge < description) {
            bounds.end = edge;
            return bounds;
        }
        if (description == notFound) {
            if (text.readMore()) continue;
            bounds.end = text.end();
            return bounds;
        }
        if (bounds.firstDescription == notFound) bounds.firstDescription = description;
        Position descriptionEnd = tags.descriptionEnd.find(description + tags.description.size());
        if (descriptionEnd == notFound) {
            bounds.end = text.end();  // read to its end
            return bounds;
        }
        from = descriptionEnd + tags.descriptionEnd.size();
        edgeFrom = from + 1;
    }
}

// An element's span, from its opening tag to the end of its closing tag.
struct Span {
    Position begin, end;
};

// The first occurrence of finder's literal in [from, end) that starts inside none of the spans
// (which are in the order they begin). The text inside the spans is not searched.
template <class Text, std::size_t count>
Position findOutside(Finder<Text>& finder, Position from, Position end,
                     const std::array<Span, count>& spans) {
    for (const Span& span : spans) {
        if (span.begin > from) {
            Position at = finder.find(from, span.begin);
            if (at != notFound) return at;
        }
        from = std::max(from, span.end);
    }
    return finder.find(from, end);
}

// Fits the record of an item that lacks nothing, its title already cut into it: the padding, the
// date, the summary and the verdict. found: as summarize takes it.
template <class Text>
void fitRest(const Text& text, SummaryMarkers<Text>& markers, Position descriptionText,
             Position descriptionEnd, Position dateText, Position dateEnd, ScannedItem& scanned,
             Record& record, const DescriptionEnd* found = nullptr) {
    char16_t* titleField = record.units.data();
    char16_t* dateField = titleField + titleWidth;
    char16_t* summaryField = dateField + dateWidth;
    padField(titleField, scanned.titleLength, titleWidth);
    padField(dateField, text.cut(dateText, dateEnd, dateField, dateWidth), dateWidth);
    scanned.summary =
        summarize(text, descriptionText, descriptionEnd, markers, summaryField, found);
    padField(summaryField, scanned.summary.length, summaryWidth);
    scanned.verdict = judge(record, scanned.titleLength, scanned.summary.length);
}

// Finds the elements of the item [item, bounds.end) and fits its record into record. Every tag of
// an element, closing tags included, lies wholly inside the item. The title is the first
// "<title>" from item + 2 to the first "</title>" behind it; the description the first
// "<description>" outside the title element, to the first "</description>" behind it; the date
// the first "<pubDate>" outside both, to the first "</pubDate>" behind it.
template <class Text>
ScannedItem scanItem(Text& text, ItemTags<Text>& tags, SummaryMarkers<Text>& markers, Position item,
                     ItemBounds bounds, Record& record) {
    const Position end = bounds.end;
    ScannedItem scanned{
        item, end, Lack::nothing, record, 0, {0, SummaryRule::plainText}, Verdict::incomplete};
    auto lacking = [&scanned](Lack lack) {
        scanned.lack = lack;
        return scanned;
    };

    Position title = tags.title.find(item + 2, end);
    if (title == notFound) return lacking(Lack::title);
    Position titleText = title + tags.title.size();
    Position titleEnd = tags.titleEnd.find(titleText, end);
    if (titleEnd == notFound) return lacking(Lack::titleEnd);
    char16_t* titleField = record.units.data();
    scanned.titleLength = text.cut(titleText, titleEnd, titleField, titleWidth);
    const Span titleElement{title, titleEnd + tags.titleEnd.size()};

    // The first description of the item was met on the way to its end; one inside the title
    // element does not count.
    Position description = bounds.firstDescription;
    if (description != notFound && description >= titleElement.begin &&
        description < titleElement.end) {
        description = tags.description.find(titleElement.end, end);
    }
    if (description == notFound || description + tags.description.size() > end) {
        return lacking(Lack::description);
    }
    Position descriptionText = description + tags.description.size();
    Position descriptionEnd = tags.descriptionEnd.find(descriptionText, end);
    if (descriptionEnd == notFound) return lacking(Lack::descriptionEnd);
    const Span descriptionElement{description, descriptionEnd + tags.descriptionEnd.size()};

    const Position inside = item + tags.item.size();
    Position pubDate =
        title < description
            ? findOutside(tags.pubDate, inside, end, std::array{titleElement, descriptionElement})
            : findOutside(tags.pubDate, inside, end, std::array{descriptionElement, titleElement});
    if (pubDate == notFound) return lacking(Lack::pubDate);
    Position dateText = pubDate + tags.pubDate.size();
    Position dateEnd = tags.pubDateEnd.find(dateText, end);
    if (dateEnd == notFound) return lacking(Lack::pubDateEnd);

    fitRest(text, markers, descriptionText, descriptionEnd, dateText, dateEnd, scanned, record);
    return scanned;
}

// Where an item ends, and where the next begins when that was seen on the way (else notFound).
struct ItemEnd {
    Position end, next;
};

// Where the item ends whose elements were all found before from: at the first "</item>" or
// "<item>" from there that lies outside every description. A short way to it (past a guid, say)
// is passed a tag at a time, in the text already read; a longer one (the markup of a
// content:encoded element) is searched as findItemBounds searches it, a literal at a time. The
// tag after an item's "</item>" is nearly always the next item's "<item>", so it is told too.
template <class Text>
ItemEnd findItemEnd(Text& text, ItemTags<Text>& finders, Position from) {
    constexpr Position shortWay = 256;
    const Position limit = from + shortWay;
    for (;;) {
        auto [at, tag] = text.findTag(from, limit);
        if (at == notFound) break;
        if (tag == Tag::item) return {at, at};
        if (tag == Tag::itemEnd) {
            auto [next, nextTag] = text.findTag(at + 1, limit);
            return {at, nextTag == Tag::item ? next : notFound};
        }
        if (tag == Tag::description) return {findItemBounds(text, finders, at).end, notFound};
        from = at + 1;
    }
    // Every '<' before limit, or before the text read so far stops telling, was told apart.
    from = std::max(from, std::min(limit, text.tagsToldUntil()));
    return {findItemBounds(text, finders, from).end, notFound};
}

// The places of an item's tags when its elements come in the shape that nearly every feed gives
// them (see findPlainItem); the element tags are each the first of their kind in the item.
struct PlainItem {
    ItemEnd itemEnd;
    Position title, titleEnd, description, descriptionEnd, pubDate, pubDateEnd;
    // The description's end and markers when it was stepped over whole; else its end is notFound.
    DescriptionEnd stepped{notFound, notFound, notFound};

    static bool closed(Position open, Position close) { return open < close && close != notFound; }
    bool titleClosed() const { return closed(title, titleEnd); }
    bool titleOpen() const { return title != notFound && !titleClosed(); }
    bool dateOpen() const { return pubDate != notFound && !closed(pubDate, pubDateEnd); }
    bool complete() const {
        return titleClosed() && descriptionEnd != notFound && closed(pubDate, pubDateEnd);
    }
};

// The item whose "<item>" is at item, found with one pass over its tags (see findTag) rather than
// a search for each, when its elements are plain: the title, the description and the date each
// come once, one after another or with the description between the date's tags, before the
// item's end; nothing else lies inside the title element, and no tag of the walk inside the
// description unless the title has ended and the date is not open, as below. For such an item,
// the rules of findItemBounds and scanItem come down to the places this pass finds. Any other
// item gives nothing, and is walked by those rules in full.
//
// A description met once the title element has ended, and while no date element is open, is
// stepped over to its first "</description>" by a search of its text, as findItemBounds does, and
// the same pass notes the summary's markers in it: no tag inside it can change what the rules
// find (an "<item>" or "</item>" there ends nothing, a "<pubDate>" there does not count, and the
// title and the date's end are before it). Once every element is found, only the item's end is
// left, which no later tag of an element changes, and findItemBounds finds it the same way.
template <class Text>
std::optional<PlainItem> findPlainItem(Text& text, ItemTags<Text>& finders, Position item) {
    PlainItem tags{
        {notFound, notFound}, notFound, notFound, notFound, notFound, notFound, notFound};
    auto once = [](Position& place, Position at) {
        if (place != notFound) return false;
        place = at;
        return true;
    };
    bool inDescription = false;
    Position from = item + finders.item.size();
    for (;;) {
        auto [at, tag] = text.findTag(from);
        if (at == notFound) {
            from = std::max(from, text.tagsToldUntil());
            if (!text.readMore()) return std::nullopt;
            continue;
        }
        from = at + 1;
        bool fine = true;
        if (inDescription) {
            fine = tag == Tag::descriptionEnd;
            tags.descriptionEnd = at;
            inDescription = false;
        } else if (tag == Tag::description) {
            fine = once(tags.description, at) && !tags.titleOpen();
            if (fine && tags.titleClosed() && !tags.dateOpen()) {
                tags.stepped = text.findDescriptionEnd(at + finders.description.size());
                tags.descriptionEnd = tags.stepped.end;
                if (tags.descriptionEnd == notFound) return std::nullopt;
                from = tags.descriptionEnd + 1;
            } else {
                inDescription = true;
            }
        } else {
            switch (tag) {
                case Tag::title:
                    fine = once(tags.title, at);
                    break;
                case Tag::titleEnd:
                    fine = once(tags.titleEnd, at);
                    break;
                case Tag::pubDate:
                    fine = once(tags.pubDate, at) && !tags.titleOpen();
                    break;
                case Tag::pubDateEnd:
                    fine = once(tags.pubDateEnd, at);
                    break;
                default:  // the item ends with an element missing, or a stray "</description>"
                    fine = false;
                    break;
            }
        }
        if (!fine) return std::nullopt;
        if (tags.complete()) {
            tags.itemEnd = findItemEnd(text, finders, from);
            return tags;
        }
    }
}

// The record of a plain item.
template <class Text>
ScannedItem fitPlainItem(Text& text, ItemTags<Text>& finders, SummaryMarkers<Text>& markers,
                         Position item, const PlainItem& tags, Record& record) {
    const Position end = tags.itemEnd.end;
    ScannedItem scanned{
        item, end, Lack::nothing, record, 0, {0, SummaryRule::plainText}, Verdict::incomplete};
    scanned.titleLength =
        text.cut(tags.title + finders.title.size(), tags.titleEnd, record.units.data(), titleWidth);
    fitRest(text, markers, tags.description + finders.description.size(), tags.descriptionEnd,
            tags.pubDate + finders.pubDate.size(), tags.pubDateEnd, scanned, record,
            tags.stepped.end != notFound ? &tags.stepped : nullptr);
    return scanned;
}

// Walks every item of text in order and calls visit(const ScannedItem&) for each, whether it gave
// a record, was skipped, or lacked an element; visit returns false to stop the walk, and then so
// does walkFeed. The walk ends when no further "<item>" exists (or the text could not be read).
// Each item's record is fitted into *slot, which visit may point elsewhere for the next item (the
// record writer has each record fitted straight into its output buffer).
//
// An item ends at its "</item>", or where the next item begins (see findItemBounds), and the next
// "<item>" is searched from there; the first is searched from the text's second character, so an
// item at its very first character is not found. The window holds each item whole while it is
// scanned, and nothing behind the search for the next one.
template <class Text, class Visit>
bool walkFeed(Text& text, Record*& slot, Visit&& visit) {
    ItemTags<Text> tags(text);
    SummaryMarkers<Text> markers(text);
    ItemEnd last{text.start() + 1, notFound};  // as if an item ended where the search begins
    for (;;) {
        text.unpin();
        Position item = last.next != notFound ? last.next : tags.item.find(last.end);
        if (item == notFound) return true;
        text.pin(item);
        if (std::optional<PlainItem> plain = findPlainItem(text, tags, item)) {
            if (!visit(fitPlainItem(text, tags, markers, item, *plain, *slot))) return false;
            last = plain->itemEnd;
            continue;
        }
        ItemBounds bounds = findItemBounds(text, tags, item + tags.item.size());
        if (!visit(scanItem(text, tags, markers, item, bounds, *slot))) return false;
        last = {bounds.end, notFound};
    }
}

// Walks a feed's text in whichever form it holds. Everything that walks a feed (the conversion,
// and the tool's account of it) goes through here, so that none of them can walk it differently.
template <class Visit>
bool walkFeedText(FeedText& feed, Record*& slot, Visit&& visit) {
    return feed.visit([&](auto& text) { return walkFeed(text, slot, visit); });
}

// walkFeedText with one record of its own, for a visitor that only reads the records.
template <class Visit>
bool walkFeedText(FeedText& feed, Visit&& visit) {
    Record record;
    Record* slot = &record;
    return walkFeedText(feed, slot, std::forward<Visit>(visit));
}

}  // namespace lorvex
