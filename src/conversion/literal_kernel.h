// The literal search and the tag search over a backend V of vector.h, compiled for each backend
// by each_isa.h.
//
// The literal search takes many starts at a time: a start is a candidate when both the literal's
// first and its last unit are in place, which few places in a feed are; candidates are compared
// whole. The loop stops where a vector of tails would reach past the text, and one last vector that
// ends with the text takes the rest (a plain loop, in a text shorter than a vector).

// A vector of the unit c stands for, in every place.
template <class Unit>
typename V::Vector splat(char c) {
    auto unit = static_cast<unsigned char>(c);
    if constexpr (sizeof(Unit) == 1) return V::splat8(unit);
    return V::splat16(unit);
}

// The lanes where the units of a and b are equal.
template <class Unit>
auto equal(typename V::Vector a, typename V::Vector b) {
    if constexpr (sizeof(Unit) == 1) {
        return V::equal8(a, b);
    } else {
        return V::equal16(a, b);
    }
}

// The candidate starts among the vector's worth from at: one mask bit for each.
template <class Unit>
typename V::Mask candidatesAt(const Unit* at, std::size_t size, typename V::Vector first,
                              typename V::Vector last) {
    typename V::Vector heads = V::load(at);
    typename V::Vector tails = V::load(at + size - 1);
    return V::mask(V::both(equal<Unit>(heads, first), equal<Unit>(tails, last))) &
           vec::unitBits<V, Unit>();
}

// The first start among the candidates (from the start i) where the whole literal is, or npos.
// Inline, with the whole-literal test: a search mostly makes one such test, the one that ends it,
// and a call for it cost as much as the vectors before it.
template <class Unit>
[[gnu::always_inline]] inline std::size_t firstMatch(const Unit* base, std::string_view literal,
                                                     std::size_t i, typename V::Mask candidates) {
    for (; candidates != 0; candidates &= candidates - 1) {
        std::size_t start = i + vec::firstUnit<V, Unit>(candidates);
        if (scalar::matchesAt(base + start, literal)) return start;
    }
    return npos;
}

// Out of line, so that the choice of kernel in front of it stays a jump, with no registers to
// save.
template <class Unit>
[[gnu::noinline]] std::size_t findLiteral(std::basic_string_view<Unit> text,
                                          std::string_view literal, std::size_t from) {
    constexpr std::size_t step = V::bytes / sizeof(Unit);
    const Unit* base = text.data();
    const std::size_t size = literal.size();
    const std::size_t lastStart = text.size() - size;
    if (lastStart + 1 < step) return scalar::findLiteral(text, literal, from);
    const typename V::Vector first = splat<Unit>(literal.front());
    const typename V::Vector last = splat<Unit>(literal.back());
    std::size_t i = from;
    // Two vectors at a time, tested at once: most are without a candidate. Not those of 64 bytes,
    // which a mask register tests as cheaply one at a time: the pair reached further past the
    // occurrence that ends most searches, and measured slower.
    for (; V::bytes < 64 && i + 2 * step - 1 <= lastStart; i += 2 * step) {
        typename V::Mask near = candidatesAt(base + i, size, first, last);
        typename V::Mask far = candidatesAt(base + i + step, size, first, last);
        if ((near | far) == 0) continue;
        std::size_t at = firstMatch(base, literal, i, near);
        if (at == npos) at = firstMatch(base, literal, i + step, far);
        if (at != npos) return at;
    }
    for (; i + step - 1 <= lastStart; i += step) {
        std::size_t at = firstMatch(base, literal, i, candidatesAt(base + i, size, first, last));
        if (at != npos) return at;
    }
    if (i > lastStart) return npos;
    // The starts left, fewer than a vector's, in one last vector that ends where the text does
    // and overlaps starts already looked at, which are masked off.
    std::size_t block = lastStart + 1 - step;
    auto seen = static_cast<typename V::Mask>(
        (typename V::Mask{1} << ((i - block) * sizeof(Unit) * V::bitsPerByte)) - 1);
    return firstMatch(base, literal, block, candidatesAt(base + block, size, first, last) & ~seen);
}

// The first tag from from on: each '<' of a vector at a time told apart in turn.
template <class Unit>
[[gnu::noinline]] FoundTag findTag(std::basic_string_view<Unit> text, std::size_t from) {
    constexpr std::size_t step = V::bytes / sizeof(Unit);
    const Unit* base = text.data();
    const typename V::Vector open = splat<Unit>('<');
    std::size_t i = from;
    // Each vector's '<' have their longestTag units in the text.
    for (; i + step - 1 + longestTag <= text.size(); i += step) {
        typename V::Mask opens =
            V::mask(equal<Unit>(V::load(base + i), open)) & vec::unitBits<V, Unit>();
        for (; opens != 0; opens &= opens - 1) {
            std::size_t at = i + vec::firstUnit<V, Unit>(opens);
            Tag tag = scalar::tagAt(base + at);
            if (tag != Tag::other) return {at, tag};
        }
    }
    return narrower::findTag(text, i);
}

// findDescriptionEnd a vector at a time. The candidates are those of the literal searches it
// stands for, first and last unit in place: a '<' with a '>' 13 units on, an '&' with a 't' two
// on, and until "alt=" is found an 'a' with a '=' three on. So no text makes it test more places
// whole than those searches would.
template <class Unit>
[[gnu::noinline]] std::size_t findDescriptionEnd(std::basic_string_view<Unit> text,
                                                 std::size_t from, DescriptionMarkers& found) {
    constexpr std::size_t step = V::bytes / sizeof(Unit);
    const Unit* base = text.data();
    const std::size_t size = scalar::descriptionEndTag.size();
    const typename V::Vector open = splat<Unit>('<'), close = splat<Unit>('>');
    const typename V::Vector ampersand = splat<Unit>('&'), t = splat<Unit>('t');
    const typename V::Vector a = splat<Unit>('a'), equals = splat<Unit>('=');
    std::size_t i = from;
    for (; i + step - 1 + size <= text.size(); i += step) {
        typename V::Mask ends = candidatesAt(base + i, size, open, close);
        typename V::Mask markers = 0;
        if (found.escapedTag == npos) {
            markers = candidatesAt(base + i, 3, ampersand, t);
            if (found.alt == npos) markers |= candidatesAt(base + i, 4, a, equals);
        }
        if ((ends | markers) == 0) continue;
        std::size_t end = firstMatch(base, scalar::descriptionEndTag, i, ends);
        for (; markers != 0 && found.escapedTag == npos; markers &= markers - 1) {
            std::size_t at = i + vec::firstUnit<V, Unit>(markers);
            if (at >= end) break;
            scalar::noteMarker(base, at, found);
        }
        if (end != npos) return end;
    }
    return narrower::findDescriptionEnd(text, i, found);
}
