// ConvertFile on what goes wrong: inputs, outputs and paths that a host may hand it by mistake or
// by malice, and calls that overlap on one file. Each call fails with -1 or converts, and leaves
// alone every file it was not asked to write.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <thread>

#include "convert.h"
#include "lorvex.h"
#include "support/cases.h"
#include "support/conversions.h"
#include "support/files.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::ScratchDir;
using test::twoItems;

const std::string oldRecords = "the old records";

std::set<fs::path> filesIn(const fs::path& dir) {
    std::set<fs::path> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename());
    return names;
}

TEST(BadInput, UnreadableInputFailsAndLeavesTheOutputAlone) {
    // Root reads any file; the platform test makes the open fail instead.
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    test::writeBytes(dir / "out.rec", oldRecords);
    fs::permissions(dir / "feed.xml", fs::perms::none);
    EXPECT_EQ(test::convert(dir / "feed.xml", dir / "out.rec"), -1);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), oldRecords);
}

TEST(BadInput, DirectoryConvertedOntoItselfStaysADirectory) {
    ScratchDir dir;
    fs::create_directory(dir / "feeds");
    test::writeBytes(dir / "feeds" / "feed.xml", twoItems);
    EXPECT_EQ(test::convert(dir / "feeds", dir / "feeds"), -1);
    EXPECT_EQ(test::readBytes(dir / "feeds" / "feed.xml"), twoItems);
}

TEST(Streams, PipeConvertsLikeTheSameBytesInAFile) {
    ScratchDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::thread writer([&] { test::writeBytes(dir / "pipe", twoItems); });
    int count = test::convert(dir / "pipe", dir / "out.rec");
    writer.join();
    EXPECT_EQ(count, 2);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), test::convertBytes(twoItems).bytes);
}

TEST(Streams, EmptyDeviceGivesNoRecords) {
    ScratchDir dir;
    test::writeBytes(dir / "out.rec", oldRecords);
    EXPECT_EQ(test::convert("/dev/null", dir / "out.rec"), 0);
    EXPECT_EQ(fs::file_size(dir / "out.rec"), 0u);
}

// What kind of file the output is decides how it is replaced; no kind keeps a temporary.
struct OutputCase {
    const char* name;
    void (*prepare)(const ScratchDir& dir);  // makes "out.rec", and what it leads to
    const char* records;                     // the file that must hold the records
    const char* oldRecords;                  // a file that must still hold the old ones, if any
};

void PrintTo(const OutputCase& c, std::ostream* out) {
    *out << c.name;
}

class Outputs : public testing::TestWithParam<OutputCase> {};

TEST_P(Outputs, ReceiveTheRecordsWhereTheyPoint) {
    const OutputCase& c = GetParam();
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    c.prepare(dir);
    std::set<fs::path> before = filesIn(dir.path());
    ASSERT_EQ(test::convert(dir / "feed.xml", dir / "out.rec"), 2);
    EXPECT_EQ(test::readBytes(dir / c.records), test::convertBytes(twoItems).bytes);
    if (c.oldRecords != nullptr) {
        EXPECT_EQ(test::readBytes(dir / c.oldRecords), oldRecords);
    }
    std::set<fs::path> after = filesIn(dir.path());
    after.insert(c.records);  // created when there was none
    before.insert(c.records);
    EXPECT_EQ(after, before) << "a temporary was left behind";
    EXPECT_TRUE(fs::exists(fs::symlink_status(dir / "out.rec")));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Outputs,
    testing::Values(
        OutputCase{"new_file", [](const ScratchDir&) {}, "out.rec", nullptr},
        OutputCase{"existing_file",
                   [](const ScratchDir& dir) { test::writeBytes(dir / "out.rec", oldRecords); },
                   "out.rec", nullptr},
        OutputCase{"symbolic_link_replaces_its_target_and_stays",
                   [](const ScratchDir& dir) {
                       fs::create_directory(dir / "real");
                       test::writeBytes(dir / "real" / "target.rec", oldRecords);
                       fs::create_symlink("real/target.rec", dir / "out.rec");
                   },
                   "real/target.rec", nullptr},
        OutputCase{"dangling_link_creates_its_target",
                   [](const ScratchDir& dir) { fs::create_symlink("target.rec", dir / "out.rec"); },
                   "target.rec", nullptr},
        OutputCase{"hard_link_keeps_the_old_records",
                   [](const ScratchDir& dir) {
                       test::writeBytes(dir / "out.rec", oldRecords);
                       fs::create_hard_link(dir / "out.rec", dir / "other.rec");
                   },
                   "out.rec", "other.rec"}),
    test::CaseName{});

