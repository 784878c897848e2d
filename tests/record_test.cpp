// The acceptance test on fitted records, and record files written and read back.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

#include "file.h"
#include "record.h"
#include "support/cases.h"
#include "support/files.h"
#ifndef _WIN32
#include "support/pipes.h"
#include "system_calls.h"
#endif

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
    for (platform::Isa isa : platform::availableIsas()) {
        EXPECT_EQ(judge(recordOf(c.title, c.summary), std::min(c.title.size(), titleWidth),
                        c.summary.size(), isa),
                  c.verdict)
            << test::isaName(isa);
    }
}

const JudgeCase judgeCases[] = {
    JudgeCase{"plain_item_is_accepted", u"Title", u"Summary", Verdict::accepted},
    JudgeCase{"cdata_title_is_skipped", u"<![CDATA[Title]]>", u"Summary", Verdict::titleHasCdata},
    JudgeCase{"cdata_at_character_96_is_skipped", std::u16string(95, u'x') + u"CDATA", u"Summary",
              Verdict::titleHasCdata},
    JudgeCase{"cdata_past_character_100_is_kept", std::u16string(100, u'x') + u"CDATA", u"Summary",
              Verdict::accepted},
    JudgeCase{"cdata_cut_by_the_field_is_kept", std::u16string(96, u'x') + u"CDATA", u"Summary",
              Verdict::accepted},
    JudgeCase{"lower_case_cdata_is_kept", u"cdata", u"Summary", Verdict::accepted},
    JudgeCase{"cdata_wins_over_an_empty_summary", u"CDATA", u"", Verdict::titleHasCdata},
    JudgeCase{"empty_summary_is_skipped", u"Title", u"", Verdict::emptySummary},
    JudgeCase{"summary_starting_with_a_space_is_skipped", u"Title", u" Summary",
              Verdict::summaryStartsWithSpace},
    JudgeCase{"summary_starting_with_a_newline_is_kept", u"Title", u"\nSummary", Verdict::accepted},
    JudgeCase{"summary_starting_with_a_tab_is_kept", u"Title", u"\tSummary", Verdict::accepted},
};

INSTANTIATE_TEST_SUITE_P(Items, Judge, testing::ValuesIn(judgeCases), test::CaseName{});

// Record n of a file: units that differ from record to record and from place to place, in both
// bytes, surrogates among them, so that a unit out of order or out of place shows.
Record numbered(std::size_t n) {
    Record record;
    for (std::size_t i = 0; i < recordWidth; ++i)
        record.units[i] = static_cast<char16_t>((n * recordWidth + i) * 40503u);
    return record;
}

struct RoundTripCase {
    const char* name;
    std::size_t records;
    std::string stray;  // bytes after the records, as a file cut short ends
};

class RoundTrip : public testing::TestWithParam<RoundTripCase> {};

// What RecordWriter writes, as UTF-16LE on every machine, RecordReader reads back, unit for unit;
// the bytes after the last whole record are counted, never read as a record.
TEST_P(RoundTrip, WhatTheWriterWritesTheReaderReadsBack) {
    const RoundTripCase& c = GetParam();
    test::ScratchDir dir;
    const std::filesystem::path path = dir / "out.rec";
    std::u16string units;
    {
        platform::OutputFile output;
        ASSERT_EQ(output.open(path), 0);
        RecordWriter writer(output);
        Record apart;
        for (std::size_t n = 0; n < c.records; ++n) {
            // Fitted in place, as the conversion does, and from a record of the caller's.
            Record& record = n % 2 == 0 ? writer.next() : apart;
            record = numbered(n);
            units.append(record.units.begin(), record.units.end());
            ASSERT_EQ(writer.writeRecord(record), 0);
        }
        ASSERT_EQ(writer.flush(), 0);
        ASSERT_EQ(output.commit(), 0);
    }
    ASSERT_EQ(test::readBytes(path), test::utf16le(units));
    test::writeBytes(path, test::utf16le(units) + c.stray);

    platform::InputFile input;
    ASSERT_EQ(input.open(path), 0);
    RecordReader reader(input);
    EXPECT_EQ(reader.knownCount(), c.records);
    Record record;
    for (std::size_t n = 0; n < c.records; ++n) {
        ASSERT_TRUE(reader.next(record)) << n;
        EXPECT_TRUE(record.units == numbered(n).units) << n;
    }
    EXPECT_FALSE(reader.next(record));
    EXPECT_EQ(reader.error(), 0);
    EXPECT_EQ(reader.strayBytes(), c.stray.size());
    EXPECT_EQ(reader.strayOffset(), c.records * recordBytes);
}

