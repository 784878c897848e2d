// Field fitting and the acceptance test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "conversion/record.h"
#include "support/cases.h"

namespace lorvex {
namespace {

struct FitCase {
    const char* name;
    std::u16string text;
    std::size_t width;
    std::u16string field;
};

class FitText : public testing::TestWithParam<FitCase> {};

TEST_P(FitText, CutsOrPadsToTheWidth) {
    const FitCase& c = GetParam();
    std::u16string field(c.width, u'?');
    fitText(c.text, field.data(), c.width);
    EXPECT_EQ(field, c.field);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FitText,
    testing::Values(FitCase{"title_of_exactly_100_fills_the_field", std::u16string(100, u'a'), 100,
                            std::u16string(100, u'a')},
                    FitCase{"title_of_120_keeps_its_first_100",
                            std::u16string(100, u'a') + u"bbbbbbbbbbbbbbbbbbbb", 100,
                            std::u16string(100, u'a')},
                    FitCase{"date_of_60_keeps_its_first_50",
                            std::u16string(50, u'1') + u"2222222222", 50, std::u16string(50, u'1')},
                    FitCase{"date_of_29_gets_21_spaces", std::u16string(29, u'd'), 50,
                            std::u16string(29, u'd') + std::u16string(21, u' ')},
                    FitCase{"empty_text_is_all_spaces", u"", 400, std::u16string(400, u' ')},
                    FitCase{"zero_is_kept_as_a_character", std::u16string(u"a\0b", 3), 5,
                            std::u16string(u"a\0b  ", 5)},
                    FitCase{"newlines_and_tabs_are_kept", u"a\r\n\tb", 6, u"a\r\n\tb "}),
    test::CaseName{});

Record recordOf(std::u16string_view title, std::u16string_view summary) {
    Record record{};
    fitText(title, record.units.data(), titleWidth);
    fitText(u"date", record.units.data() + titleWidth, dateWidth);
    fitText(summary, record.units.data() + titleWidth + dateWidth, summaryWidth);
    return record;
}

struct JudgeCase {
    const char* name;
    std::u16string title;
    std::u16string summary;
    Verdict verdict;
};

class Judge : public testing::TestWithParam<JudgeCase> {};

TEST_P(Judge, AppliesTheAcceptanceTest) {
    const JudgeCase& c = GetParam();
    EXPECT_EQ(judge(recordOf(c.title, c.summary), std::min<std::size_t>(c.title.size(), 100),
                    c.summary.size()),
              c.verdict);
}

INSTANTIATE_TEST_SUITE_P(
    Items, Judge,
    testing::Values(
        JudgeCase{"plain_item_is_accepted", u"Title", u"Summary", Verdict::accepted},
        JudgeCase{"cdata_title_is_skipped", u"<![CDATA[Title]]>", u"Summary",
                  Verdict::titleHasCdata},
        JudgeCase{"cdata_at_character_96_is_skipped", std::u16string(95, u'x') + u"CDATA",
                  u"Summary", Verdict::titleHasCdata},
        JudgeCase{"cdata_past_character_100_is_kept", std::u16string(100, u'x') + u"CDATA",
                  u"Summary", Verdict::accepted},
        JudgeCase{"cdata_cut_by_the_field_is_kept", std::u16string(96, u'x') + u"CDATA", u"Summary",
                  Verdict::accepted},
        JudgeCase{"lower_case_cdata_is_kept", u"cdata", u"Summary", Verdict::accepted},
        JudgeCase{"cdata_wins_over_an_empty_summary", u"CDATA", u"", Verdict::titleHasCdata},
        JudgeCase{"empty_summary_is_skipped", u"Title", u"", Verdict::emptySummary},
        JudgeCase{"summary_starting_with_a_space_is_skipped", u"Title", u" Summary",
                  Verdict::summaryStartsWithSpace},
        JudgeCase{"summary_starting_with_a_newline_is_kept", u"Title", u"\nSummary",
                  Verdict::accepted},
        JudgeCase{"summary_starting_with_a_tab_is_kept", u"Title", u"\tSummary",
                  Verdict::accepted}),
    test::CaseName{});

}  // namespace
}  // namespace lorvex
