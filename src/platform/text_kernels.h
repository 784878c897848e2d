// The kernels over text units, written once for every backend of vector.h, and compiled for each
// by each_isa.h: V names the backend, and what is left when less than a vector is goes to the
// kernel of the next narrower backend, narrower.

// Stores the bytes of a vector as as many 16-bit units.
inline void widen(char16_t* out, typename V::Vector bytes) {
    V::store(out, V::widenLow(bytes));
    V::store(out + V::bytes / 2, V::widenHigh(bytes));
}

// Whether any unit of [begin, end) is foreign (see isForeign). A unit u is in [low, high] when
// u - low, wrapped, is at most high - low.
inline auto unitsIn(typename V::Vector units, std::uint16_t low, std::uint16_t high) {
    return V::atMost16(V::minus16(units, V::splat16(low)),
                       V::splat16(static_cast<std::uint16_t>(high - low)));
}

inline bool anyForeign(const char16_t* begin, const char16_t* end) {
    constexpr auto step = static_cast<std::ptrdiff_t>(V::bytes / 2);
    for (; end - begin >= step; begin += step) {
        typename V::Vector units = V::load(begin);
        auto foreign =
            V::either(V::either(unitsIn(units, 0x80, 0x9F), unitsIn(units, 0xE000, 0xF8FF)),
                      unitsIn(units, 0xDB80, 0xDBFF));
        if (V::mask(foreign) != 0) return true;
    }
    return narrower::anyForeign(begin, end);
}

// What a step of decoding took and gave.
struct Decoded {
    std::size_t bytes, units;
};

// The mask of the bytes b of a vector for which b & pattern == value.
template <class W>
typename W::Mask bytesLike(typename W::Vector v, std::uint8_t pattern, std::uint8_t value) {
    return W::mask(W::equal8(W::both(v, W::splat8(pattern)), W::splat8(value)));
}

// For each widened byte, the unit of the character it begins, as ASCII or as the lead of two or
// three bytes, given the two bytes that follow it; nothing that counts for any other byte.
template <class W>
typename W::Vector unitsOf(typename W::Vector byte, typename W::Vector next,
                           typename W::Vector afterNext) {
    typename W::Vector low6 = W::splat16(0x3F);
    // The lead's bits and the first trail's, of which a unit of two bytes keeps eleven and one
    // of three the low ten, ahead of the second trail's six.
    typename W::Vector leadAndTrail =
        W::either(W::template shiftLeft16<6>(byte), W::both(next, low6));
    typename W::Vector two = W::both(leadAndTrail, W::splat16(0x7FF));
    typename W::Vector three =
        W::either(W::template shiftLeft16<6>(leadAndTrail), W::both(afterNext, low6));
    return W::either(W::either(W::keep(byte, W::atMost16(byte, W::splat16(0x7F))),
                               W::keep(two, unitsIn(byte, 0xC0, 0xDF))),
                     W::keep(three, W::atMost16(W::splat16(0xE0), byte)));
}

// The characters of one, two and three bytes that begin in the vector of bytes at text, decoded at
// once when all are well formed: each byte's unit is worked out as if it began a character, from
// it and the two bytes after it, and those of the trail bytes are dropped. A character that begins
// in the last two bytes and goes on past them is left for the next step. Anything else (a
// character of four bytes, an ill-formed byte) takes nothing, and the caller decodes a character
// at a time. first is the vector at text, and nonAscii its mask of bytes above ASCII. Reads two
// bytes past the vector; writes up to V::bytes units. A template, so that only the sets that can
// compress units compile it; inline in its one caller, where a call measured 1 % slower.
template <class W>
[[gnu::always_inline]] inline Decoded decodeMixedVector(const char* text, typename W::Vector first,
                                                        typename W::Mask nonAscii, char16_t* out) {
    using Mask = typename W::Mask;
    constexpr std::size_t n = W::bytes;
    constexpr unsigned bit = W::bitsPerByte;
    typename W::Vector second = W::load(text + 1), third = W::load(text + 2);
    Mask trail = bytesLike<W>(first, 0xC0, 0x80);
    Mask lead = nonAscii & ~trail;
    Mask lead3 = bytesLike<W>(first, 0xE0, 0xE0);  // and those of four, refused below
    // A character that runs past the vector is taken by the next step.
    std::size_t taken = (lead3 >> (n - 2) * bit & 1)  ? n - 2
                        : (lead >> (n - 1) * bit & 1) ? n - 1
                                                      : n;
    Mask inside = vec::firstBytes<W>(taken);
    // Trail bytes where the leads before that want them and nowhere else; no lead of four bytes,
    // none of an overlong form (C0, C1, E0 then below A0) and no surrogate (ED then above 9F).
    Mask wanted = (lead & inside) << bit | (lead3 & inside) << 2 * bit;
    Mask upperTrail = bytesLike<W>(second, 0x20, 0x20);
    Mask refused = bytesLike<W>(first, 0xF0, 0xF0) | bytesLike<W>(first, 0xFE, 0xC0) |
                   (bytesLike<W>(first, 0xFF, 0xE0) & ~upperTrail) |
                   (bytesLike<W>(first, 0xFF, 0xED) & upperTrail);
    if ((wanted ^ (trail & inside)) != 0 || (refused & inside) != 0) return {0, 0};

    // A unit for each byte of a half; the bits of kept are the half's bytes, and so its units.
    Mask kept = ~trail & inside;
    std::size_t written =
        W::compress(unitsOf<W>(W::widenLow(first), W::widenLow(second), W::widenLow(third)),
                    static_cast<std::uint32_t>(kept & vec::firstBytes<W>(n / 2)), out);
    written +=
        W::compress(unitsOf<W>(W::widenHigh(first), W::widenHigh(second), W::widenHigh(third)),
                    static_cast<std::uint32_t>(kept >> n / 2), out + written);
    return {taken, written};
}

