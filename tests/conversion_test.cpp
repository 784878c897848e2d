// ConvertFile as a host calls it: results, failures, files left alone, threads, real feeds.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "lorvex.h"
#include "support/cases.h"
#include "support/conversions.h"
#include "support/files.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

using test::twoItems;

#ifndef _WIN32
// errno after each kind of failure, and after a success. Each case runs in a folder holding
// feed.xml (two items), out.rec (old records) and an empty folder dir; a path is a name in that
// folder, an absolute path, null, or "<pipe>": /dev/fd/N for a pipe whose reader has gone.
struct ErrnoCase {
    const char* name;
    const char16_t* input;
    const char16_t* output;
    int result;
    int error;  // errno after the call, which sets it to EDOM before it
};

void PrintTo(const ErrnoCase& c, std::ostream* out) {
    *out << c.name;
}

// Every file in the folder and what it holds, so that a failure can be seen to change nothing.
std::map<fs::path, std::string> contentsOf(const fs::path& folder) {
    std::map<fs::path, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        contents[entry.path()] = entry.is_directory() ? "(folder)" : test::readBytes(entry.path());
    return contents;
}

class Errno : public testing::TestWithParam<ErrnoCase> {};

TEST_P(Errno, TellsTheCause) {
    const ErrnoCase& c = GetParam();
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    test::writeBytes(dir / "out.rec", "old records");
    fs::create_directory(dir / "dir");
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    auto path = [&](const char16_t* name) -> std::optional<std::u16string> {
        if (name == nullptr) return std::nullopt;
        if (name == std::u16string_view(u"<pipe>"))
            return test::utf16("/dev/fd/" + std::to_string(ends[1]));
        if (name[0] == u'/') return name;
        return test::widePath(dir.path()) + u"/" + name;
    };
    std::optional<std::u16string> input = path(c.input), output = path(c.output);
    if (output && output->starts_with(u"/dev/") && !fs::exists(test::utf8(*output))) {
        GTEST_SKIP() << "no " << test::utf8(*output);
    }
    const auto before = contentsOf(dir.path());

    errno = EDOM;
    int result =
        ConvertFile(input ? reinterpret_cast<const lorvex_char*>(input->c_str()) : nullptr,
                    output ? reinterpret_cast<const lorvex_char*>(output->c_str()) : nullptr);
    int error = errno;
    ::close(ends[1]);

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(error, c.error) << std::strerror(error);
    if (result == -1) {
        EXPECT_EQ(contentsOf(dir.path()), before);
    }
}

const ErrnoCase errnoCases[] = {
    ErrnoCase{"null_input", nullptr, u"out.rec", -1, EINVAL},
    ErrnoCase{"null_output", u"feed.xml", nullptr, -1, EINVAL},
    // POSIX names are bytes, and a lone surrogate has no UTF-8 form.
    ErrnoCase{"lone_surrogate", u"feed.xml", u"out\xD800.rec", -1, EINVAL},
    ErrnoCase{"missing_input", u"missing.xml", u"out.rec", -1, ENOENT},
    ErrnoCase{"input_is_a_folder", u"dir", u"out.rec", -1, EISDIR},
    ErrnoCase{"output_in_a_missing_folder", u"feed.xml", u"missing/out.rec", -1, ENOENT},
    ErrnoCase{"output_is_a_folder", u"feed.xml", u"dir", -1, EISDIR},
    ErrnoCase{"full_device", u"feed.xml", u"/dev/full", -1, ENOSPC},
    ErrnoCase{"pipe_without_a_reader", u"feed.xml", u"<pipe>", -1, EPIPE},
    // A new output: the library's own look at it fails (ENOENT) on the way to success.
    ErrnoCase{"success_keeps_the_callers_errno", u"feed.xml", u"new.rec", 2, EDOM},
};

INSTANTIATE_TEST_SUITE_P(ConvertFile, Errno, testing::ValuesIn(errnoCases), test::CaseName{});
#endif

TEST(ConvertFile, FeedWithoutRecordsStillCreatesAnEmptyOutput) {
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", "<rss></rss>");
    test::writeBytes(dir / "out.rec", "old contents");
    EXPECT_EQ(test::convert(dir / "feed.xml", dir / "out.rec"), 0);
    EXPECT_EQ(fs::file_size(dir / "out.rec"), 0u);
}

TEST(ConvertFile, ConvertsAFileOntoItself) {
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    EXPECT_EQ(test::convert(dir / "feed.xml", dir / "feed.xml"), 2);
    EXPECT_EQ(fs::file_size(dir / "feed.xml"), 2200u);
}

TEST(ConvertFile, ConvertsOntoAHardLinkOfTheInputAndKeepsTheOtherName) {
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    std::error_code error;
    fs::create_hard_link(dir / "feed.xml", dir / "link.rec", error);
    if (error) GTEST_SKIP() << "no hard links here: " << error.message();
    EXPECT_EQ(test::convert(dir / "feed.xml", dir / "link.rec"), 2);
    EXPECT_EQ(fs::file_size(dir / "link.rec"), 2200u);
    EXPECT_EQ(test::readBytes(dir / "feed.xml"), twoItems);
}

