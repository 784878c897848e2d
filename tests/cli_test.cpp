// The pieces of the lorvex tool: escapes and display widths, the table and export formats, batch
// names and threads, and explain's agreement with the conversion.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // std::min and std::max, not the macros of windows.h
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <vector>

#include "batch.h"
#include "convert.h"
#include "convert_command.h"
#include "display.h"
#include "explain_command.h"
#include "formats.h"
#include "lorvex.h"
#include "support/cases.h"
#include "support/conversions.h"
#include "support/files.h"
#include "unicode.h"

namespace lorvex::tool {
namespace {

namespace fs = std::filesystem;

// The columns a line of UTF-8 takes on a terminal, as printed (its escapes already in it), not
// counting its line end.
std::size_t printedColumns(std::string_view utf8) {
    if (!utf8.empty() && utf8.back() == '\n') utf8.remove_suffix(1);
    std::size_t columns = 0;
    for (std::size_t i = 0; i < utf8.size();)
        columns += charColumns(unicode::nextCodePoint(utf8, i));
    return columns;
}

struct EscapeCase {
    const char* name;
    std::u16string text;
    std::string shown;
    std::size_t columns;
};

class Escape : public testing::TestWithParam<EscapeCase> {};

TEST_P(Escape, ShowsEveryCharacterVisiblyOnOneLine) {
    const EscapeCase& c = GetParam();
    EXPECT_EQ(escapeForDisplay(c.text), c.shown);
    EXPECT_EQ(displayColumns(c.text), c.columns);
}

const EscapeCase escapeCases[] = {
    EscapeCase{"plain_text_is_kept", u"News", "News", 4},
    EscapeCase{"zero_tab_newline_and_return_get_short_escapes", std::u16string(u"a\0\t\n\rb", 6),
               "a\\0\\t\\n\\rb", 10},
    EscapeCase{"a_backslash_is_doubled_so_escapes_read_one_way", u"C:\\n", "C:\\\\n", 5},
    EscapeCase{"escape_and_delete_get_hex_escapes", u"\x1B[31m\x7F", "\\x1B[31m\\x7F", 12},
    EscapeCase{"c1_controls_get_unicode_escapes", u"a\u0085b", "a\\u0085b", 8},
    EscapeCase{"bidi_overrides_and_line_separators_are_escaped", u"\u202Eab\u2028",
               "\\u202Eab\\u2028", 14},
    EscapeCase{"a_lone_surrogate_is_named", std::u16string{u'a', char16_t(0xD800), u'b'},
               "a\\uD800b", 8},
    EscapeCase{"a_lone_low_surrogate_is_named", std::u16string{char16_t(0xDC00)}, "\\uDC00", 6},
    EscapeCase{"cjk_takes_two_columns_a_character", u"東京", "東京", 4},
    EscapeCase{"hangul_and_fullwidth_forms_are_wide", u"한Ａ", "한Ａ", 4},
    EscapeCase{"halfwidth_katakana_is_narrow", u"ｱｲ", "ｱｲ", 2},
    EscapeCase{"an_emoji_pair_is_one_wide_character", u"😀", "😀", 2},
    EscapeCase{"a_combining_accent_takes_no_column", u"e\u0301", "e\u0301", 1},
    EscapeCase{"accented_latin_is_narrow", u"Ünïcödé", "Ünïcödé", 7},
};

INSTANTIATE_TEST_SUITE_P(Characters, Escape, testing::ValuesIn(escapeCases), test::CaseName{});

struct WidthCase {
    const char* name;
    char32_t c;
    std::size_t columns;
};

class CharColumns : public testing::TestWithParam<WidthCase> {};

TEST_P(CharColumns, CountsTheColumnsATerminalDraws) {
    EXPECT_EQ(charColumns(GetParam().c), GetParam().columns);
}

const WidthCase widthCases[] = {
    WidthCase{"ascii_is_narrow", U'A', 1},
    WidthCase{"precomposed_accented_latin_is_narrow", U'\u00E9', 1},
    WidthCase{"ambiguous_width_greek_is_narrow", U'\u03B1', 1},
    WidthCase{"combining_acute_takes_no_column", U'\u0301', 0},
    WidthCase{"devanagari_virama_takes_no_column", U'\u094D', 0},
    WidthCase{"tibetan_vowel_sign_takes_no_column", U'\u0F72', 0},
    WidthCase{"enclosing_circle_takes_no_column", U'\u20DD', 0},
    WidthCase{"zero_width_space_takes_no_column", U'\u200B', 0},
    WidthCase{"emoji_variation_selector_takes_no_column", U'\uFE0F', 0},
    WidthCase{"language_tag_takes_no_column", U'\U000E0001', 0},
    WidthCase{"soft_hyphen_shows_as_a_hyphen", U'\u00AD', 1},
    WidthCase{"combining_kana_voicing_mark_takes_no_column", U'\u3099', 0},
    WidthCase{"cjk_ideograph_is_wide", U'\u6771', 2},
    WidthCase{"hangul_syllable_is_wide", U'\uD55C', 2},
    WidthCase{"fullwidth_latin_is_wide", U'\uFF21', 2},
    WidthCase{"halfwidth_katakana_is_narrow", U'\uFF76', 1},
    WidthCase{"emoji_is_wide", U'\U0001F600', 2},
    WidthCase{"astral_cjk_ideograph_is_wide", U'\U00020000', 2},
    WidthCase{"leading_jamo_is_wide", U'\u1100', 2},
    WidthCase{"conjoining_jamo_vowel_joins_the_syllable", U'\u1161', 0},
};

INSTANTIATE_TEST_SUITE_P(Characters, CharColumns, testing::ValuesIn(widthCases), test::CaseName{});

struct FitCase {
    const char* name;
    std::u16string text;
    std::size_t columns;
    std::string shown;
};

class FitColumns : public testing::TestWithParam<FitCase> {};

TEST_P(FitColumns, CutsWithAnEllipsisAndPadsToTheWidth) {
    const FitCase& c = GetParam();
    std::string shown = fitColumns(c.text, c.columns, true);
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(printedColumns(shown), c.columns);
}

const FitCase fitCases[] = {
    FitCase{"text_that_fits_exactly_is_whole", u"abcd", 4, "abcd"},
    FitCase{"shorter_text_is_padded", u"ab", 4, "ab  "},
    FitCase{"one_column_too_many_is_cut", u"abcde", 4, "abc…"},
    FitCase{"a_wide_character_at_the_edge_leaves_a_space", u"a東京", 3, "a… "},
    FitCase{"wide_characters_that_fit_are_kept", u"東京都", 5, "東京…"},
    FitCase{"an_escape_is_never_split", u"ab\ncd", 4, "ab… "},
    FitCase{"a_combining_mark_stays_with_its_letter", u"ae\u0301bc", 3, "ae\u0301…"},
    FitCase{"no_room_shows_nothing", u"abc", 0, ""},
};

INSTANTIATE_TEST_SUITE_P(Fields, FitColumns, testing::ValuesIn(fitCases), test::CaseName{});

TEST(Utf8, LoneSurrogatesBecomeReplacementCharactersAndZeroIsKept) {
    std::u16string text{u'a', char16_t(0xD83D), u'\0', char16_t(0xDE00), u"😀"[0], u"😀"[1]};
    EXPECT_EQ(unicode::toUtf8Lossy(text),
              std::string("a\xEF\xBF\xBD\0\xEF\xBF\xBD\xF0\x9F\x98\x80", 12));
}

TEST(Trim, PaddingGoesAndOtherWhiteSpaceStays) {
    EXPECT_EQ(trimPadding(u"\ttitle \n   "), u"\ttitle \n");
    EXPECT_EQ(trimPadding(u"    "), u"");
    EXPECT_EQ(trimWhitespace(u"\n  title\t \r\n"), u"title");
    EXPECT_EQ(trimWhitespace(u" \t"), u"");
}

struct CsvCase {
    const char* name;
    std::u16string title;
    std::string row;
};

class Csv : public testing::TestWithParam<CsvCase> {};

TEST_P(Csv, QuotesOnlyWhatNeedsQuoting) {
    const CsvCase& c = GetParam();
    EXPECT_EQ(csvRow({7, c.title, u"date", u"summary"}), "7," + c.row + ",date,summary\r\n");
}

const CsvCase csvCases[] = {
    CsvCase{"plain_field_is_bare", u"News", "News"},
    CsvCase{"comma_is_quoted", u"a, b", "\"a, b\""},
    CsvCase{"quote_is_doubled", u"say \"hi\"", "\"say \"\"hi\"\"\""},
    CsvCase{"line_breaks_are_quoted_as_they_are", u"a\r\nb", "\"a\r\nb\""},
    CsvCase{"edge_spaces_are_quoted", u"  padded  ", "\"  padded  \""},
    CsvCase{"empty_field_is_empty", u"", ""},
    CsvCase{"zero_and_tab_go_through", std::u16string(u"a\0\tb", 4), std::string("a\0\tb", 4)},
    CsvCase{"lone_surrogate_becomes_replacement", std::u16string{char16_t(0xDFFF)}, "\xEF\xBF\xBD"},
};

INSTANTIATE_TEST_SUITE_P(Fields, Csv, testing::ValuesIn(csvCases), test::CaseName{});

TEST(Json, EveryFieldSurvivesARoundTripAndControlsAreEscaped) {
    std::u16string title{u'\0', u'\x1B', u'"', u'\\', u'\n', char16_t(0xD800), u'東'};
    std::string object = jsonObject({3, title, u"Mon", u"  sum  "});
    EXPECT_NE(object.find("\\u0000\\u001b\\\"\\\\\\n"), std::string::npos) << object;
    EXPECT_EQ(object.find('\n'), std::string::npos);
    EXPECT_EQ(object.rfind("{\"record\":3,\"title\":", 0), 0u);

    nlohmann::json parsed = nlohmann::json::parse(object);
    EXPECT_EQ(parsed["title"], std::string("\0\x1B\"\\\n\xEF\xBF\xBD東", 11));
    EXPECT_EQ(parsed["date"], "Mon");
    EXPECT_EQ(parsed["summary"], "  sum  ");
}

struct LayoutCase {
    const char* name;
    std::size_t columns;
    std::optional<std::uint64_t> records;  // nothing: a stream
    TableLayout layout;
};

class Layout : public testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, SizesTheColumnsFromTheTerminalAlone) {
    const LayoutCase& c = GetParam();
    TableLayout layout = layoutTable(c.columns, c.records);
    EXPECT_EQ(std::tie(layout.number, layout.title, layout.date, layout.summary),
              std::tie(c.layout.number, c.layout.title, c.layout.date, c.layout.summary));
}

const LayoutCase layoutCases[] = {
    LayoutCase{"eighty_columns", 80, 5, {1, 16, 31, 26}},
    LayoutCase{"a_stream_numbers_in_four_digits", 80, std::nullopt, {4, 15, 31, 24}},
    LayoutCase{"an_empty_file_still_has_its_number_column", 80, 0, {1, 16, 31, 26}},
    LayoutCase{"the_number_is_as_wide_as_the_last", 200, 1000000, {7, 62, 31, 94}},
    LayoutCase{"the_date_stays_whole_down_to_half_the_room", 69, 9, {1, 12, 31, 19}},
    LayoutCase{"then_it_takes_half_the_room", 68, 9, {1, 12, 30, 19}},
    LayoutCase{"the_date_gives_way_to_title_and_summary", 31, 9, {1, 8, 8, 8}},
    LayoutCase{"no_column_goes_below_eight", 10, 9, {1, 8, 8, 8}},
};

INSTANTIATE_TEST_SUITE_P(Widths, Layout, testing::ValuesIn(layoutCases), test::CaseName{});

// Whatever the width and the count, the table fills the terminal exactly once it is wide enough
// for every column's narrowest, and no printed line is wider than that.
TEST(Table, FillsTheWidthItIsGiven) {
    static const std::u16string title(100, u'T'), summary(400, u's');
    const std::vector<RecordFields> rows{
        {1, u"Short", u"Mon, 07 Dec 2026 09:00:00 +0900", u"Plain"},
        {22, title, u"Tue, 08 Dec 2026 10:30:00 GMT", summary},
        {333, u"東京と大阪の天気予報です", u"Wed", u"tab\there \x1B"},
        {4444, u"\n\n\n\n\n\n\n\n\n\n", u"", u"東京と大阪の天気予報です東京と大阪の天気予報です"}};
    for (std::optional<std::uint64_t> records : {std::optional<std::uint64_t>{}, {4444}, {99999}}) {
        for (std::size_t columns = 0; columns <= 300; ++columns) {
            TableLayout layout = layoutTable(columns, records);
            std::size_t narrowest = layout.number + 6 + 3 * 8;
            std::size_t width = layout.number + layout.title + layout.date + layout.summary + 6;
            EXPECT_EQ(width, std::max(columns, narrowest)) << columns;
            EXPECT_LE(layout.date, 31u);
            EXPECT_GE(std::min({layout.title, layout.date, layout.summary}), 8u);
            EXPECT_LE(printedColumns(tableHeading(layout)), width);
            for (const RecordFields& row : rows) {
                std::string line = tableRow(layout, row);
                EXPECT_LE(printedColumns(line), width) << columns << ": " << line;
                EXPECT_EQ(line.find('\n'), line.size() - 1);
            }
        }
    }
}

TEST(Table, RowsKeepTheirNumberWholeAndDropTrailingSpaces) {
    TableLayout layout{4, 8, 8, 10};
    EXPECT_EQ(tableHeading(layout), "   #  Title     Date      Summary\n");
    EXPECT_EQ(tableRow(layout, {7, u"Short", u"Mon", u""}), "   7  Short     Mon\n");
    EXPECT_EQ(tableRow(layout, {12345, u"東京と大阪の天気", u"Mon, 07 Dec 2026", u"tab\there"}),
              "12345  東京と…   Mon, 07…  tab\\there\n");
}

TEST(Fields, LoseTheirPaddingUnlessRaw) {
    Record record;
    std::u16string units(recordWidth, u' ');
    units.replace(0, 3, u"東京!");
    std::copy(units.begin(), units.end(), record.units.begin());
    EXPECT_EQ(fieldsOf(1, record, false).title, u"東京!");
    EXPECT_EQ(fieldsOf(1, record, true).title.size(), 100u);
    EXPECT_EQ(fieldsOf(1, record, false).summary, u"");
}

struct NameCase {
    const char* name;
    std::string feed;
    std::string record;
};

class RecordFileName : public testing::TestWithParam<NameCase> {};

TEST_P(RecordFileName, ReplacesTheLastExtension) {
    EXPECT_EQ(recordFileName(GetParam().feed), GetParam().record);
}

const NameCase recordFileNames[] = {
    {"directory_is_dropped", "feeds/news.xml", "news.rec"},
    {"no_extension_gets_one", "news", "news.rec"},
    {"only_the_last_extension_goes", "a.b.xml", "a.b.rec"},
    {"a_dot_in_the_directory_is_not_an_extension", "v1.2/feed", "feed.rec"},
    {"a_leading_dot_is_part_of_the_name", ".hidden", ".hidden.rec"},
#ifdef _WIN32
    {"a_backslash_ends_a_directory", "feeds\\news.xml", "news.rec"},
    {"a_drive_is_dropped", "Z:news.xml", "news.rec"},
    {"a_long_path_is_a_path", "\\\\?\\Z:\\feeds\\news.xml", "news.rec"},
#endif
};

INSTANTIATE_TEST_SUITE_P(Feeds, RecordFileName, testing::ValuesIn(recordFileNames),
                         test::CaseName{});

// The process's standard input read from a file for as long as the object lives.
class StandardInputFrom {
  public:
    explicit StandardInputFrom(const fs::path& file) {
#ifdef _WIN32
        saved_ = GetStdHandle(STD_INPUT_HANDLE);
        file_ = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
        SetStdHandle(STD_INPUT_HANDLE, file_);
#else
        saved_ = ::dup(STDIN_FILENO);
        int opened = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        ::dup2(opened, STDIN_FILENO);
        ::close(opened);
#endif
    }
    StandardInputFrom(const StandardInputFrom&) = delete;
    StandardInputFrom& operator=(const StandardInputFrom&) = delete;
    ~StandardInputFrom() {
#ifdef _WIN32
        SetStdHandle(STD_INPUT_HANDLE, saved_);
        CloseHandle(file_);
#else
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
#endif
    }

