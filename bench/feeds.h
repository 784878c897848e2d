// Feeds made up for benchmarks: realistic ones and the shapes that make a naive scan quadratic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lorvex::bench {

// A realistic RSS 2.0 feed of about size bytes: items of about 1 KB with a title, link,
// description, publication date and guid; some titles in CDATA (skipped), descriptions that are
// escaped HTML with lead text, CDATA HTML with an image whose alt value precedes a style
// attribute, or plain text; some non-ASCII text. The same seed gives the same feed.
std::string makeRealisticFeed(std::size_t size, std::uint32_t seed = 1);

// The feed re-encoded (through the system's converter, characters it lacks transliterated or
// dropped) and its declaration relabelled: "UTF-16LE" and "UTF-32LE" get a byte order mark.
// Empty when the system has no converter for the encoding.
std::string transcode(const std::string& utf8Feed, const std::string& encoding);

enum class Shape {
    realistic,
    noDescriptionEnd,  // "</description>" only in the last item
    noTitleEnd,        // "</title>" only in the last item
    altWithoutStyle,   // descriptions full of "alt=" and no "style="
    hugeDescription,   // one item whose description is the whole feed
    oneLine,           // realistic items without a single line end
    wordpressOrder,    // realistic items dated before their description, as WordPress writes
    tinyItems,         // the smallest items that still make records
};

// A feed of about size bytes in the given shape.
std::string makeFeed(Shape shape, std::size_t size);

}  // namespace lorvex::bench