TEST(ConvertFile, NonAsciiFileNames) {
    ScratchDir dir;
    fs::path input = dir.path() / fs::path(u8"Flux \u00E9t\u00E9 \u6771\u4EAC.xml");
    fs::path output =
        dir.path() / fs::path(u8"\u0437\u0430\u043F\u0438\u0441\u0438 \U0001F4F0.rec");
    test::writeBytes(input, twoItems);
    EXPECT_EQ(test::convert(input, output), 2);
    EXPECT_EQ(fs::file_size(output), 2200u);
}

TEST(ConvertFile, FieldsOfHundredsOfThousandsOfCharactersOnOneLineAreFitted) {
    // A title and a description of 200,000 characters each, on one line of over 400,000: the
    // record is fitted from them as from any item's, and the items after it are converted too.
    std::string longText(200'000, 'x');
    std::string feed = " <item><title>T" + longText + "</title><description>" + longText +
                       "</description><pubDate>d</pubDate></item>" + twoItems.substr(1);
    test::Converted converted = test::convertBytes(feed);
    ASSERT_EQ(converted.count, 3);
    EXPECT_EQ(converted.bytes.substr(0, 1100),
              test::utf16le(test::fittedRecord("T" + longText, "d", longText)));
}

TEST(ConvertFile, NulCharactersAreWrittenAsCharacters) {
    using namespace std::string_literals;
    test::Converted converted = test::convertBytes(
        " <item><title>A\0B</title><description>\0x</description>"
        "<pubDate>d</pubDate></item>"s);
    ASSERT_EQ(converted.count, 1);
    EXPECT_EQ(converted.bytes.size(), 1100u);
    EXPECT_EQ(converted.bytes.substr(0, 6), "A\0\0\0B\0"s);
}

const fs::path examplePath = fs::path(LORVEX_SOURCE_DIR) / "examples" / "sample.xml";
const fs::path goldenPath = fs::path(LORVEX_SOURCE_DIR) / "tests" / "golden" / "sample.rec";

// Set LORVEX_REGENERATE_GOLDEN=1 to rewrite the golden file after a deliberate change.
TEST(ConvertFile, ExampleMatchesItsGoldenRecordFile) {
    ScratchDir dir;
    int count = test::convert(examplePath, dir / "sample.rec");
    std::string bytes = test::readBytes(dir / "sample.rec");
    if (const char* regenerate = std::getenv("LORVEX_REGENERATE_GOLDEN");
        regenerate && std::string(regenerate) == "1") {
        test::writeBytes(goldenPath, bytes);
    }
    EXPECT_EQ(count, 5);
    EXPECT_EQ(bytes, test::readBytes(goldenPath));
}

TEST(ConvertFile, EveryCorpusFeedConverts) {
    std::vector<fs::path> feeds = test::corpusFeeds();
    if (feeds.empty()) GTEST_SKIP() << "the feed corpus is absent";
    ScratchDir dir;
    int total = 0;
    for (const fs::path& feed : feeds) {
        int count = test::convert(feed, dir / "out.rec");
        ASSERT_GE(count, 0) << feed;
        EXPECT_EQ(fs::file_size(dir / "out.rec"), 1100u * static_cast<unsigned>(count)) << feed;
        total += count;
    }
    EXPECT_GT(total, 0);
}

TEST(ConvertFile, OverlappingCallsGiveTheSequentialResults) {
    std::vector<fs::path> feeds = test::corpusFeeds();
    feeds.push_back(examplePath);
    ScratchDir dir;
    std::vector<int> sequential;
    std::vector<std::string> sequentialBytes;
    for (std::size_t i = 0; i < feeds.size(); ++i) {
        sequential.push_back(test::convert(feeds[i], dir / "seq.rec"));
        sequentialBytes.push_back(test::readBytes(dir / "seq.rec"));
    }
    auto outputOf = [&dir](int thread, std::size_t feed) {
        std::string name = "t";
        name.append(std::to_string(thread)).append("-").append(std::to_string(feed));
        return dir / (name + ".rec");
    };
    constexpr int threads = 4;
    std::vector<std::vector<int>> counts(threads, std::vector<int>(feeds.size()));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            // Each thread starts at a different feed, so different feeds overlap.
            for (std::size_t k = 0; k < feeds.size(); ++k) {
                std::size_t i = (k + static_cast<std::size_t>(t) * 7) % feeds.size();
                counts[static_cast<std::size_t>(t)][i] = test::convert(feeds[i], outputOf(t, i));
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    for (int t = 0; t < threads; ++t) {
        for (std::size_t i = 0; i < feeds.size(); ++i) {
            EXPECT_EQ(counts[static_cast<std::size_t>(t)][i], sequential[i]) << feeds[i];
            EXPECT_EQ(test::readBytes(outputOf(t, i)), sequentialBytes[i]) << feeds[i];
        }
    }
}

}  // namespace
}  // namespace lorvex