  private:
#ifdef _WIN32
    HANDLE saved_, file_;
#else
    int saved_;
#endif
};

// A record file that is the feed itself, by any name or as the file standard input reads, is
// refused and the feed kept; the same feed converts into any other file.
TEST(Convert, RefusesTheFeedItselfAsItsRecordFile) {
    test::ScratchDir dir;
    test::writeBytes(dir / "feed.xml", test::twoItems);
    std::error_code error;
    fs::create_hard_link(dir / "feed.xml", dir / "link.rec", error);
    StandardInputFrom input(dir / "feed.xml");
    const std::string feed = (dir / "feed.xml").string();
    const std::string ownRecordFiles[][2] = {
        {feed, feed},
        {feed, (dir / "." / "feed.xml").string()},
        {"-", feed},
        // the hard link; on a file system without hard links, the first row again
        {error ? feed : (dir / "link.rec").string(), feed},
    };
    for (const auto& [in, out] : ownRecordFiles)
        EXPECT_EQ(convertOne(in, out, false), ExitStatus::failure) << in << " into " << out;
    EXPECT_EQ(test::readBytes(dir / "feed.xml"), test::twoItems);
    EXPECT_EQ(convertOne("-", (dir / "out.rec").string(), false), ExitStatus::success);
    EXPECT_EQ(fs::file_size(dir / "out.rec"), 2u * recordBytes);
}

// A system that refuses threads (a pids limit) leaves fewer workers, never fewer pieces done.
TEST(Parallel, RunsEveryPieceOnceAndCountsThemInOrder) {
    auto refuseAfter = [](std::size_t started) {
        return [started, count = std::size_t{0}](std::function<void()> body) mutable {
            if (count++ == started) throw std::system_error(EAGAIN, std::generic_category());
            return std::jthread(std::move(body));
        };
    };
    struct {
        unsigned threads;
        ThreadStarter start;
        std::size_t used;
    } cases[] = {{1, startThread, 1},
                 {3, startThread, 3},
                 {64, startThread, 40},
                 {8, refuseAfter(0), 1},
                 {8, refuseAfter(2), 3}};
    for (auto& c : cases) {
        std::vector<std::atomic<int>> runs(40);
        std::vector<std::size_t> counts;
        std::size_t used = runInParallel(
            runs.size(), c.threads, [&](std::size_t i) { ++runs[i]; },
            [&](std::size_t done) { counts.push_back(done); }, c.start);
        EXPECT_EQ(used, c.used) << c.threads;
        EXPECT_TRUE(std::all_of(runs.begin(), runs.end(), [](auto& n) { return n == 1; }));
        ASSERT_EQ(counts.size(), runs.size());
        for (std::size_t k = 0; k < counts.size(); ++k)
            EXPECT_EQ(counts[k], k + 1);
    }
    runInParallel(
        0, 4, [](std::size_t) { FAIL(); }, [](std::size_t) { FAIL(); });
}

TEST(Batch, GoesOnWithTheThreadsItHasAndSaysSoOnce) {
    test::ScratchDir dir;
    const fs::path example = fs::path(LORVEX_SOURCE_DIR) / "examples" / "sample.xml";
    std::vector<std::string> feeds;
    for (const char* name : {"a.xml", "b.xml", "c.xml"}) {
        fs::copy_file(example, dir / name);
        feeds.push_back((dir / name).string());
    }
    auto refuse = [](std::function<void()>) -> std::jthread {
        throw std::system_error(EAGAIN, std::generic_category());
    };
    testing::internal::CaptureStderr();
    ExitStatus status = convertBatch({(dir / "out").string(), feeds, 4, false, refuse});
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, ExitStatus::success);
    EXPECT_EQ(said,
              "lorvex: the system started only 1 thread of 3; the feeds were converted on those\n"
              "3 feeds, 15 records, 0 failures\n");
    for (const char* name : {"a.rec", "b.rec", "c.rec"})
        EXPECT_EQ(fs::file_size(dir / "out" / name), 5500u);
}

