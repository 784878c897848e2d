// The conversion against a plain transcription of its rules: a fresh search from every start
// index, on thousands of generated feeds made of the tags and markers, in every text form.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "feed_text.h"
#include "isa.h"
#include "legacy.h"
#include "literal_search.h"
#include "support/cases.h"
#include "support/conversions.h"
#include "support/files.h"
#include "support/whole_text.h"
#include "unicode.h"

namespace lorvex {
namespace {

constexpr std::size_t npos = std::u16string::npos;

std::size_t find(const std::u16string& text, const char16_t* literal, std::size_t from) {
    return from > text.size() ? npos : text.find(literal, from);
}

std::u16string referenceSummary(const std::u16string& r) {
    std::size_t l = r.find(u"&lt");
    if (l != npos) return r.substr(0, l);
    std::size_t a = r.find(u"alt=");
    if (a == npos) return r.substr(0, 400);
    std::size_t s = find(r, u"style=", a + 5);
    if (s == npos) return u"";
    long n = static_cast<long>(s) - static_cast<long>(a) - 7;
    if (n > 0) return r.substr(a + 5, static_cast<std::size_t>(n));
    std::size_t c = r.find(u"</a>");
    if (c == npos) return u"";
    std::size_t q = find(r, u"</p>", c + 4);
    if (q == npos) return u"";
    return r.substr(c + 4, q - c - 4);
}

std::u16string fit(const std::u16string& text, std::size_t width) {
    std::u16string field = text.substr(0, width);
    field.resize(width, u' ');
    return field;
}

// The rules as they read, one fresh search per step.
std::u16string referenceRecords(const std::u16string& f, int& count) {
    std::u16string out;
    count = 0;
    std::size_t from = 1;
    for (;;) {
        std::size_t i = find(f, u"<item>", from);
        if (i == npos) break;
        // The item ends at the first "</item>" or "<item>" outside its descriptions.
        std::size_t end = f.size();
        for (std::size_t k = i + 6;;) {
            std::size_t first = std::min(find(f, u"</item>", k), find(f, u"<item>", k));
            std::size_t d = find(f, u"<description>", k);
            if (d < first) {
                std::size_t ed = find(f, u"</description>", d + 13);
                if (ed == npos) break;
                k = ed + 14;
                continue;
            }
            if (first != npos) end = first;
            break;
        }
        from = end;
        // A tag counts only when it lies wholly inside the item.
        auto in = [&](const char16_t* tag, std::size_t start) {
            std::size_t at = find(f, tag, start);
            return at != npos && at + std::char_traits<char16_t>::length(tag) <= end ? at : npos;
        };
        std::size_t t = in(u"<title>", i + 2);
        if (t == npos) continue;
        std::size_t e = in(u"</title>", t + 7);
        if (e == npos) continue;
        auto inTitle = [&](std::size_t at) { return at >= t && at < e + 8; };
        std::size_t d = in(u"<description>", i + 6);
        if (d != npos && inTitle(d)) d = in(u"<description>", e + 8);
        if (d == npos) continue;
        std::size_t ed = in(u"</description>", d + 13);
        if (ed == npos) continue;
        auto inDescription = [&](std::size_t at) { return at >= d && at < ed + 14; };
        std::size_t pd = in(u"<pubDate>", i + 6);
        while (pd != npos && (inTitle(pd) || inDescription(pd)))
            pd = in(u"<pubDate>", inTitle(pd) ? e + 8 : ed + 14);
        if (pd == npos) continue;
        std::size_t ep = in(u"</pubDate>", pd + 9);
        if (ep == npos) continue;
        std::u16string title = fit(f.substr(t + 7, e - t - 7), 100);
        std::u16string date = fit(f.substr(pd + 9, ep - pd - 9), 50);
        std::u16string summary = fit(referenceSummary(f.substr(d + 13, ed - d - 13)), 400);
        if (title.find(u"CDATA") != npos || summary[0] == u' ') continue;
        out += title + date + summary;
        ++count;
    }
    return out;
}

// Pieces that make the walk and the summary take every path, characters that take 1 to 4
// bytes (and ill-formed ones), and runs long enough to cross the field widths.
const std::vector<std::string> pieces = {
    "<item>",
    "</item>",
    "<title>",
    "</title>",
    "<description>",
    "</description>",
    "<pubDate>",
    "</pubDate>",
    "&lt",
    "alt=",
    "style=",
    "</a>",
    "</p>",
    "CDATA",
    " ",
    "\"",
    "x",
    "y",
    "\n",
    "\xC3\xA9",
    "\xE6\x9D\xB1",
    "\xF0\x9F\x98\x80",
    "\xE2\x82",
    "\x80",
    "<p><a href=\"u\"><img alt=\"\" style=\"s\"></a>Linked</p>",
    "<img alt=\"Alt\" style=\"s\">"};
const std::vector<std::string> markers = {"&lt",
                                          "alt=",
                                          "style=",
                                          "</a>",
                                          "</p>",
                                          "\"",
                                          " ",
                                          "x",
                                          "\xC3\xA9",
                                          "\xF0\x9F\x98\x80",
                                          "\x80",
                                          "alt=\"\" style=",
                                          "<img alt=\"Alt\" style=\"s\">"};

std::size_t below(std::mt19937& random, std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
}

std::string randomText(std::mt19937& random, const std::vector<std::string>& from,
                       std::size_t maxPieces) {
    std::string text;
    std::size_t length = below(random, maxPieces + 1);
    for (std::size_t k = 0; k < length; ++k) {
        if (below(random, 12) == 0) {
            // A long run, landing around the 50th, 100th or 400th character.
            const char* runs[] = {"a", "\xC3\xA9", "\xF0\x9F\x98\x80"};
            std::size_t run = 45 + below(random, 366);
            for (std::size_t n = 0; n < run; ++n)
                text += runs[n % 7 == 0 ? below(random, 3) : 0];
        } else {
            text += from[below(random, from.size())];
        }
    }
    return text;
}

// Whole items whose parts are random, between stretches of random pieces. Some items have their
// elements in another order, lack one, or lack their "</item>".
std::string randomFeed(std::mt19937& random) {
    std::string feed = randomText(random, pieces, 6);
    std::size_t items = below(random, 5);
    for (std::size_t k = 0; k < items; ++k) {
        std::vector<std::string> elements = {
            "<title>" + randomText(random, markers, 3) + "</title>",
            "<description>" + randomText(random, markers, 10) + "</description>",
            "<pubDate>" + randomText(random, markers, 2) + "</pubDate>"};
        if (below(random, 4) == 0) std::shuffle(elements.begin(), elements.end(), random);
        if (below(random, 10) == 0) elements.erase(elements.begin() + below(random, 3));
        feed += "<item>";
        for (const std::string& element : elements)
            feed += element;
        if (below(random, 6) != 0) feed += "</item>";
        feed += randomText(random, pieces, 3);
    }
    return feed;
}

// Each round takes the next chunk size, so that thousands of feeds are also read a few units at
// a time, with every tag, marker and character split across chunks in every form.
TEST(Property, ConversionMatchesTheRulesInEveryTextFormAndChunk) {
    std::mt19937 random(20261208);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string feed = randomFeed(random);
        std::u16string text = test::utf16(feed);
        int expectedCount = 0;
        std::string expected = test::utf16le(referenceRecords(text, expectedCount));
        accepted += expectedCount;

        const std::size_t chunk =
            test::chunks[static_cast<std::size_t>(round) % std::size(test::chunks)];
        const struct {
            const char* name;
            std::string bytes;
        } forms[] = {
            {"UTF-8", feed},
            {"UTF-16LE", "\xFF\xFE" + test::utf16le(text)},
            {"UTF-32BE", test::utf32be(text)},
        };
        for (const auto& form : forms) {
            test::Converted converted = test::convertBytes(form.bytes, chunk);
            ASSERT_EQ(converted.count, expectedCount)
                << form.name << ", chunk " << chunk << ": " << feed;
            ASSERT_EQ(converted.bytes, expected)
                << form.name << ", chunk " << chunk << ": " << feed;
        }
    }
    EXPECT_GT(accepted, 300) << "the generator should make many accepted items";
}

// Real feeds against the same transcription of the rules, read from their decoded text.
TEST(Property, CorpusFeedsMatchTheRules) {
    std::vector<std::filesystem::path> feeds = test::corpusFeeds();
    if (feeds.empty()) GTEST_SKIP() << "the feed corpus is absent";
    for (const std::filesystem::path& feed : feeds) {
        std::string bytes = test::readBytes(feed);
        int expectedCount = 0;
        std::string expected =
            test::utf16le(referenceRecords(test::decodeWhole(bytes), expectedCount));
        test::Converted converted = test::convertBytes(bytes);
        EXPECT_EQ(converted.count, expectedCount) << feed;
        EXPECT_EQ(converted.bytes, expected) << feed;
    }
}

// The vector kernels against the plain loops, for every instruction set this machine runs: texts
// of every length up to longest, two and a half of the widest vectors (AVX-512's 64 bytes), so
// that matches, near misses and the ends of text fall at every offset of a vector and of the
// last, overlapping one.

using test::isaName;

constexpr std::size_t longest = 160;

// Units made of a literal's characters, a unit whose low byte is its first character (which only
// a 16-bit comparison tells apart), and bytes with the high bit set.
template <class Unit>
std::basic_string<Unit> randomUnits(std::mt19937& random, const std::string& literal,
                                    std::size_t length) {
    std::vector<Unit> alphabet;
    for (char c : literal)
        alphabet.push_back(static_cast<Unit>(static_cast<unsigned char>(c)));
    alphabet.push_back(static_cast<Unit>(0xE9));
    if constexpr (sizeof(Unit) == 2) {
        alphabet.push_back(static_cast<Unit>(0x0100 | static_cast<unsigned char>(literal[0])));
        alphabet.push_back(static_cast<Unit>(static_cast<unsigned char>(literal[0]) << 8));
    }
    std::basic_string<Unit> text;
    for (std::size_t k = 0; k < length; ++k)
        text += alphabet[below(random, alphabet.size())];
    return text;
}

template <class Unit>
void checkSearches(std::mt19937& random, const std::string& literal) {
    const std::basic_string<Unit> wanted(literal.begin(), literal.end());
    for (platform::Isa isa : platform::availableIsas()) {
        for (std::size_t length = 0; length <= longest; ++length) {
            for (int round = 0; round < 6; ++round) {
                std::basic_string<Unit> text = randomUnits<Unit>(random, literal, length);
                // Half the texts hold the literal whole at a random place, among near misses.
                if (round % 2 == 1 && length >= wanted.size()) {
                    text.replace(below(random, length - wanted.size() + 1), wanted.size(), wanted);
                }
                for (std::size_t from = 0; from <= length + 1; ++from) {
                    std::size_t expected = from > length ? npos : text.find(wanted, from);
                    ASSERT_EQ(findLiteral(std::basic_string_view<Unit>(text), literal, from, isa),
                              expected)
                        << isaName(isa) << ", " << sizeof(Unit) * 8 << "-bit units, '" << literal
                        << "' from " << from << " in a text of " << length;
                }
            }
        }
    }
}

TEST(Property, EveryLiteralSearchFindsWhatThePlainOneFinds) {
    std::mt19937 random(17);
    for (const std::string& literal :
         {std::string("<"), std::string("&lt"), std::string("alt="), std::string("<item>"),
          std::string("</description>"), "<" + std::string(30, 'x') + ">"}) {
        checkSearches<char>(random, literal);
        checkSearches<char16_t>(random, literal);
    }
}

// A description's end and its markers in one pass, against the plain searches that say what they
// are: the markers count before the end, or where the end is not found, before the last 13 units
// (which a text read in pieces searches again); "alt=" counts only before "&lt".
template <class Unit>
void checkDescriptionEnds(std::mt19937& random) {
    auto units = [](std::string_view literal) {
        return std::basic_string<Unit>(literal.begin(), literal.end());
    };
    const std::basic_string<Unit> plants[] = {units("</description>"), units("&lt"), units("alt="),
                                              units("lt"), units("<")};
    for (std::size_t length = 0; length <= longest; ++length) {
        for (int round = 0; round < 2; ++round) {
            std::basic_string<Unit> text = randomUnits<Unit>(random, "</description>&lt=", length);
            for (int piece = 0; piece < 3; ++piece) {
                const std::basic_string<Unit>& planted = plants[below(random, std::size(plants))];
                if (planted.size() <= length) {
                    text.replace(below(random, length - planted.size() + 1), planted.size(),
                                 planted);
                }
            }
            for (std::size_t from = 0; from <= length; ++from) {
                std::size_t end = text.find(plants[0], from);
                std::size_t told = end != npos ? end : length - std::min<std::size_t>(length, 13);
                std::size_t escaped = text.find(plants[1], from);
                if (escaped >= told) escaped = npos;
                std::size_t alt = text.find(plants[2], from);
                if (alt >= std::min(told, escaped)) alt = npos;
                for (platform::Isa isa : platform::availableIsas()) {
                    DescriptionMarkers found;
                    ASSERT_EQ(
                        findDescriptionEnd(std::basic_string_view<Unit>(text), from, found, isa),
                        end)
                        << isaName(isa) << ", " << sizeof(Unit) * 8 << "-bit, from " << from;
                    ASSERT_EQ(found.escapedTag, escaped) << isaName(isa) << ", from " << from;
                    ASSERT_EQ(found.alt, alt) << isaName(isa) << ", from " << from;
                }
            }
        }
    }
}

TEST(Property, EveryDescriptionEndSearchFindsWhatThePlainSearchesFind) {
    std::mt19937 random(1450);
    checkDescriptionEnds<char>(random);
    checkDescriptionEnds<char16_t>(random);
}

// Texts of the walk's tags among near misses and other markup: every kernel finds the tag that a
// plain look at each place finds, from every start, and none that ends too near the text's end to
// be told apart whole.
TEST(Property, EveryTagSearchFindsWhatThePlainOneFinds) {
    const std::pair<std::string, Tag> tags[] = {
        {"<item>", Tag::item},
        {"</item>", Tag::itemEnd},
        {"<title>", Tag::title},
        {"</title>", Tag::titleEnd},
        {"<description>", Tag::description},
        {"</description>", Tag::descriptionEnd},
        {"<pubDate>", Tag::pubDate},
        {"</pubDate>", Tag::pubDateEnd},
    };
    const std::string others[] = {"<",      "</",       "<p>", "<img ",   "<items>",
                                  "</titl", "<pubDate", "x",   "\xC3\xA9"};
    auto plainSearch = [&](std::string_view text, std::size_t from) -> FoundTag {
        for (std::size_t i = from; i + longestTag <= text.size(); ++i) {
            for (const auto& [literal, tag] : tags) {
                if (text.substr(i).starts_with(literal)) return {i, tag};
            }
        }
        return {npos, Tag::other};
    };
    std::mt19937 random(29);
    for (int round = 0; round < 600; ++round) {
        std::string text;
        for (std::size_t length = below(random, 160); text.size() < length;)
            text += below(random, 3) == 0 ? tags[below(random, std::size(tags))].first
                                          : others[below(random, std::size(others))];
        std::u16string units(text.begin(), text.end());
        // A unit whose low byte is '<' is no '<'.
        if (!units.empty() && below(random, 2) == 0) units[below(random, units.size())] = u'\u013C';
        std::string unitBytes;  // the 16-bit text, with every unit beyond ASCII as one that is none
        for (char16_t unit : units)
            unitBytes += unit < 0x80 ? static_cast<char>(unit) : '\x80';
        for (std::size_t from = 0; from <= text.size(); ++from) {
            FoundTag inBytes = plainSearch(text, from), inUnits = plainSearch(unitBytes, from);
            for (platform::Isa isa : platform::availableIsas()) {
                FoundTag bytes = findTag(std::string_view(text), from, isa);
                FoundTag wide = findTag(std::u16string_view(units), from, isa);
                ASSERT_EQ(bytes.position, inBytes.position) << isaName(isa) << ": " << text;
                ASSERT_EQ(bytes.tag, inBytes.tag) << isaName(isa) << ": " << text;
                ASSERT_EQ(wide.position, inUnits.position) << isaName(isa) << ", 16-bit: " << text;
                ASSERT_EQ(wide.tag, inUnits.tag) << isaName(isa) << ", 16-bit: " << text;
            }
        }
    }
}

// Any mix of ASCII, characters of two, three and four bytes and ill-formed bytes, cut off at any
// number of units; and mostly well-formed text, which AVX2 and AVX-512 decode a vector at a time,
// with one piece in sixteen that they leave to the character-at-a-time path. Fewer texts of each
// length past 80, where every room of each makes the test slow.
TEST(Property, EveryUtf8DecoderWritesWhatThePlainOneWrites) {
    const std::vector<std::vector<const char*>> mixes = {
        {"a", "<", "\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80", "\x80", "\xFF", "\xE6\x97",
         "\xC0\xAF", "\xED\xA0\x80", "abcdefgh", "\xF4\x90\x80\x80"},
        {"a",
         "bc",
         "\xC2\x80",
         "\xDF\xBF",
         "\xD0\x9C",
         "\xE0\xA0\x80",
         "\xED\x9F\xBF",
         "\xEF\xBF\xBF",
         "\xE6\x97\xA5",
         "\xE1\x80\x80",
         "abcdefgh",
         "\xD1\x8F\xD0\xB0",
         "a",
         "\xC3\xA9",
         "z",
         "\x80",
         "\xE0\x9F\xBF",
         "\xED\xA0\x80",
         "\xC1\xBF",
         "\xF0\x9F\x98\x80",
         "\xE6\x97",
         "\xF8"},
    };
    std::mt19937 random(1208);
    for (const std::vector<const char*>& mix : mixes) {
        // In the second mix, the last six pieces come one time in sixteen.
        std::size_t common = &mix == &mixes[0] ? mix.size() : mix.size() - 6;
        for (std::size_t length = 0; length <= longest; ++length) {
            for (int round = 0; round < (length <= 80 ? 20 : 4); ++round) {
                std::string built;
                while (built.size() < length) {
                    bool rare = common < mix.size() && below(random, 16) == 0;
                    built += rare ? mix[common + below(random, mix.size() - common)]
                                  : mix[below(random, common)];
                }
                // In storage of its exact length, so that a sanitizer sees any read past it.
                std::vector<char> storage(built.begin(), built.begin() + length);
                std::string_view text(storage.data(), length);
                // Every room up to the whole, and the whole when it is first in the loop's way.
                for (std::size_t max = 0; max <= length + 1; ++max) {
                    std::vector<char16_t> expected(max + 1), out(max + 1);
                    std::size_t expectedCount =
                        unicode::decodeUtf8Units(text, expected.data(), max, platform::Isa::scalar);
                    expected.resize(expectedCount);
                    for (platform::Isa isa : platform::availableIsas()) {
                        out.assign(max + 1, u'?');
                        std::size_t count = unicode::decodeUtf8Units(text, out.data(), max, isa);
                        out.resize(count);
                        ASSERT_EQ(out, expected)
                            << isaName(isa) << ", room " << max << ": " << text;
                    }
                }
            }
        }
    }
}

// ASCII with one byte above it at every place (or none), at every length: each widening stops
// at that byte and writes the same units before it.
TEST(Property, EveryAsciiWideningStopsWhereThePlainOneStops) {
    for (std::size_t length = 0; length <= longest; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            std::string bytes(length, '\0');
            for (std::size_t i = 0; i < length; ++i)
                bytes[i] = static_cast<char>('!' + i % 90);
            if (at < length) bytes[at] = static_cast<char>(0x80 + at % 0x80);
            for (platform::Isa isa : platform::availableIsas()) {
                std::u16string out(length, u'?');
                ASSERT_EQ(unicode::widenAscii(bytes, out.data(), isa), at) << isaName(isa);
                for (std::size_t i = 0; i < at; ++i)
                    ASSERT_EQ(out[i], static_cast<unsigned char>(bytes[i])) << isaName(isa);
            }
        }
    }
}

