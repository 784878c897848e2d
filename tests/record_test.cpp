// The acceptance test on fitted records.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "record.h"
#include "support/cases.h"

namespace lorvex {
namespace {

Record recordOf(std::u16string_view title, std::u16string_view summary) {
    Record record{};
    auto fit = [&](std::u16string_view text, std::size_t offset, std::size_t width) {
        std::size_t length = std::min(text.size(), width);
        std::copy_n(text.data(), length, record.units.data() + offset);
        padField(record.units.data() + offset, length, width);
    };
    fit(title, 0, titleWidth);
    fit(u"date", titleWidth, dateWidth);
    fit(summary, titleWidth + dateWidth, summaryWidth);
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
