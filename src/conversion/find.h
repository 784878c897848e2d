// Forward search for one ASCII literal in a text of 8-bit or 16-bit units.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lorvex {

inline constexpr std::size_t notFound = std::string_view::npos;

// The index of the first occurrence of literal (not empty) in text at or after from, or notFound.
inline std::size_t findLiteral(std::string_view text, std::string_view literal, std::size_t from) {
    if (from > text.size() || text.size() - from < literal.size()) return notFound;
#if defined(__SSE2__)
    // Sixteen starts at a time: a start is a candidate when both the literal's first and its
    // last character are in place, which few places in a feed are. Candidates are compared whole.
    const char* base = text.data();
    const std::size_t size = literal.size();
    const std::size_t lastStart = text.size() - size;
    const __m128i first = _mm_set1_epi8(literal.front());
    const __m128i last = _mm_set1_epi8(literal.back());
    std::size_t i = from;
    for (; i + 15 <= lastStart; i += 16) {
        __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + size - 1));
        auto candidates = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, last))));
        for (; candidates != 0; candidates &= candidates - 1) {
            std::size_t start = i + static_cast<std::size_t>(std::countr_zero(candidates));
            if (std::memcmp(base + start, literal.data(), size) == 0) return start;
        }
    }
    return text.find(literal, i);
#else
    return text.find(literal, from);
#endif
}

inline std::size_t findLiteral(std::u16string_view text, std::string_view literal,
                               std::size_t from) {
    if (literal.empty() || from > text.size() || text.size() - from < literal.size()) {
        return literal.empty() && from <= text.size() ? from : notFound;
    }
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
