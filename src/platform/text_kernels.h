// The kernels over text units, written once for every backend of vector.h, and compiled for each
// by each_isa.h: V names the backend, and what is left when less than a vector is goes to the
// kernel of the next narrower backend, narrower.

// Whether any unit of [begin, end) is foreign (see isForeign). A unit u is in [low, high] when
// u - low, wrapped, is at most high - low.
inline typename V::Vector unitsIn(typename V::Vector units, std::uint16_t low, std::uint16_t high) {
    return V::atMost16(V::minus16(units, V::splat16(low)),
                       V::splat16(static_cast<std::uint16_t>(high - low)));
}

inline bool anyForeign(const char16_t* begin, const char16_t* end) {
    constexpr auto step = static_cast<std::ptrdiff_t>(V::bytes / 2);
    for (; end - begin >= step; begin += step) {
        typename V::Vector units = V::load(begin);
        typename V::Vector foreign =
            V::either(V::either(unitsIn(units, 0x80, 0x9F), unitsIn(units, 0xE000, 0xF8FF)),
                      unitsIn(units, 0xDB80, 0xDBFF));
        if (V::mask(foreign) != 0) return true;
    }
    return narrower::anyForeign(begin, end);
}

// A vector of bytes at a time: all of them widened, and taken up to the first that is not ASCII,
// whose character is then decoded alone, with those that follow it without ASCII between them; so
// text with a few accents stays on this path, and a word in another script leaves it once.
// Decodes text from i on into out from written on, up to max units in all; returns how many.
inline std::size_t decodeUtf8Units(std::string_view text, std::size_t i, char16_t* out,
                                   std::size_t written, std::size_t max) {
    while (written + V::bytes <= max && i + V::bytes <= text.size()) {
        typename V::Vector chunk = V::load(text.data() + i);
        V::widen(out + written, chunk);
        typename V::Mask nonAscii = V::mask(V::nonAscii(chunk));
        if (nonAscii == 0) {
            i += V::bytes;
            written += V::bytes;
            continue;
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
            V::widen(out + (written + last - V::bytes), chunk);
            return written + last;
        }
    }
    return narrower::decodeUtf8Units(text, i, out, written, max);
}

// The vector of bytes from i widened into out from i, the few that are not ASCII looked up.
inline void widenSingleBytes(std::string_view bytes, std::size_t i, const char16_t* table,
                             char16_t* out) {
    typename V::Vector chunk = V::load(bytes.data() + i);
    V::widen(out + i, chunk);
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
        V::widen(out + i, chunk);
        typename V::Mask nonAscii = V::mask(V::nonAscii(chunk));
        if (nonAscii != 0) return i + vec::firstUnit<V, char>(nonAscii);
    }
    return narrower::widenAscii(bytes, i, out);
}

// This instruction set's kernels, for the choice among the sets.
inline constexpr Kernels kernels{anyForeign, decodeUtf8Units, decodeSingleBytes, widenAscii};
