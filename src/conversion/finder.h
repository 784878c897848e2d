// The searches of one literal over a feed's text, remembering their last answer. The walk asks
// each literal from start positions that never move backwards, so a start at or before the last
// occurrence found is answered from memory, and text searched in vain is not searched again.
// That keeps every walk linear, however the tags and markers are (or are not) placed.
#pragma once

#include <algorithm>
#include <string_view>

#include "window.h"

namespace lorvex {

template <class Text>
class Finder {
  public:
    Finder(Text& text, std::string_view literal) : text_(text), literal_(literal) {}

    // The first occurrence at or after from, searched as far ahead as it takes (a tag); or, given
    // an end (a marker, asked about one description), the first that ends at or before it.
    Position find(Position from, Position end = notFound) {
        Position start = from;
        if (searched_ && from >= lastFrom_) {
            if (hit_ != notFound && from <= hit_) return fits(hit_, end) ? hit_ : notFound;
            if (hit_ == notFound && from < clearUntil_) start = clearUntil_;
        }
        if (start == notFound) return notFound;  // the text ended without one
        Position at = end == notFound    ? text_.find(literal_, start)
                      : fits(start, end) ? text_.findBefore(literal_, start, end)
                                         : notFound;
        searched_ = true;
        lastFrom_ = from;
        hit_ = at;
        // No occurrence starts in [from, clearUntil_): up to the end of the text, or of the
        // stretch that was searched.
        if (at == notFound) {
            clearUntil_ =
                end == notFound ? notFound : std::max(start, fits(0, end) ? end - size() + 1 : 0);
        }
        return at;
    }

    Position size() const { return literal_.size(); }

  private:
    bool fits(Position at, Position end) const { return end == notFound || at + size() <= end; }

    Text& text_;
    std::string_view literal_;
    bool searched_ = false;
    Position lastFrom_ = 0;
    Position hit_ = notFound;  // the first occurrence at or after lastFrom_, if one was found
    Position clearUntil_ = 0;  // else: none starts in [lastFrom_, clearUntil_)
};

}  // namespace lorvex