// The last column stays free: a terminal that wraps there would scroll on every redraw.
TEST(Progress, TheBarFillsTheLineButItsLastColumn) {
    EXPECT_EQ(progressLine(1, 4, 30), "[####.............] 1/4 feeds");
    EXPECT_EQ(progressLine(4, 4, 30), "[#################] 4/4 feeds");
    EXPECT_EQ(progressLine(0, 2, 5), "[] 0/2 feeds");
}

// explain tells a feed's items through the conversion's own walk, so the records it counts must
// be the records that ConvertFile writes, on every feed there is.
TEST(Explain, CountsTheRecordsThatConvertFileWrites) {
    std::vector<fs::path> feeds = test::corpusFeeds();
    for (const auto& entry : fs::directory_iterator(fs::path(LORVEX_SOURCE_DIR) / "examples")) {
        feeds.push_back(entry.path());
    }
    test::ScratchDir dir;
    for (const fs::path& feed : feeds) {
        platform::InputFile input;
        ASSERT_EQ(input.open(feed.native()), 0) << feed;
        FileSource source(input);
        FeedText text(source);
        std::size_t items = 0, lastRecord = 0;
        WalkTally tally = walkAndTally(text, [&](const ScannedItem&, std::size_t record) {
            ++items;
            if (record != 0) {
                EXPECT_EQ(record, ++lastRecord) << feed;
            }
        });
        EXPECT_EQ(items, tally.items);
        EXPECT_EQ(static_cast<int>(tally.records), test::convert(feed, dir / "out.rec")) << feed;
    }
    if (test::corpusDir().empty()) GTEST_SKIP() << "no corpus: checked the examples only";
}

