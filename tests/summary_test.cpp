// The description summary: escaped markup, alt text, linked text and plain text.
#include <gtest/gtest.h>

#include <string>

#include "summary.h"
#include "support/cases.h"
#include "support/whole_text.h"

namespace lorvex {
namespace {

struct SummaryCase {
    const char* name;
    std::u16string description;
    std::u16string summary;
};

class Summarize : public testing::TestWithParam<SummaryCase> {};

TEST_P(Summarize, PicksThePlainText) {
    EXPECT_EQ(test::summarize(GetParam().description), GetParam().summary);
}

const std::u16string text450 = std::u16string(400, u'p') + std::u16string(50, u'q');

const SummaryCase summaryCases[] = {
    // Escaped markup: the lead text, its trailing space kept.
    SummaryCase{"escaped_keeps_the_lead_text", u"Lead text &lt;p&gt;more&lt;/p&gt;", u"Lead text "},
    SummaryCase{"escaped_at_the_start_is_empty", u"&lt;p&gt;text", u""},
    SummaryCase{"escaped_needs_no_semicolon", u"ab&ltc", u"ab"},
    SummaryCase{"escaped_wins_over_alt", u"x alt=\"v\" style= &lt;", u"x alt=\"v\" style= "},
    SummaryCase{"escaped_is_case_sensitive", u"a &LT;b", u"a &LT;b"},
    // Alt text: one character skipped behind "alt=", two dropped before "style=".
    SummaryCase{"alt_value_before_style",
                u"<![CDATA[<img src=\"x.png\" alt=\"A boat\" style=\"w\">]]>", u"A boat"},
    SummaryCase{"alt_value_directly_before_style_loses_its_last_character",
                u"<img alt=\"Boat\"style=\"w\">", u"Boa"},
    SummaryCase{"unquoted_alt_value_loses_first_and_last_character", u"<img alt=Boat style=\"w\">",
                u"oa"},
    SummaryCase{"attribute_between_alt_and_style_is_copied",
                u"<img alt=\"Boat\" title=\"Sea\" style=\"w\">", u"Boat\" title=\"Sea"},
    SummaryCase{"alt_counts_from_the_first_alt", u"alt=\"one\" style= alt=\"two\" style=", u"one"},
    SummaryCase{"alt_value_is_cut_to_400", u"alt=\"" + text450 + u"\" style=",
                text450.substr(0, 400)},
    // Empty alt value: the text from the first "</a>" to the next "</p>".
    SummaryCase{"empty_alt_takes_the_link_text",
                u"<p><a href=\"u\"><img alt=\"\" style=\"b\"></a>Linked text.</p>",
                u"Linked text."},
    SummaryCase{"empty_alt_searches_link_end_from_the_start",
                u"<a>x</a>Before</p><img alt=\"\" style=\"b\"></a>After</p>", u"Before"},
    SummaryCase{"empty_alt_without_link_end_is_empty", u"<img alt=\"\" style=\"b\">text</p>", u""},
    SummaryCase{"empty_alt_without_paragraph_end_is_empty", u"<img alt=\"\" style=\"b\"></a>text",
                u""},
    SummaryCase{"style_one_character_after_alt_takes_the_link_text", u"alt=\"style=\"</a>Link</p>",
                u"Link"},
    SummaryCase{"style_two_characters_after_alt_takes_the_link_text",
                u"alt=\"\"style=\"b\"></a>Link</p>", u"Link"},
    SummaryCase{"style_directly_behind_alt_is_not_seen", u"alt=style=</a>Link</p>", u""},
    SummaryCase{"alt_without_style_is_empty", u"<img alt=\"Boat\">", u""},
    SummaryCase{"style_before_alt_does_not_count", u"style=\"w\" alt=\"Boat\">", u""},
    // Plain text: the description itself, at most 400 characters.
    SummaryCase{"plain_text_is_kept", u"Just words.", u"Just words."},
    SummaryCase{"plain_text_is_cut_to_400", text450, text450.substr(0, 400)},
    SummaryCase{"cdata_without_markers_is_kept_whole", u"<![CDATA[Some <b>bold</b>]]>",
                u"<![CDATA[Some <b>bold</b>]]>"},
    SummaryCase{"empty_description_is_empty", u"", u""},
    SummaryCase{"leading_space_is_kept", u" spaced", u" spaced"},
};

INSTANTIATE_TEST_SUITE_P(Rules, Summarize, testing::ValuesIn(summaryCases), test::CaseName{});

}  // namespace
}  // namespace lorvex
