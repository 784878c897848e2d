// ConvertFile on what goes wrong: inputs, outputs and paths that a host may hand it by mistake or
// by malice, and calls that overlap on one file. Each call fails with -1 or converts, and leaves
// alone every file it was not asked to write.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

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
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores permissions: run as a user to check";
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
    int error = 0;                           // the call must fail with it, and change nothing
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
    if (c.error != 0) {
        errno = 0;
        EXPECT_EQ(test::convert(dir / "feed.xml", dir / "out.rec"), -1);
        EXPECT_EQ(errno, c.error);
        EXPECT_EQ(filesIn(dir.path()), before);
        EXPECT_TRUE(fs::is_symlink(dir / "out.rec"));
        return;
    }
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

const OutputCase outputCases[] = {
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
               "out.rec", "other.rec"},
    // As cp and a shell's redirection do, a loop of links fails rather than be replaced.
    OutputCase{"link_to_itself_fails",
               [](const ScratchDir& dir) { fs::create_symlink("out.rec", dir / "out.rec"); },
               nullptr, nullptr, ELOOP},
    OutputCase{"loop_of_two_links_fails",
               [](const ScratchDir& dir) {
                   fs::create_symlink("other.rec", dir / "out.rec");
                   fs::create_symlink("out.rec", dir / "other.rec");
               },
               nullptr, nullptr, ELOOP},
};

INSTANTIATE_TEST_SUITE_P(Kinds, Outputs, testing::ValuesIn(outputCases), test::CaseName{});

std::optional<std::string> attribute(const fs::path& file, const char* name) {
    std::string value(256, '\0');
    ssize_t size = ::getxattr(file.c_str(), name, value.data(), value.size());
    if (size < 0) return std::nullopt;
    value.resize(static_cast<std::size_t>(size));
    return value;
}

// An access control list in the form Linux keeps it in its attribute: a version, then each entry
// as tag, permissions and id, sorted by tag. Owner rw, user 1005 rw, group r, mask rw, others r.
std::string accessList() {
    std::string list;
    auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            list += static_cast<char>(value >> (8 * i) & 0xFF);
    };
    put(2, 4);
    for (auto [tag, permissions, id] :
         {std::tuple{0x01u, 6u, ~0u}, std::tuple{0x02u, 6u, 1005u}, std::tuple{0x04u, 4u, ~0u},
          std::tuple{0x10u, 6u, ~0u}, std::tuple{0x20u, 4u, ~0u}}) {
        put(tag, 2);
        put(permissions, 2);
        put(id, 4);
    }
    return list;
}