// A vector of bytes at a time: all of them widened and taken when they are ASCII, else decoded
// whole (decodeMixedVector) where the set can; failing that, taken up to the first that is not
// ASCII, whose character is then decoded alone, with those that follow it without ASCII between
// them.
// Decodes text from i on into out from written on, up to max units in all; returns how many.
inline std::size_t decodeUtf8Units(std::string_view text, std::size_t i, char16_t* out,
                                   std::size_t written, std::size_t max) {
    while (written + V::bytes <= max && i + V::bytes <= text.size()) {
        typename V::Vector chunk = V::load(text.data() + i);
        widen(out + written, chunk);
        typename V::Mask nonAscii = V::mask(V::nonAscii(chunk));
        if (nonAscii == 0) {
            i += V::bytes;
            written += V::bytes;
            continue;
        }
        if constexpr (V::compresses) {
            if (i + V::bytes + 2 <= text.size()) {
                Decoded step =
                    decodeMixedVector<V>(text.data() + i, chunk, nonAscii, out + written);
                if (step.bytes != 0) {
                    i += step.bytes;
                    written += step.units;
                    continue;
                }
            }
        }
        std::size_t ascii = vec::firstUnit<V, char>(nonAscii);
        i += ascii;
        written += ascii;
        do {
            scalar::putCodePoint(unicode::nextCodePoint(text, i), out, written, max);
        } while (written < max && i < text.size() && static_cast<unsigned char>(text[i]) >= 0x80);
    }
    // The last units, fewer than a vector's, whether the text or the room ends first, from the
    // vector of bytes that ends with them when that is all ASCII: its first bytes, behind i, are
    // then ASCII too and were written one unit each just before written, so widening it writes
    // them again as they are.
    std::size_t last = std::min(text.size() - i, max - written);
    if (last > 0 && last < V::bytes && i + last >= V::bytes) {
        typename V::Vector chunk = V::load(text.data() + i + last - V::bytes);
        if (V::mask(V::nonAscii(chunk)) == 0) {
            widen(out + (written + last - V::bytes), chunk);
            return written + last;
        }
    }
    return narrower::decodeUtf8Units(text, i, out, written, max);
}

// The vector of bytes from i widened into out from i, the few that are not ASCII looked up.
inline void widenSingleBytes(std::string_view bytes, std::size_t i, const char16_t* table,
                             char16_t* out) {
    typename V::Vector chunk = V::load(bytes.data() + i);
    widen(out + i, chunk);
    typename V::Mask nonAscii = V::mask(V::nonAscii(chunk)) & vec::unitBits<V, char>();
    for (; nonAscii != 0; nonAscii &= nonAscii - 1) {
        std::size_t at = i + vec::firstUnit<V, char>(nonAscii);
        out[at] = table[static_cast<unsigned char>(bytes[at])];
    }
}

// A vector of bytes at a time. The last bytes, fewer than a vector's, are taken by the vector
// that ends with the text: every byte is one unit, so those it takes again are written again as
// they were.
inline void decodeSingleBytes(std::string_view bytes, std::size_t i, const char16_t* table,
                              char16_t* out) {
    for (; i + V::bytes <= bytes.size(); i += V::bytes)
        widenSingleBytes(bytes, i, table, out);
    if (i == bytes.size()) return;
    if (bytes.size() >= V::bytes)
        return widenSingleBytes(bytes, bytes.size() - V::bytes, table, out);
    narrower::decodeSingleBytes(bytes, i, table, out);
}

// The bytes up to the first that is not ASCII widened, a vector at a time; returns how many.
// Units past those may be written too, none past as many as there are bytes.
inline std::size_t widenAscii(std::string_view bytes, std::size_t i, char16_t* out) {
    for (; i + V::bytes <= bytes.size(); i += V::bytes) {
        typename V::Vector chunk = V::load(bytes.data() + i);
        widen(out + i, chunk);
        typename V::Mask nonAscii = V::mask(V::nonAscii(chunk));
        if (nonAscii != 0) return i + vec::firstUnit<V, char>(nonAscii);
    }
    return narrower::widenAscii(bytes, i, out);
}

// This instruction set's kernels, for the choice among the sets.
inline constexpr Kernels kernels{anyForeign, decodeUtf8Units, decodeSingleBytes, widenAscii};
