// The POSIX file layer under faults and limits: each system call it makes failing in turn, short
// and interrupted transfers, an output that is not replaced unless all of it was written, and
// feeds at and far beyond the window's limit.
//
// The faults go through openAndConvert, the call behind ConvertFile: the shared library keeps its
// own, hidden copy of the system call table, which a test cannot reach.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <thread>

#include "convert.h"
#include "file.h"
#include "record.h"
#include "support/cases.h"
#include "support/files.h"
#include "support/pipes.h"
#include "system_calls.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

enum class Call { open, fstat, read, write, close, rename, fallocate, fchown, lock };

// One injected failure: the nth call (from 1) of one kind fails with error.
struct Fault {
    Call call;
    int nth;
    int error;
};

struct Faults {
    std::optional<Fault> fault = std::nullopt;
    std::optional<Fault> setting = std::nullopt;  // a second failure that sets the scene
    std::size_t maxRead = SIZE_MAX;  // each read and write moves at most this many bytes
    std::size_t maxWrite = SIZE_MAX;
};

// Stand-ins for the layer's system calls while the object lives. They pass each call on to the
// system, except the one the fault names, cut reads and writes short, and count what they see.
class FaultySystem {
  public:
    explicit FaultySystem(Faults faults = {}) : faults_(faults), system_(platform::systemCalls) {
        active = this;
        platform::systemCalls = {open,   fstat,     read,      write,  close, rename,
                                 unlink, ftruncate, fallocate, fchown, lock};
    }
    FaultySystem(const FaultySystem&) = delete;
    FaultySystem& operator=(const FaultySystem&) = delete;
    ~FaultySystem() {
        platform::systemCalls = system_;
        active = nullptr;
    }

    int calls(Call call) const { return calls_[static_cast<std::size_t>(call)]; }
    std::size_t bytesRead() const { return bytesRead_; }
    int openDescriptors() const { return openDescriptors_; }

  private:
    // Counts the call and tells whether it is the one to fail, with errno set.
    static bool failsNow(Call call) {
        int nth = ++active->calls_[static_cast<std::size_t>(call)];
        for (const std::optional<Fault>& fault : {active->faults_.fault, active->faults_.setting}) {
            if (fault && fault->call == call && fault->nth == nth) {
                errno = fault->error;
                return true;
            }
        }
        return false;
    }

    static int open(const char* path, int flags, mode_t mode) {
        if (failsNow(Call::open)) return -1;
        int fd = active->system_.open(path, flags, mode);
        if (fd >= 0) ++active->openDescriptors_;
        return fd;
    }
    static int fstat(int fd, struct stat* info) {
        return failsNow(Call::fstat) ? -1 : active->system_.fstat(fd, info);
    }
    static ssize_t read(int fd, void* buffer, std::size_t size) {
        if (failsNow(Call::read)) return -1;
        ssize_t got = active->system_.read(fd, buffer, std::min(size, active->faults_.maxRead));
        if (got > 0) active->bytesRead_ += static_cast<std::size_t>(got);
        return got;
    }
    static ssize_t write(int fd, const void* bytes, std::size_t size) {
        if (failsNow(Call::write)) return -1;
        return active->system_.write(fd, bytes, std::min(size, active->faults_.maxWrite));
    }
    static int rename(const char* from, const char* to) {
        return failsNow(Call::rename) ? -1 : active->system_.rename(from, to);
    }
    static int unlink(const char* path) { return active->system_.unlink(path); }
    static int ftruncate(int fd, off_t length) { return active->system_.ftruncate(fd, length); }
    static int fallocate(int fd, int mode, off_t offset, off_t length) {
        return failsNow(Call::fallocate) ? -1 : active->system_.fallocate(fd, mode, offset, length);
    }
    static int fchown(int fd, uid_t owner, gid_t group) {
        return failsNow(Call::fchown) ? -1 : active->system_.fchown(fd, owner, group);
    }
    static int lock(int fd) { return failsNow(Call::lock) ? -1 : active->system_.lock(fd); }
    // Linux releases the descriptor even when close reports an error, so a failed close does too.
    static int close(int fd) {
        bool fails = failsNow(Call::close);
        int error = errno;
        --active->openDescriptors_;
        active->system_.close(fd);
        errno = error;
        return fails ? -1 : 0;
    }