TEST(Outputs, ReplacementKeepsThePermissions) {
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    test::writeBytes(dir / "out.rec", oldRecords);
    fs::permissions(dir / "out.rec",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(test::convert(dir / "feed.xml", dir / "out.rec"), 2);
    EXPECT_EQ(fs::status(dir / "out.rec").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(Outputs, ReadOnlyFileIsNotReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    test::writeBytes(dir / "out.rec", oldRecords);
    fs::permissions(dir / "out.rec", fs::perms::owner_read);
    EXPECT_EQ(test::convert(dir / "feed.xml", dir / "out.rec"), -1);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), oldRecords);
}

// The host is not killed by SIGPIPE, and no SIGPIPE is left pending for it either.
TEST(Outputs, PipeWithoutAReaderFailsWithEpipe) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    Conversion result = convertFile(dir / "feed.xml", "/dev/fd/" + std::to_string(ends[1]));
    ::close(ends[1]);
    EXPECT_EQ(result.failure, Failure::writeOutput);
    EXPECT_EQ(result.error, EPIPE);
    sigset_t pending;
    ASSERT_EQ(sigpending(&pending), 0);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

// One call's output is another's input, or two calls write one output: each ends as one of the
// calls made one after the other would, and nothing crashes.
TEST(Overlapping, OutputThatIsAnotherCallsInputIsReadWholeOldOrNew) {
    ScratchDir dir;
    test::writeBytes(dir / "first.xml", twoItems);
    const std::string secondFeed = twoItems + twoItems.substr(1);
    const std::string oldRecordsOfShared = test::convertBytes(secondFeed).bytes;
    const std::string newRecordsOfShared =
        test::convertBytes(test::convertBytes(twoItems).bytes).bytes;
    for (int round = 0; round < 50; ++round) {
        test::writeBytes(dir / "shared.xml", secondFeed);
        int written = 0, read = 0;
        std::thread writer([&] { written = test::convert(dir / "first.xml", dir / "shared.xml"); });
        std::thread reader([&] { read = test::convert(dir / "shared.xml", dir / "out.rec"); });
        writer.join();
        reader.join();
        ASSERT_EQ(written, 2);
        std::string out = test::readBytes(dir / "out.rec");
        ASSERT_TRUE(out == oldRecordsOfShared || out == newRecordsOfShared) << "round " << round;
        ASSERT_EQ(read, static_cast<int>(out.size() / 1100));
    }
}

TEST(Overlapping, TwoCallsWritingOneOutputLeaveOneWhole) {
    ScratchDir dir;
    const std::string otherFeed = twoItems + twoItems.substr(1);
    test::writeBytes(dir / "a.xml", twoItems);
    test::writeBytes(dir / "b.xml", otherFeed);
    const std::string a = test::convertBytes(twoItems).bytes,
                      b = test::convertBytes(otherFeed).bytes;
    for (int round = 0; round < 50; ++round) {
        int first = 0, second = 0;
        std::thread one([&] { first = test::convert(dir / "a.xml", dir / "out.rec"); });
        std::thread two([&] { second = test::convert(dir / "b.xml", dir / "out.rec"); });
        one.join();
        two.join();
        ASSERT_EQ(first, 2);
        ASSERT_EQ(second, 4);
        std::string out = test::readBytes(dir / "out.rec");
        ASSERT_TRUE(out == a || out == b) << "round " << round;
    }
    EXPECT_EQ(filesIn(dir.path()), (std::set<fs::path>{"a.xml", "b.xml", "out.rec"}));
}

struct PathCase {
    const char* name;
    std::u16string input;  // file names in a folder that holds feed.xml and out.rec
    std::u16string output;
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << c.name;
}

class UnrepresentablePath : public testing::TestWithParam<PathCase> {};

TEST_P(UnrepresentablePath, FailsAndCreatesNothing) {
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    test::writeBytes(dir / "out.rec", oldRecords);
    const std::u16string folder = test::widePath(dir.path()) + u"/";
    const std::u16string input = folder + GetParam().input, output = folder + GetParam().output;
    EXPECT_EQ(ConvertFile(reinterpret_cast<const lorvex_char*>(input.c_str()),
                          reinterpret_cast<const lorvex_char*>(output.c_str())),
              -1);
    EXPECT_EQ(filesIn(dir.path()), (std::set<fs::path>{"feed.xml", "out.rec"}));
    EXPECT_EQ(test::readBytes(dir / "feed.xml"), twoItems);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), oldRecords);
}

// POSIX names are bytes, and a lone surrogate has no UTF-8 form. (Windows takes such names as
// they are.)
INSTANTIATE_TEST_SUITE_P(
    LoneSurrogates, UnrepresentablePath,
    testing::Values(PathCase{"high_in_the_output", u"feed.xml", u"out\xD800.rec"},
                    PathCase{"low_in_the_output", u"feed.xml", u"\xDC00out.rec"},
                    PathCase{"high_ending_the_output", u"feed.xml", u"out.rec\xD83D"},
                    PathCase{"pair_in_the_wrong_order", u"feed.xml", u"\xDCF0\xD83D.rec"},
                    PathCase{"high_in_the_input", u"feed\xDBFF.xml", u"out.rec"},
                    PathCase{"low_ending_the_input", u"feed.xml\xDFFF", u"out.rec"}),
    test::CaseName{});

struct NulCase {
    const char* name;
    std::string before;  // the bytes before the ten mebibytes of NUL
    std::string after;
    int records;
};

void PrintTo(const NulCase& c, std::ostream* out) {
    *out << c.name;
}

class TenMebibytesOfNul : public testing::TestWithParam<NulCase> {};

TEST_P(TenMebibytesOfNul, AreCharactersLikeAnyOther) {
    const NulCase& c = GetParam();
    test::Converted converted =
        test::convertBytes(c.before + std::string(10 << 20, '\0') + c.after);
    EXPECT_EQ(converted.count, c.records);
    EXPECT_EQ(converted.bytes.size(), 1100u * static_cast<unsigned>(c.records));
}

INSTANTIATE_TEST_SUITE_P(Feeds, TenMebibytesOfNul,
                         testing::Values(NulCase{"alone", "", "", 0},
                                         NulCase{"after_a_utf16le_mark", "\xFF\xFE", "", 0},
                                         NulCase{"after_a_utf32be_mark", "\0\0\xFE\xFF"s, "", 0},
                                         NulCase{"before_two_items", "", twoItems, 2},
                                         NulCase{"inside_a_description",
                                                 " <item><title>A</title><description>a",
                                                 "</description><pubDate>d</pubDate></item>", 1}),
                         test::CaseName{});

}  // namespace
}  // namespace lorvex
