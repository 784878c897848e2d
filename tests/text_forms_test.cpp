// A UTF-8 feed is searched in its own bytes and only its cut texts are widened; a UTF-16 feed is
// decoded to 16-bit units as it is read. Both must give the same records, whatever character
// stands where a cut begins or ends or where the alt rule counts, and however the reads split
// the feed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/conversions.h"
#include "support/files.h"

namespace lorvex {
namespace {

// Characters of one to four bytes, and ill-formed sequences that decode to one U+FFFD.
const std::vector<std::string> specials = {
    "\xC3\xA9", "\xE6\x9D\xB1", "\xF0\x9F\x98\x80", "\x80", "\xE2\x82", "\xF0\x9F\x98", "\xC3"};

std::string run(std::size_t count) {
    return std::string(count, 'a');
}

// Feeds with an "@" where the special character goes: at the first, the last and the first
// cut character of every field, and around each marker of the summary rules.
const std::vector<std::string> templates = {
    "<title>@T</title>",
    "<title>" + run(98) + "@T</title>",
    "<title>" + run(99) + "@T</title>",
    "<title>" + run(100) + "@T</title>",
    "<pubDate>@D</pubDate>",
    "<pubDate>" + run(48) + "@D</pubDate>",
    "<pubDate>" + run(49) + "@D</pubDate>",
    "<pubDate>" + run(50) + "@D</pubDate>",
    "<description>@S</description>",
    "<description>" + run(398) + "@S</description>",
    "<description>" + run(399) + "@S</description>",
    "<description>" + run(400) + "@S</description>",
    "<description>lead@&lt;p&gt;</description>",
    "<description>alt=@value\" style=</description>",
    "<description>alt=\"@value\" style=</description>",
    "<description>alt=\"value@\" style=</description>",
    "<description>alt=\"value\"@style=</description>",
    "<description>alt=\"value@style=</description>",
    "<description>alt=@style=</description>",
    "<description>alt=@@style=</description>",
    "<description>alt=@@@style=</description>",
    "<description>alt=\"" + run(398) + "@\" style=</description>",
    "<description>alt=\"" + run(399) + "@\" style=</description>",
    "<description>alt=\"" + run(401) + "@\" style=</description>",
    "<description>alt=\"\" style=</a>@linked@</p></description>",
};

// Places the template's element in an item whose other elements are plain.
std::string feedOf(const std::string& element) {
    std::string title = "<title>T</title>", description = "<description>S</description>",
                date = "<pubDate>D</pubDate>";
    if (element.starts_with("<title>")) title = element;
    if (element.starts_with("<description>")) description = element;
    if (element.starts_with("<pubDate>")) date = element;
    return " <item>" + title + description + date + "</item>";
}

TEST(TextForms, Utf8AndUtf16FeedsGiveTheSameRecordsInEveryChunk) {
    for (const std::string& form : templates) {
        for (const std::string& special : specials) {
            std::string feed = feedOf(form);
            for (std::size_t at = feed.find('@'); at != std::string::npos; at = feed.find('@')) {
                feed.replace(at, 1, special);
            }
            const test::Converted expected = test::convertBytes(feed);
            const std::string utf16 = "\xFF\xFE" + test::utf16le(test::utf16(feed));
            for (std::size_t chunk : test::chunks) {
                for (const std::string& bytes : {feed, utf16}) {
                    test::Converted converted = test::convertBytes(bytes, chunk);
                    EXPECT_EQ(converted.count, expected.count) << feed << ", chunk " << chunk;
                    EXPECT_EQ(converted.bytes, expected.bytes) << feed << ", chunk " << chunk;
                }
            }
        }
    }
}

// A byte of a single-byte table where the UTF-8 feed has its character: the same records, so a
// byte is one unit wherever a cut or the alt rule counts.
struct TableByte {
    const char* label;
    std::string byte;
    std::string utf8;
};
const std::vector<TableByte> tableBytes = {
    {"cp437", "\x82", "\xC3\xA9"},
    {"x-mac-greek", "\xA1", "\xCE\x93"},
    {"koi8r", "\xF0", "\xD0\x9F"},
};

TEST(TextForms, SingleByteLabelsGiveTheRecordsOfUtf8InEveryChunk) {
    for (const std::string& form : templates) {
        for (const TableByte& table : tableBytes) {
            std::string feed = feedOf(form), utf8 = feed;
            for (std::size_t at = feed.find('@'); at != std::string::npos; at = feed.find('@')) {
                feed.replace(at, 1, table.byte);
                utf8.replace(utf8.find('@'), 1, table.utf8);
            }
            feed = std::string("<?xml encoding=\"") + table.label + "\"?>" + feed;
            const test::Converted expected = test::convertBytes(utf8);
            for (std::size_t chunk : test::chunks) {
                test::Converted converted = test::convertBytes(feed, chunk);
                EXPECT_EQ(converted.count, expected.count) << feed << ", chunk " << chunk;
                EXPECT_EQ(converted.bytes, expected.bytes) << feed << ", chunk " << chunk;
            }
        }
    }
}

// Spot checks of what the two agree on: an astral character is two units, and an ill-formed
// sequence one.
TEST(TextForms, AltValueCountsSixteenBitUnits) {
    test::Converted astral = test::convertBytes(
        " <item><title>T</title><description>alt=\"\xF0\x9F\x98\x80\" "
        "style=</description><pubDate>D</pubDate></item>");
    ASSERT_EQ(astral.count, 1);
    EXPECT_EQ(astral.bytes, test::utf16le(test::fittedRecord("T", "D", "\xF0\x9F\x98\x80")));

    test::Converted illFormed = test::convertBytes(
        " <item><title>T</title><description>alt=\"\xE2\x82x\" "
        "style=</description><pubDate>D</pubDate></item>");
    ASSERT_EQ(illFormed.count, 1);
    EXPECT_EQ(illFormed.bytes, test::utf16le(test::fittedRecord("T", "D", "\xEF\xBF\xBDx")));
}

TEST(TextForms, TitleCutBetweenSurrogatesKeepsTheFirst) {
    test::Converted converted = test::convertBytes(" <item><title>" + run(99) +
                                                   "\xF0\x9F\x98\x80</title><description>S"
                                                   "</description><pubDate>D</pubDate></item>");
    ASSERT_EQ(converted.count, 1);
    std::u16string title = test::fromUtf16le(converted.bytes).substr(0, 100);
    EXPECT_EQ(title.back(), u'\xD83D');
}

}  // namespace
}  // namespace lorvex