const RoundTripCase roundTripCases[] = {
    RoundTripCase{"no_records_make_an_empty_file", 0, ""},
    RoundTripCase{"one_record", 1, ""},
    RoundTripCase{"a_whole_buffer_of_records", 64, ""},
    RoundTripCase{"one_record_past_a_whole_buffer", 65, ""},
    RoundTripCase{"an_incomplete_record_after_whole_ones", 2, "1234567"},
    RoundTripCase{"a_file_shorter_than_a_record", 0, std::string(1099, 'x')},
};

INSTANTIATE_TEST_SUITE_P(Files, RoundTrip, testing::ValuesIn(roundTripCases), test::CaseName{});

TEST(RecordFile, ReadsWholeRecordsAndLocatesAnIncompleteOne) {
    test::ScratchDir dir;
    std::u16string first(550, u' '), second(550, u'x');
    first.replace(0, 3, u"東京!");
    test::writeBytes(dir / "two.rec", test::utf16le(first + second) + "1234567");
    platform::InputFile input;
    ASSERT_EQ(input.open(dir.path() / "two.rec"), 0);
    RecordReader file(input);
    EXPECT_EQ(file.knownCount(), 2u);
    Record record, next;
    ASSERT_TRUE(file.next(record));
    EXPECT_EQ(record.title(), u"東京!" + std::u16string(97, u' '));
    EXPECT_EQ(record.summary(), std::u16string(400, u' '));
    ASSERT_TRUE(file.next(next));
    EXPECT_EQ(next.summary(), std::u16string(400, u'x'));
    EXPECT_FALSE(file.next(next));
    EXPECT_EQ(file.error(), 0);
    EXPECT_EQ(file.strayBytes(), 7u);
    EXPECT_EQ(file.strayOffset(), 2200u);

#ifndef _WIN32
    // A stream's count is not known in advance.
    ASSERT_EQ(::mkfifo((dir / "pipe.rec").c_str(), 0600), 0);
    test::PipeWriter writer(dir / "pipe.rec", test::utf16le(second + first), false);
    platform::InputFile pipe;
    ASSERT_EQ(pipe.open(dir / "pipe.rec"), 0);
    RecordReader stream(pipe);
    EXPECT_EQ(stream.knownCount(), std::nullopt);
    ASSERT_TRUE(stream.next(next));
    EXPECT_EQ(next.summary(), std::u16string(400, u'x'));
    ASSERT_TRUE(stream.next(next));
    EXPECT_FALSE(stream.next(next));
    EXPECT_EQ(stream.error(), 0);
    EXPECT_EQ(stream.strayBytes(), 0u);
#endif
}

#ifndef _WIN32
// A read that fails after the first record ends the records with its error, not as the end of
// the file: show then says it cannot read.
TEST(RecordFile, AReadErrorMidwayIsNotTheEnd) {
    static int reads;
    struct FailingRead {
        platform::SystemCalls saved = platform::systemCalls;
        FailingRead() {
            reads = 0;
            platform::systemCalls.read = [](int fd, void* buffer, std::size_t size) -> ssize_t {
                if (++reads < 2) return ::read(fd, buffer, size);
                errno = EIO;
                return -1;
            };
        }
        ~FailingRead() { platform::systemCalls = saved; }
    };
    test::ScratchDir dir;
    test::writeBytes(dir / "two.rec", test::utf16le(std::u16string(1100, u'x')));
    platform::InputFile input;
    ASSERT_EQ(input.open(dir.path() / "two.rec"), 0);
    RecordReader file(input);
    FailingRead failing;
    Record record;
    EXPECT_TRUE(file.next(record));
    EXPECT_FALSE(file.next(record));
    EXPECT_EQ(file.error(), EIO);
    EXPECT_EQ(file.strayBytes(), 0u);
}
#endif

}  // namespace
}  // namespace lorvex
