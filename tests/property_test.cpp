// The conversion against a plain transcription of its rules: a fresh search from every start
// index, on thousands of generated feeds made of the tags and markers, in every text form.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "feed_text.h"
#include "support/conversions.h"
#include "support/files.h"

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
        std::string expected = test::utf16le(referenceRecords(decodeWhole(bytes), expectedCount));
        test::Converted converted = test::convertBytes(bytes);
        EXPECT_EQ(converted.count, expectedCount) << feed;
        EXPECT_EQ(converted.bytes, expected) << feed;
    }
}

}  // namespace
}  // namespace lorvex
