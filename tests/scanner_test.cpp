// The item scanner, through whole feed files: which items become which records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cases.h"
#include "support/conversions.h"
#include "support/files.h"

namespace lorvex {
namespace {

struct Fields {
    std::string title;
    std::string date;
    std::string summary;
};

struct ScanCase {
    const char* name;
    std::string feed;
    std::vector<Fields> records;
};

std::string item(const std::string& title, const std::string& description,
                 const std::string& date) {
    return "<item><title>" + title + "</title><description>" + description +
           "</description><pubDate>" + date + "</pubDate></item>\n";
}

const std::string head =
    "<rss version=\"2.0\"><channel><title>Channel</title>"
    "<description>About the channel</description>\n";

class Scanner : public testing::TestWithParam<ScanCase> {};

TEST_P(Scanner, WritesTheRecordsOfTheItemsItFinds) {
    const ScanCase& c = GetParam();
    test::Converted converted = test::convertBytes(c.feed);
    std::u16string expected;
    for (const Fields& f : c.records)
        expected += test::fittedRecord(f.title, f.date, f.summary);
    EXPECT_EQ(converted.count, static_cast<int>(c.records.size()));
    // Compared as bytes, and shown as UTF-8 text, which reads well, only when they differ: the
    // longest feed here writes 44 MB.
    if (converted.bytes != test::utf16le(expected))
        FAIL() << "records:\n"
               << test::utf8(test::fromUtf16le(converted.bytes)) << "\nexpected:\n"
               << test::utf8(expected);
}

const ScanCase scanCases[] = {
    ScanCase{"empty_input_yields_an_empty_file", "", {}},
    ScanCase{"feed_without_items_yields_an_empty_file", head + "</channel></rss>", {}},
    ScanCase{"three_items_one_cdata_title",
             head + item("One", "Plain", "D1") + item("<![CDATA[Two]]>", "Skipped", "D2") +
                 item("Three", "Lead &lt;p&gt;", "D3"),
             {{"One", "D1", "Plain"}, {"Three", "D3", "Lead "}}},
    ScanCase{"item_at_index_zero_is_not_found",
             item("First", "a", "d1") + item("Second", "b", "d2"),
             {{"Second", "d2", "b"}}},
    // Appended rather than `" " + item(...)`, whose insertion at the front GCC 12 at -O3
    // takes for an overlapping copy (-Wrestrict).
    ScanCase{"item_at_index_one_is_found",
             std::string(" ").append(item("First", "a", "d1")),
             {{"First", "d1", "a"}}},
    ScanCase{"item_with_attributes_is_not_an_item",
             head +
                 "<item id=\"1\"><title>A</title><description>a</description>"
                 "<pubDate>d1</pubDate></item>" +
                 item("B", "b", "d2"),
             {{"B", "d2", "b"}}},
    ScanCase{"title_tag_in_other_case_is_not_a_title",
             head + "<item><Title>A</Title><title>B</title><description>b</description>"
                    "<pubDate>d</pubDate></item>",
             {{"B", "d", "b"}}},
    // Each item is bounded by its own tags: an element it lacks costs its own record alone,
    // and no record takes a text from a neighbour.
    ScanCase{"item_without_description_gives_no_record",
             head + "<item><title>A</title><pubDate>d1</pubDate></item>" + item("B", "b", "d2") +
                 item("C", "c", "d3"),
             {{"B", "d2", "b"}, {"C", "d3", "c"}}},
    ScanCase{"item_without_pubdate_gives_no_record",
             head + "<item><title>A</title><description>a</description></item>" +
                 item("B", "b", "d2") + item("C", "c", "d3"),
             {{"B", "d2", "b"}, {"C", "d3", "c"}}},
    ScanCase{"item_without_title_gives_no_record",
             head + "<item><description>a</description><pubDate>d1</pubDate></item>" +
                 item("B", "b", "d2"),
             {{"B", "d2", "b"}}},
    ScanCase{"pubdate_before_description_is_the_items_own",
             head +
                 "<item><title>A</title><pubDate>d1</pubDate><description>a</description>"
                 "</item>" +
                 item("B", "b", "d2") + item("C", "c", "d3"),
             {{"A", "d1", "a"}, {"B", "d2", "b"}, {"C", "d3", "c"}}},
    ScanCase{"item_without_its_end_tag_ends_where_the_next_begins",
             head + "<item><title>A</title><description>a</description><pubDate>d1</pubDate>" +
                 item("B", "b", "d2"),
             {{"A", "d1", "a"}, {"B", "d2", "b"}}},
    ScanCase{"item_tag_inside_a_description_starts_no_item",
             head + item("A", "x <item> y", "d1") + item("B", "b", "d2"),
             {{"A", "d1", "x <item> y"}, {"B", "d2", "b"}}},
    ScanCase{"tags_inside_a_cdata_description_start_and_end_nothing",
             head +
                 "<item><title>A</title><description><![CDATA[</item><pubDate>x</pubDate>"
                 "<item>]]></description><pubDate>d1</pubDate></item>" +
                 item("B", "b", "d2"),
             {{"A", "d1", "<![CDATA[</item><pubDate>x</pubDate><item>]]>"}, {"B", "d2", "b"}}},
    ScanCase{"pubdate_inside_the_title_is_not_the_date",
             head + item("A <pubDate>x</pubDate>", "a", "d1"),
             {{"A <pubDate>x</pubDate>", "d1", "a"}}},
    ScanCase{"empty_title_is_a_blank_field",
             head + item("", "a", "d1") + item("B", "b", "d2"),
             {{"", "d1", "a"}, {"B", "d2", "b"}}},
    ScanCase{"empty_date_is_a_blank_field",
             head + item("A", "a", "") + item("B", "b", "d2"),
             {{"A", "", "a"}, {"B", "d2", "b"}}},
    ScanCase{"forty_thousand_items_without_end_tags_each_give_their_record",
             head +
                 [] {
                     std::string items;
                     for (int k = 0; k < 40'000; ++k)
                         items +=
                             "<item><title>T</title><description>s</description>"
                             "<pubDate>d</pubDate>\n";
                     return items;
                 }(),
             std::vector<Fields>(40'000, {"T", "d", "s"})},
    ScanCase{"empty_description_is_skipped",
             head + item("A", "", "d1") + item("B", "b", "d2"),
             {{"B", "d2", "b"}}},
    ScanCase{"last_item_without_pubdate_end_keeps_the_earlier_records",
             head + item("A", "a", "d1") +
                 "<item><title>B</title><description>b</description><pubDate>d2",
             {{"A", "d1", "a"}}},
    ScanCase{"item_without_title_at_the_end",
             head + item("A", "a", "d1") + "<item><description>b</description>",
             {{"A", "d1", "a"}}},
    ScanCase{"title_of_exactly_100_fills_the_field",
             head + item(std::string(100, 't'), "a", "d1"),
             {{std::string(100, 't'), "d1", "a"}}},
    ScanCase{"title_of_120_keeps_its_first_100",
             head + item(std::string(100, 't') + std::string(20, 'u'), "a", "d1"),
             {{std::string(100, 't'), "d1", "a"}}},
    ScanCase{"date_of_60_keeps_its_first_50",
             head + item("A", "a", std::string(50, '1') + std::string(10, '2')),
             {{"A", std::string(50, '1'), "a"}}},
    ScanCase{"date_of_29_gets_21_spaces",
             head + item("A", "a", std::string(29, 'd')),
             {{"A", std::string(29, 'd'), "a"}}},
    ScanCase{"tabs_and_zeros_are_kept_as_characters",
             head + item(std::string("a\tb\0c", 5), std::string("s\0t", 3), "d"),
             {{std::string("a\tb\0c", 5), "d", std::string("s\0t", 3)}}},
    ScanCase{"title_over_lines_keeps_its_newlines",
             head + item("Line one\r\n  line two", "a", "d1"),
             {{"Line one\r\n  line two", "d1", "a"}}},
    ScanCase{"description_inside_the_title_element_does_not_count",
             head +
                 "<item><title>A<description>in</description>B</title><pubDate>d</pubDate>"
                 "</item>\n" +
                 item("C", "c", "d2"),
             {{"C", "d2", "c"}}},
    ScanCase{"open_date_ends_at_its_first_end_tag_even_inside_the_description",
             head + "<item><title>T</title><pubDate>d<description>x</pubDate>y</description>"
                    "z</pubDate></item>\n",
             {{"T", "d<description>x", "x</pubDate>y"}}},
    ScanCase{"every_item_skipped_yields_an_empty_file",
             head + item("<![CDATA[A]]>", "a", "d1") + item("B", " b", "d2") +
                 item("C", "&lt;p&gt;", "d3"),
             {}},
};

INSTANTIATE_TEST_SUITE_P(Feeds, Scanner, testing::ValuesIn(scanCases), test::CaseName{});

TEST(Scanner, TwoAcceptedItemsWriteExactly1100Characters) {
    test::Converted converted =
        test::convertBytes(head + item("A", "a", "d1") + item("B", "b", "d2"));
    EXPECT_EQ(converted.count, 2);
    EXPECT_EQ(converted.bytes.size(), 2200u);
}

}  // namespace
}  // namespace lorvex