#ifndef _WIN32
// The tool as a process, ended early: by a reader of its output that goes away, or by a signal
// in the middle of a conversion.
struct EndingCase {
    const char* name;
    std::vector<std::string> arguments;  // in a folder with feed.xml, records.rec and the FIFO
                                         // feed.fifo, which gets the start of a feed and no end
    int signal;          // 0: the reader of standard output is gone before the first byte
    const char* folder;  // where the conversion's temporary is
};

void PrintTo(const EndingCase& c, std::ostream* out) {
    *out << c.name;
}

class Ending : public testing::TestWithParam<EndingCase> {};

// Every command ends alike when its reader goes away: status 1, and not a word. A signal that
// ends a conversion ends the tool as it would any program, and no temporary is left behind.
TEST_P(Ending, AlikeAndWithoutATrace) {
#ifndef LORVEX_TOOL
    GTEST_SKIP() << "the tool is cross-built: no process of it can run here";
#else
    const EndingCase& c = GetParam();
    test::ScratchDir dir;
    std::string feed = "<rss><channel>";
    for (int i = 0; i < 3000; ++i)
        feed += "<item><title>T</title><description>S</description><pubDate>D</pubDate></item>\n";
    test::writeBytes(dir / "feed.xml", feed);
    test::writeBytes(dir / "records.rec", std::string(3000 * 1100, 'r'));
    test::writeBytes(dir / "out.rec", "the old records");
    ASSERT_EQ(::mkfifo((dir / "feed.fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "out");
    // Open for reading and writing, a FIFO opens at once and holds what is written until the
    // tool reads it; it stays open, so the tool waits for more.
    int fifo = ::open((dir / "feed.fifo").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fifo, 0);
    ASSERT_EQ(::write(fifo, feed.data(), 4000), 4000);
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    if (c.signal == 0) ::close(ends[0]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir / "stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> words{LORVEX_TOOL};
    for (const std::string& argument : c.arguments)
        words.push_back(fs::exists(dir / argument) ? (dir / argument).string() : argument);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t tool = 0;
    ASSERT_EQ(::posix_spawn(&tool, LORVEX_TOOL, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);

    auto hiddenFiles = [&] {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(dir / c.folder))
            count += entry.path().filename().string().starts_with(".") ? 1 : 0;
        return count;
    };
    if (c.signal != 0) {
        // Once the temporary is there, the conversion is under way.
        for (int wait = 0; wait < 2000 && hiddenFiles() == 0; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(hiddenFiles(), 1u);
        ::kill(tool, c.signal);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(tool, &status, 0), tool);
    ::close(fifo);
    if (c.signal == 0) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "status " << status;
        EXPECT_EQ(test::readBytes(dir / "stderr"), "");
    } else {
        ::close(ends[0]);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << "status " << status;
        EXPECT_EQ(hiddenFiles(), 0u) << "a temporary was left behind";
        EXPECT_EQ(test::readBytes(dir / "out.rec"), "the old records");
    }
#endif
}

const EndingCase endingCases[] = {
    EndingCase{"convert_to_a_gone_reader", {"convert", "feed.xml", "-"}, 0, "."},
    EndingCase{"show_to_a_gone_reader", {"show", "records.rec"}, 0, "."},
    EndingCase{"explain_to_a_gone_reader", {"explain", "feed.xml"}, 0, "."},
    EndingCase{"interrupted_conversion", {"convert", "feed.fifo", "out.rec"}, SIGINT, "."},
    EndingCase{"terminated_conversion", {"convert", "feed.fifo", "out.rec"}, SIGTERM, "."},
    EndingCase{"hung_up_batch", {"convert", "-d", "out", "feed.fifo"}, SIGHUP, "out"},
};

INSTANTIATE_TEST_SUITE_P(Tool, Ending, testing::ValuesIn(endingCases), test::CaseName{});
#endif

}  // namespace
}  // namespace lorvex::tool
