// Forward searches of a feed's text in 8-bit or 16-bit units, as fast as the processor allows:
// for an ASCII literal (a tag or a marker), and for the next of the tags that bound an item.
#pragma once

#include <cstddef>
#include <string_view>

#include "isa.h"

namespace lorvex {

// The index of the first occurrence of literal (never empty, at most 32 characters) in text at
// or after from, or npos. Every isa finds the same; the default is the fastest.
std::size_t findLiteral(std::string_view text, std::string_view literal, std::size_t from,
                        platform::Isa isa = platform::bestIsa());
std::size_t findLiteral(std::u16string_view text, std::string_view literal, std::size_t from,
                        platform::Isa isa = platform::bestIsa());

// The tags that bound an item and its elements; other only where none was found.
enum class Tag : unsigned char {
    other,
    item,
    itemEnd,
    title,
    titleEnd,
    description,
    descriptionEnd,
    pubDate,
    pubDateEnd,
};

// The longest of them, "</description>": a '<' is told apart once this many units from it are read.
inline constexpr std::size_t longestTag = 14;

struct FoundTag {
    std::size_t position;  // npos when there is none
    Tag tag;
};

// The first of the tags that begins at or after from and no later than longestTag units before
// the text's end, so that each is told apart whole.
FoundTag findTag(std::string_view text, std::size_t from, platform::Isa isa = platform::bestIsa());
FoundTag findTag(std::u16string_view text, std::size_t from,
                 platform::Isa isa = platform::bestIsa());

// The first of the summary's markers in a description, as indexes in the text searched; npos for
// one not (yet) found. alt counts only before escapedTag: "&lt" takes precedence.
struct DescriptionMarkers {
    std::size_t escapedTag = std::string_view::npos;  // "&lt"
    std::size_t alt = std::string_view::npos;         // "alt="
};

// The first "</description>" in text at or after from, or npos; text is a description's text
// from its start. The same pass notes in found the first "&lt" before that end, and the first
// "alt=" before both, unless found holds them already: a text read in pieces is searched again
// from where this pass stopped telling, its last longestTag - 1 units, with found kept.
std::size_t findDescriptionEnd(std::string_view text, std::size_t from, DescriptionMarkers& found,
                               platform::Isa isa = platform::bestIsa());
std::size_t findDescriptionEnd(std::u16string_view text, std::size_t from,
                               DescriptionMarkers& found, platform::Isa isa = platform::bestIsa());

}  // namespace lorvex