    static inline FaultySystem* active = nullptr;
    Faults faults_;
    platform::SystemCalls system_;
    std::array<int, 9> calls_{};
    std::size_t bytesRead_ = 0;
    int openDescriptors_ = 0;
};

// Items enough to fill the writer's buffers more than twice, every one accepted, so that a failed
// write is met both behind the walk and at its end.
constexpr int manyCount = 2 * static_cast<int>(RecordWriter::bufferRecords) + 44;

std::string manyItems() {
    std::string feed = "<rss><channel>";
    for (int i = 0; i < manyCount; ++i) {
        std::string n = std::to_string(i);
        feed += "<item><title>Title " + n + "</title><description>Summary " + n +
                "</description><pubDate>Day " + n + "</pubDate></item>\n";
    }
    return feed + "</channel></rss>";
}

std::set<fs::path> filesIn(const fs::path& dir) {
    std::set<fs::path> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename());
    return names;
}

struct FaultCase {
    const char* name;
    Faults faults;
    Failure failure;  // none: the conversion must succeed in full regardless
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << c.name;
}

class Faulted : public testing::TestWithParam<FaultCase> {};

// Each call fails with its cause and leaves the old output as it was, or converts in full and
// keeps the old output's group; no descriptor stays open and no temporary is left behind either
// way.
TEST_P(Faulted, FailsWithoutATraceOrConvertsInFull) {
    const FaultCase& c = GetParam();
    ScratchDir dir;
    const std::string feed = manyItems(), before = "the old records";
    test::writeBytes(dir / "feed.xml", feed);
    const Conversion clean = openAndConvert(dir / "feed.xml", dir / "clean.rec");
    ASSERT_EQ(clean.records, manyCount);
    const std::string records = test::readBytes(dir / "clean.rec");
    test::writeBytes(dir / "out.rec", before);
    // Root can give the output to another group, which the replacement must keep.
    const gid_t otherGroup = 65534;
    bool grouped = ::geteuid() == 0 && ::chown((dir / "out.rec").c_str(), 0, otherGroup) == 0;

    Conversion result;
    int openDescriptors;
    {
        FaultySystem system(c.faults);
        // A small chunk makes the feed take many reads.
        result = openAndConvert(dir / "feed.xml", dir / "out.rec", {.chunk = 1000});
        openDescriptors = system.openDescriptors();
    }
    EXPECT_EQ(openDescriptors, 0) << "a descriptor was left open";
    EXPECT_EQ(filesIn(dir.path()), (std::set<fs::path>{"feed.xml", "clean.rec", "out.rec"}));
    EXPECT_EQ(test::readBytes(dir / "feed.xml"), feed);
    EXPECT_EQ(result.failure, c.failure);
    if (c.failure == Failure::none) {
        EXPECT_EQ(result.records, manyCount);
        EXPECT_EQ(test::readBytes(dir / "out.rec"), records);
        struct stat info {};
        ASSERT_EQ(::stat((dir / "out.rec").c_str(), &info), 0);
        if (grouped) {
            EXPECT_EQ(info.st_gid, otherGroup);
        }
    } else {
        EXPECT_EQ(result.error, c.faults.fault->error);
        EXPECT_EQ(test::readBytes(dir / "out.rec"), before);
    }
}

