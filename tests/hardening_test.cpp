// ConvertFile on what goes wrong: inputs and paths that a host may hand it by mistake or by
// malice. Each call fails with -1 or converts, and leaves alone every file it was not asked to
// write.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <thread>

#include "conversion/convert.h"
#include "lorvex.h"
#include "support/cases.h"
#include "support/convert.h"
#include "support/files.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::ScratchDir;

const std::string twoItems =
    " <item><title>A</title><description>a</description><pubDate>d1</pubDate></item>"
    "<item><title>B</title><description>b</description><pubDate>d2</pubDate></item>";
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

TEST(BadInput, FileOverTheLimitIsRefusedAndLeftWhole) {
    ScratchDir dir;
    {
        // Sparse: one byte over the limit takes no room and no time to make.
        int fd = ::open((dir / "huge.xml").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(inputLimit + 1)), 0);
        ::close(fd);
    }
    test::writeBytes(dir / "out.rec", oldRecords);
    EXPECT_EQ(test::convert(dir / "huge.xml", dir / "out.rec"), -1);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), oldRecords);
    // Converted onto itself, it is not emptied either.
    EXPECT_EQ(test::convert(dir / "huge.xml", dir / "huge.xml"), -1);
    EXPECT_EQ(fs::file_size(dir / "huge.xml"), inputLimit + 1);
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