// Bytes of every value through a table whose upper half is arbitrary, at every length.
TEST(Property, EverySingleByteDecoderWritesWhatThePlainOneWrites) {
    std::mt19937 random(1252);
    std::array<char16_t, 256> table{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
        table[byte] = byte < 0x80 ? static_cast<char16_t>(byte)
                                  : static_cast<char16_t>(below(random, 0x10000));
    }
    for (std::size_t length = 0; length <= longest; ++length) {
        for (int round = 0; round < 20; ++round) {
            std::string bytes;
            // Runs of ASCII, as feeds have, and bytes of any value.
            while (bytes.size() < length) {
                bytes += below(random, 3) == 0 ? static_cast<char>(below(random, 256))
                                               : static_cast<char>(below(random, 0x80));
            }
            std::u16string expected(length, u'?'), out(length, u'?');
            unicode::decodeSingleBytes(bytes, table.data(), expected.data(), platform::Isa::scalar);
            for (platform::Isa isa : platform::availableIsas()) {
                out.assign(length, u'?');
                unicode::decodeSingleBytes(bytes, table.data(), out.data(), isa);
                ASSERT_EQ(out, expected) << isaName(isa) << ", length " << length;
            }
        }
    }
}

// Each unit at either side of a foreign range, alone at every position of runs of every length
// up to three of the widest vectors.
TEST(Property, EveryForeignUnitCheckAnswersAsThePlainOne) {
    const char16_t edges[] = {0x7F,   0x80,   0x9F,   0xA0,   0xDB7F, 0xDB80, 0xDBFF,
                              0xDC00, 0xDFFF, 0xE000, 0xF8FF, 0xF900, 0xFFFD, 0x0000};
    for (platform::Isa isa : platform::availableIsas()) {
        for (std::size_t length = 1; length <= 96; ++length) {
            for (char16_t edge : edges) {
                for (std::size_t at = 0; at < length; ++at) {
                    std::u16string run(length, u'\u65E5');
                    run[at] = edge;
                    ASSERT_EQ(platform::anyForeign(run.data(), run.data() + length, isa),
                              platform::isForeign(edge))
                        << isaName(isa) << ", " << std::hex << unsigned{edge} << " at " << at
                        << " of " << length;
                }
            }
        }
    }
}

}  // namespace
}  // namespace lorvex