const FaultCase faultCases[] = {
    FaultCase{
        "input_cannot_be_opened", {.fault = Fault{Call::open, 1, EACCES}}, Failure::openInput},
    FaultCase{"input_status_fails", {.fault = Fault{Call::fstat, 1, EIO}}, Failure::openInput},
    FaultCase{"first_read_fails", {.fault = Fault{Call::read, 1, EIO}}, Failure::readInput},
    FaultCase{"read_fails_midway", {.fault = Fault{Call::read, 3, EIO}}, Failure::readInput},
    FaultCase{"interrupted_read_is_retried", {.fault = Fault{Call::read, 2, EINTR}}, Failure::none},
    FaultCase{"short_reads_add_up", {.maxRead = 7}, Failure::none},
    FaultCase{
        "output_cannot_be_opened", {.fault = Fault{Call::open, 2, EROFS}}, Failure::createOutput},
    // Another process's lease on the output: the open waits for it to be given up, as a
    // plain open for writing does.
    FaultCase{
        "leased_output_is_waited_for", {.fault = Fault{Call::open, 2, EWOULDBLOCK}}, Failure::none},
    FaultCase{"temporary_cannot_be_created",
              {.fault = Fault{Call::open, 3, ENOSPC}},
              Failure::createOutput},
    // The directory takes no new file: the records go to a temporary elsewhere and are
    // copied over the output once complete.
    FaultCase{"directory_refusing_the_temporary_is_written_in_place",
              {.fault = Fault{Call::open, 3, EACCES}},
              Failure::none},
    FaultCase{"first_write_fails", {.fault = Fault{Call::write, 1, ENOSPC}}, Failure::writeOutput},
    FaultCase{"write_fails_midway", {.fault = Fault{Call::write, 2, ENOSPC}}, Failure::writeOutput},
    FaultCase{"short_write_then_failure",
              {.fault = Fault{Call::write, 5, EIO}, .maxWrite = 1001},
              Failure::writeOutput},
    FaultCase{
        "interrupted_write_is_retried", {.fault = Fault{Call::write, 1, EINTR}}, Failure::none},
    FaultCase{"short_writes_add_up", {.maxWrite = 1001}, Failure::none},
    FaultCase{
        "temporary_close_fails", {.fault = Fault{Call::close, 1, EIO}}, Failure::finishOutput},
    FaultCase{"interrupted_temporary_close_has_closed",
              {.fault = Fault{Call::close, 1, EINTR}},
              Failure::none},
    FaultCase{"rename_fails", {.fault = Fault{Call::rename, 1, EIO}}, Failure::finishOutput},
    FaultCase{"refused_rename_is_written_in_place",
              {.fault = Fault{Call::rename, 1, EBUSY}},
              Failure::none},
    FaultCase{"temporary_name_too_long_is_written_in_place",
              {.fault = Fault{Call::open, 3, ENAMETOOLONG}},
              Failure::none},
    // Written in place, the space is reserved before the old output is touched.
    FaultCase{"full_disk_in_place_fails_before_the_output_is_touched",
              {.fault = Fault{Call::fallocate, 1, ENOSPC}, .setting = Fault{Call::open, 3, EACCES}},
              Failure::finishOutput},
    FaultCase{
        "file_system_without_fallocate_is_written_in_place",
        {.fault = Fault{Call::fallocate, 1, EOPNOTSUPP}, .setting = Fault{Call::open, 3, EACCES}},
        Failure::none},
    FaultCase{"interrupted_lock_is_retried",
              {.fault = Fault{Call::lock, 1, EINTR}, .setting = Fault{Call::open, 3, EACCES}},
              Failure::none},
    FaultCase{"refused_lock_fails_before_the_output_is_touched",
              {.fault = Fault{Call::lock, 1, ENOLCK}, .setting = Fault{Call::open, 3, EACCES}},
              Failure::finishOutput},
    // Not the owner, a member of the group still gives the replacement to the group.
    FaultCase{"owner_that_cannot_be_set_keeps_the_group",
              {.fault = Fault{Call::fchown, 1, EPERM}},
              Failure::none},
    FaultCase{
        "input_close_failure_loses_nothing", {.fault = Fault{Call::close, 3, EIO}}, Failure::none},
};

INSTANTIATE_TEST_SUITE_P(SystemCalls, Faulted, testing::ValuesIn(faultCases), test::CaseName{});

TEST(InPlace, FeedConvertedOntoItselfIsKeptWhenAWriteFails) {
    ScratchDir dir;
    const std::string feed = manyItems();
    test::writeBytes(dir / "feed.xml", feed);
    {
        FaultySystem system({.fault = Fault{Call::write, 2, ENOSPC}});
        EXPECT_EQ(openAndConvert(dir / "feed.xml", dir / "feed.xml").failure, Failure::writeOutput);
    }
    EXPECT_EQ(test::readBytes(dir / "feed.xml"), feed);
    EXPECT_EQ(openAndConvert(dir / "feed.xml", dir / "feed.xml").records, manyCount);
    EXPECT_EQ(fs::file_size(dir / "feed.xml"),
              static_cast<std::uintmax_t>(manyCount) * recordBytes);
}