// What cp -a keeps: the permission bits, an access control list (without which the mask would
// become the group's own permissions) and the other extended attributes.
TEST(Outputs, ReplacementKeepsThePermissionsAndAttributes) {
    ScratchDir dir;
    test::writeBytes(dir / "feed.xml", twoItems);
    test::writeBytes(dir / "out.rec", oldRecords);
    fs::permissions(dir / "out.rec",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string list = accessList(), note = "kept";
    bool attributes =
        ::setxattr((dir / "out.rec").c_str(), "system.posix_acl_access", list.data(), list.size(),
                   0) == 0 &&
        ::setxattr((dir / "out.rec").c_str(), "user.note", note.data(), note.size(), 0) == 0;
    const fs::perms permissions = fs::status(dir / "out.rec").permissions();
    ASSERT_EQ(test::convert(dir / "feed.xml", dir / "out.rec"), 2);
    EXPECT_EQ(fs::status(dir / "out.rec").permissions(), permissions);
    if (!attributes) GTEST_SKIP() << "the file system takes no access lists or user attributes";
    EXPECT_EQ(attribute(dir / "out.rec", "system.posix_acl_access"), list);
    EXPECT_EQ(attribute(dir / "out.rec", "user.note"), note);
}

TEST(Outputs, ReadOnlyFileIsNotReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores permissions: run as a user to check";
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
    Conversion result = openAndConvert(dir / "feed.xml", "/dev/fd/" + std::to_string(ends[1]));
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

// Makes the calling thread, and it alone, the unprivileged user nobody (glibc's own calls would
// change every thread of the process). False where it cannot.
bool becomeNobody() {
    const long nobody = 65534;
    return ::syscall(SYS_setgroups, 0, nullptr) == 0 &&
           ::syscall(SYS_setresgid, nobody, nobody, nobody) == 0 &&
           ::syscall(SYS_setresuid, nobody, nobody, nobody) == 0;
}

// A feed of n items whose titles all say which feed they came from.
std::string itemsTitled(const std::string& title, int n) {
    std::string feed = " ";
    for (int i = 0; i < n; ++i) {
        feed += "<item><title>" + title + "</title><description>s</description><pubDate>d" +
                std::to_string(i) + "</pubDate></item>";
    }
    return feed;
}

// The folders where the output cannot be replaced by a rename, so that the records are copied
// over it (a folder the caller may not write, a sticky one with another user's output), beside
// the plain folder where it can.
enum class Folder { plain, locked, sticky };

struct FolderCase {
    const char* name;
    Folder folder;
    const char* temporaryDirectory;  // TMPDIR, or null to leave it as it is
    rlim_t sizeLimit;                // a file-size limit (ulimit -f) for one call, or none
};

void PrintTo(const FolderCase& c, std::ostream* out) {
    *out << c.name;
}

class Folders : public testing::TestWithParam<FolderCase> {};

// Overlapping calls on one output give exactly what calls one after the other would, on every
// path; past the file-size limit a call fails with EFBIG (the host not killed by SIGXFSZ), and
// the old output stays whole.
TEST_P(Folders, KeepEveryPromiseOfThePlainPath) {
    const FolderCase& c = GetParam();
    const bool root = ::geteuid() == 0;
    if (c.folder == Folder::sticky && !root) GTEST_SKIP() << "needs another user's output";
    const bool unprivileged = root && c.folder != Folder::plain;
    if (unprivileged) {
        bool dropped = false;
        std::thread([&] { dropped = becomeNobody(); }).join();
        if (!dropped) GTEST_SKIP() << "root cannot become an unprivileged user here";
    }
    ScratchDir dir;
    const fs::path folder = dir / "folder", output = folder / "out.rec";
    fs::create_directory(folder);
    test::writeBytes(output, oldRecords);
    fs::permissions(output, fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                                ~fs::perms::others_exec);
    // As long as each other, so that the calls reach their copies at about the same time.
    const std::vector<std::string> feeds{itemsTitled("AAA", 2000), itemsTitled("BBB", 2000),
                                         itemsTitled("CCC", 2000)};
    std::vector<std::string> records;
    for (std::size_t i = 0; i < feeds.size(); ++i) {
        test::writeBytes(dir / (std::to_string(i) + ".xml"), feeds[i]);
        records.push_back(test::convertBytes(feeds[i]).bytes);
    }
    fs::permissions(folder, c.folder == Folder::sticky
                                ? fs::perms::all | fs::perms::sticky_bit
                                : fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
    if (c.folder == Folder::plain) fs::permissions(folder, fs::perms::owner_all);
    const char* oldTemporaryDirectory = std::getenv("TMPDIR");
    const std::string savedTemporaryDirectory =
        oldTemporaryDirectory != nullptr ? oldTemporaryDirectory : "";
    if (c.temporaryDirectory != nullptr) ::setenv("TMPDIR", c.temporaryDirectory, 1);
    // Each call on a thread of its own, as nobody where the folder asks for it.
    auto convertOn = [&](std::size_t feed, int& count, int& error) {
        return std::thread([&, feed] {
            if (unprivileged && !becomeNobody()) return;
            count = test::convert(dir / (std::to_string(feed) + ".xml"), output);
            error = errno;
        });
    };

    if (c.sizeLimit != 0) {
        struct rlimit old {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit limited = old;
        limited.rlim_cur = c.sizeLimit;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        int count = 0, error = 0;
        convertOn(0, count, error).join();
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_EQ(count, -1);
        EXPECT_EQ(error, EFBIG);
        EXPECT_EQ(test::readBytes(output), oldRecords);
        sigset_t pending;
        ASSERT_EQ(sigpending(&pending), 0);
        EXPECT_EQ(sigismember(&pending, SIGXFSZ), 0);
    } else {
        for (int round = 0; round < 20; ++round) {
            std::vector<int> counts(feeds.size()), errors(feeds.size());
            std::vector<std::thread> calls;
            for (std::size_t i = 0; i < feeds.size(); ++i)
                calls.push_back(convertOn(i, counts[i], errors[i]));
            for (std::thread& call : calls)
                call.join();
            EXPECT_EQ(counts, (std::vector<int>{2000, 2000, 2000})) << "round " << round;
            std::string out = test::readBytes(output);
            ASSERT_TRUE(out == records[0] || out == records[1] || out == records[2])
                << "round " << round << ": a mixture of " << out.size() << " bytes";
        }
    }
    if (c.temporaryDirectory != nullptr) {
        if (oldTemporaryDirectory != nullptr) {
            ::setenv("TMPDIR", savedTemporaryDirectory.c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    EXPECT_EQ(filesIn(folder), std::set<fs::path>{"out.rec"}) << "a temporary was left behind";
    fs::permissions(folder, fs::perms::owner_all);
}

const FolderCase folderCases[] = {
    FolderCase{"plain_folder_overlapping_calls", Folder::plain, nullptr, 0},
    FolderCase{"locked_folder_overlapping_calls", Folder::locked, nullptr, 0},
    FolderCase{"sticky_folder_overlapping_calls", Folder::sticky, nullptr, 0},
    FolderCase{"locked_folder_with_a_missing_tmpdir", Folder::locked, "/nonexistent/tmp", 0},
    FolderCase{"plain_folder_past_the_size_limit", Folder::plain, nullptr, 1 << 20},
    FolderCase{"locked_folder_past_the_size_limit", Folder::locked, nullptr, 1 << 20},
};

INSTANTIATE_TEST_SUITE_P(Paths, Folders, testing::ValuesIn(folderCases), test::CaseName{});

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
const PathCase pathCases[] = {
    PathCase{"high_in_the_output", u"feed.xml", u"out\xD800.rec"},
    PathCase{"low_in_the_output", u"feed.xml", u"\xDC00out.rec"},
    PathCase{"high_ending_the_output", u"feed.xml", u"out.rec\xD83D"},
    PathCase{"pair_in_the_wrong_order", u"feed.xml", u"\xDCF0\xD83D.rec"},
    PathCase{"high_in_the_input", u"feed\xDBFF.xml", u"out.rec"},
    PathCase{"low_ending_the_input", u"feed.xml\xDFFF", u"out.rec"},
};

INSTANTIATE_TEST_SUITE_P(LoneSurrogates, UnrepresentablePath, testing::ValuesIn(pathCases),
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

const NulCase nulCases[] = {
    NulCase{"alone", "", "", 0},
    NulCase{"after_a_utf16le_mark", "\xFF\xFE", "", 0},
    NulCase{"after_a_utf32be_mark", "\0\0\xFE\xFF"s, "", 0},
    NulCase{"before_two_items", "", twoItems, 2},
    NulCase{"inside_a_description", " <item><title>A</title><description>a",
            "</description><pubDate>d</pubDate></item>", 1},
};

INSTANTIATE_TEST_SUITE_P(Feeds, TenMebibytesOfNul, testing::ValuesIn(nulCases), test::CaseName{});

}  // namespace
}  // namespace lorvex
