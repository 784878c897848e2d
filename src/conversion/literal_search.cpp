#include "literal_search.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "vector.h"

namespace lorvex {

namespace {

constexpr std::size_t npos = std::string_view::npos;

namespace scalar {

template <class Unit>
bool matchesAt(const Unit* text, std::string_view literal) {
    for (std::size_t k = 0; k < literal.size(); ++k) {
        if (text[k] != static_cast<unsigned char>(literal[k])) return false;
    }
    return true;
}

// The words of n bytes at a and at b are equal.
template <std::size_t n>
bool sameWord(const char* a, const char* b) {
    std::array<char, n> x, y;
    std::memcpy(x.data(), a, n);
    std::memcpy(y.data(), b, n);
    return x == y;
}

// Bytes compare eight at a time, the last eight overlapping those before when the literal's
// length is no multiple of eight; a literal shorter than eight in two overlapping halves.
template <>
[[gnu::always_inline]] inline bool matchesAt(const char* text, std::string_view literal) {
    const char* wanted = literal.data();
    const std::size_t size = literal.size();
    if (size < 4)
        return text[0] == wanted[0] && text[size - 1] == wanted[size - 1] &&
               text[size / 2] == wanted[size / 2];
    if (size < 8)
        return sameWord<4>(text, wanted) && sameWord<4>(text + size - 4, wanted + size - 4);
    for (std::size_t k = 0; k + 8 < size; k += 8) {
        if (!sameWord<8>(text + k, wanted + k)) return false;
    }
    return sameWord<8>(text + size - 8, wanted + size - 8);
}

// Out of line, as every kernel is, so that the choice among them saves no registers.
template <class Unit>
[[gnu::noinline]] std::size_t findLiteral(std::basic_string_view<Unit> text,
                                          std::string_view literal, std::size_t from) {
    if constexpr (sizeof(Unit) == 1) {
        // Bytes: the C library's memchr and memcmp, where no vector kernel of ours runs
        if (text.size() - from >= 32 + literal.size()) return text.find(literal, from);
    }
    const auto first = static_cast<Unit>(static_cast<unsigned char>(literal.front()));
    for (std::size_t i = from; i + literal.size() <= text.size(); ++i) {
        if (text[i] == first && matchesAt(text.data() + i, literal)) return i;
    }
    return npos;
}

// The tag that the '<' at text begins; the longestTag units from it are in the text.
template <class Unit>
[[gnu::always_inline]] inline Tag tagAt(const Unit* text) {
    auto is = [text](std::string_view literal, Tag tag) {
        return matchesAt(text, literal) ? tag : Tag::other;
    };
    switch (text[1]) {
        case 'i':
            return is("<item>", Tag::item);
        case 't':
            return is("<title>", Tag::title);
        case 'd':
            return is("<description>", Tag::description);
        case 'p':
            return is("<pubDate>", Tag::pubDate);
        case '/':
            switch (text[2]) {
                case 'i':
                    return is("</item>", Tag::itemEnd);
                case 't':
                    return is("</title>", Tag::titleEnd);
                case 'd':
                    return is("</description>", Tag::descriptionEnd);
                case 'p':
                    return is("</pubDate>", Tag::pubDateEnd);
                default:
                    return Tag::other;
            }
        default:
            return Tag::other;
    }
}

template <class Unit>
[[gnu::noinline]] FoundTag findTag(std::basic_string_view<Unit> text, std::size_t from) {
    for (std::size_t i = from; i + longestTag <= text.size(); ++i) {
        if (text[i] != '<') continue;
        Tag tag = tagAt(text.data() + i);
        if (tag != Tag::other) return {i, tag};
    }
    return {npos, Tag::other};
}

constexpr std::string_view descriptionEndTag = "</description>";
static_assert(descriptionEndTag.size() == longestTag);

// Notes the marker that begins at text[at], if any, in found, whose "&lt" is not yet found. Both
// markers have "lt" after their first unit. Four units from text[at] are in the text.
template <class Unit>
[[gnu::always_inline]] inline void noteMarker(const Unit* text, std::size_t at,
                                              DescriptionMarkers& found) {
    if (text[at + 1] != 'l' || text[at + 2] != 't') return;
    if (text[at] == '&') {
        found.escapedTag = at;
    } else if (text[at] == 'a' && text[at + 3] == '=' && found.alt == npos) {
        found.alt = at;
    }
}

template <class Unit>
[[gnu::noinline]] std::size_t findDescriptionEnd(std::basic_string_view<Unit> text,
                                                 std::size_t from, DescriptionMarkers& found) {
    for (std::size_t i = from; i + descriptionEndTag.size() <= text.size(); ++i) {
        if (text[i] == '<' && matchesAt(text.data() + i, descriptionEndTag)) return i;
        if (found.escapedTag == npos) noteMarker(text.data(), i, found);
    }
    return npos;
}

}  // namespace scalar

using platform::Isa;
namespace vec = platform::vec;

#define LORVEX_KERNEL_FILE "literal_kernel.h"
#include "each_isa.h"

template <class Unit>
std::size_t findIn(std::basic_string_view<Unit> text, std::string_view literal, std::size_t from,
                   Isa isa) {
    if (from > text.size() || text.size() - from < literal.size()) return npos;
    // A search with few starts (the distance between two neighbouring tags of an item, say)
    // costs less unit by unit than setting vectors up for it; and a wide vector's worth of them
    // less in a narrow one.
    std::size_t starts = text.size() - from - literal.size() + 1;
    if (starts <= 16) return scalar::findLiteral(text, literal, from);
    switch (isa) {
#if defined(LORVEX_HAVE_AVX512)
        case Isa::avx512:
            // Bytes only: the one search of 16-bit units in a UTF-8 feed's walk, for "CDATA" in
            // a title of 100 units, measured slower in 32 units at a time than in 16.
            if constexpr (sizeof(Unit) == 1) {
                if (starts >= 64) return avx512::findLiteral(text, literal, from);
            }
            [[fallthrough]];
#endif
#if defined(LORVEX_HAVE_AVX2)
        case Isa::avx2:
            if (starts >= 32) return avx2::findLiteral(text, literal, from);
            return sse2::findLiteral(text, literal, from);
#endif
#if defined(LORVEX_HAVE_SSE2)
        case Isa::sse2:
            return sse2::findLiteral(text, literal, from);
#endif
#if defined(LORVEX_HAVE_NEON)
        case Isa::neon:
            return neon::findLiteral(text, literal, from);
#endif
        default:
            return scalar::findLiteral(text, literal, from);
    }
}

template <class Unit>
FoundTag findTagIn(std::basic_string_view<Unit> text, std::size_t from, Isa isa) {
    switch (isa) {
#if defined(LORVEX_HAVE_AVX2)
        // Tags lie a few dozen units apart, and the tag pass measured no faster 64 bytes at a time.
        case Isa::avx512:
        case Isa::avx2:
            return avx2::findTag(text, from);
#endif
#if defined(LORVEX_HAVE_SSE2)
        case Isa::sse2:
            return sse2::findTag(text, from);
#endif
#if defined(LORVEX_HAVE_NEON)
        case Isa::neon:
            return neon::findTag(text, from);
#endif
        default:
            return scalar::findTag(text, from);
    }
}

template <class Unit>
std::size_t findDescriptionEndIn(std::basic_string_view<Unit> text, std::size_t from,
                                 DescriptionMarkers& found, Isa isa) {
    if (from > text.size()) return npos;
    switch (isa) {
#if defined(LORVEX_HAVE_AVX512)
        case Isa::avx512:
            // Bytes only, as for findLiteral.
            if constexpr (sizeof(Unit) == 1) return avx512::findDescriptionEnd(text, from, found);
            [[fallthrough]];
#endif
#if defined(LORVEX_HAVE_AVX2)
        case Isa::avx2:
            return avx2::findDescriptionEnd(text, from, found);
#endif
#if defined(LORVEX_HAVE_SSE2)
        case Isa::sse2:
            return sse2::findDescriptionEnd(text, from, found);
#endif
#if defined(LORVEX_HAVE_NEON)
        case Isa::neon:
            return neon::findDescriptionEnd(text, from, found);
#endif
        default:
            return scalar::findDescriptionEnd(text, from, found);
    }
}

}  // namespace

std::size_t findDescriptionEnd(std::string_view text, std::size_t from, DescriptionMarkers& found,
                               Isa isa) {
    return findDescriptionEndIn(text, from, found, isa);
}

std::size_t findDescriptionEnd(std::u16string_view text, std::size_t from,
                               DescriptionMarkers& found, Isa isa) {
    return findDescriptionEndIn(text, from, found, isa);
}

FoundTag findTag(std::string_view text, std::size_t from, Isa isa) {
    return findTagIn(text, from, isa);
}

FoundTag findTag(std::u16string_view text, std::size_t from, Isa isa) {
    return findTagIn(text, from, isa);
}

std::size_t findLiteral(std::string_view text, std::string_view literal, std::size_t from,
                        Isa isa) {
    return findIn(text, literal, from, isa);
}

std::size_t findLiteral(std::u16string_view text, std::string_view literal, std::size_t from,
                        Isa isa) {
    return findIn(text, literal, from, isa);
}

}  // namespace lorvex