constexpr std::size_t limit = 64 * 1024;

// The window's limit bounds what one item holds at once, not the feed: a feed far longer than
// the limit converts, and only an item that needs more text at once than the limit fails.
struct LimitCase {
    const char* name;
    std::string feed;
    bool stream;   // through a pipe rather than a file
    bool endless;  // zeros follow the feed until the reader gives up
    Failure failure;
    int recordLimit = INT_MAX;  // a count past it fails rather than overflow
};

void PrintTo(const LimitCase& c, std::ostream* out) {
    *out << c.name;
}

class Limit : public testing::TestWithParam<LimitCase> {};

TEST_P(Limit, BoundsTheWindowNotTheFeed) {
    const LimitCase& c = GetParam();
    ScratchDir dir;
    test::writeBytes(dir / "out.rec", "the old records");
    std::optional<test::PipeWriter> writer;
    if (c.stream) {
        ASSERT_EQ(::mkfifo((dir / "feed.xml").c_str(), 0600), 0);
        writer.emplace(dir / "feed.xml", c.feed, c.endless);
    } else {
        test::writeBytes(dir / "feed.xml", c.feed);
    }
    Conversion result =
        openAndConvert(dir / "feed.xml", dir / "out.rec",
                       {.chunk = 4096, .windowLimit = limit, .recordLimit = c.recordLimit});
    EXPECT_EQ(result.failure, c.failure);
    EXPECT_LE(result.largestWindow, limit);
    if (c.failure == Failure::none) {
        EXPECT_EQ(result.records, 200);
    } else {
        EXPECT_EQ(result.error,
                  c.failure == Failure::readInput ? platform::tooBig : platform::tooMany);
        EXPECT_EQ(test::readBytes(dir / "out.rec"), "the old records");
    }
    // An endless writer stopped too: it got no further than what the pipe itself can hold.
    int pipeCapacity = 1 << 20;  // the most Linux lets an unprivileged pipe grow to
    if (writer) {
        EXPECT_LE(writer->finish(), c.feed.size() + limit + static_cast<std::size_t>(pipeCapacity));
    }
}

std::string itemsOf(std::size_t descriptionSize) {
    std::string feed = "<rss><channel>";
    for (int i = 0; i < 200; ++i) {
        feed += "<item><title>T</title><description>" + std::string(descriptionSize, 'd') +
                "</description><pubDate>D</pubDate></item>\n";
    }
    return feed;
}

std::string unterminatedDeclaration(const std::string& label) {
    return "<?xml version=\"1.0\" encoding=\"" + label + "\" " + std::string(20 * limit, ' ') +
           itemsOf(limit / 10);
}

const LimitCase limitCases[] = {
    LimitCase{"feed_of_twenty_limits_converts", itemsOf(limit / 10), false, false, Failure::none},
    LimitCase{"stream_of_twenty_limits_converts", itemsOf(limit / 10), true, false, Failure::none},
    LimitCase{"description_longer_than_the_limit_fails", itemsOf(limit), false, false,
              Failure::readInput},
    LimitCase{"endless_description_fails_at_the_limit", " <item><title>T</title><description>",
              true, true, Failure::readInput},
    // A declaration without its end, before twenty limits of text, holds no more
    // than the feed's first bytes: under a converter's label too.
    LimitCase{"unterminated_declaration_converts", unterminatedDeclaration("utf-8"), false, false,
              Failure::none},
    LimitCase{"unterminated_shift_jis_declaration_converts", unterminatedDeclaration("Shift_JIS"),
              false, false, Failure::none},
    LimitCase{"stream_with_unterminated_declaration_converts", unterminatedDeclaration("Shift_JIS"),
              true, false, Failure::none},
    LimitCase{"record_past_the_count_fails", itemsOf(10), false, false, Failure::writeOutput, 199},
};

INSTANTIATE_TEST_SUITE_P(Shapes, Limit, testing::ValuesIn(limitCases), test::CaseName{});

}  // namespace
}  // namespace lorvex
