// Feeds made up for benchmarks: ordinary ones and the shapes that make a naive scan quadratic.
#pragma once

#include <cstddef>
#include <string>

namespace lorvex::bench {

enum class Shape {
    ordinary,            // items of about 1 KB
    noDescriptionEnd,    // "</description>" only in the last item
    noTitleEnd,          // "</title>" only in the last item
    altWithoutStyle,     // descriptions full of "alt=" and no "style="
    hugeDescription,     // one item whose description is the whole feed
    tinyItems,           // the smallest items that still make records
};

// A feed of about size bytes in the given shape, the same for the same arguments.
std::string makeFeed(Shape shape, std::size_t size);

}  // namespace lorvex::bench
