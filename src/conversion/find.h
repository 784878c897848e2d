// Forward search for one ASCII literal in a text of 8-bit or 16-bit units.
#pragma once

#include <cstddef>
#include <string_view>

#include "byte_search.h"

namespace lorvex {

inline constexpr std::size_t notFound = std::string_view::npos;

// The index of the first occurrence of literal (never empty) in text at or after from, or
// notFound.
inline std::size_t findLiteral(std::string_view text, std::string_view literal, std::size_t from) {
    return findBytes(text, literal, from);
}

inline std::size_t findLiteral(std::u16string_view text, std::string_view literal,
                               std::size_t from) {
    if (from > text.size() || text.size() - from < literal.size()) return notFound;
    const char16_t first = static_cast<unsigned char>(literal[0]);
    const std::size_t last = text.size() - literal.size();
    for (std::size_t i = from; i <= last; ++i) {
        if (text[i] != first) continue;
        std::size_t k = 1;
        while (k < literal.size() && text[i + k] == static_cast<unsigned char>(literal[k]))
            ++k;
        if (k == literal.size()) return i;
    }
    return notFound;
}

// `find` for one literal over one text, remembering its last answer. The walk over a feed asks
// each literal from start indices that never move backwards, so a start that falls at or before
// the last occurrence found is answered from memory, and the text between two occurrences is
// searched once. That keeps every walk linear, however the tags are (or are not) placed.
template <class Text>
class Finder {
  public:
    Finder(Text text, std::string_view literal) : text_(text), literal_(literal) {}

    std::size_t find(std::size_t from) {
        bool remembered = searched_ && from >= lastFrom_ && (hit_ == notFound || from <= hit_);
        if (!remembered) {
            searched_ = true;
            lastFrom_ = from;
            hit_ = findLiteral(text_, literal_, from);
        }
        return hit_;
    }

    std::size_t size() const { return literal_.size(); }

  private:
    Text text_;
    std::string_view literal_;
    bool searched_ = false;
    std::size_t lastFrom_ = 0;
    std::size_t hit_ = notFound;
};

}  // namespace lorvex
