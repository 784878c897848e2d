// The POSIX file layer under faults and limits: each system call it makes failing in turn, short
// and interrupted transfers, and inputs at, over and far over the size limit.
//
// The faults go through convertFile, the call behind ConvertFile: the shared library keeps its
// own, hidden copy of the system call table, which a test cannot reach.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "conversion/convert.h"
#include "platform/file.h"
#include "platform/system_calls.h"
#include "support/cases.h"
#include "support/files.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

enum class Call { open, fstat, read, write, close };

// One injected failure: the nth call (from 1) of one kind fails with error.
struct Fault {
    Call call;
    int nth;
    int error;
};

struct Faults {
    std::optional<Fault> fault = std::nullopt;
    std::size_t maxRead = SIZE_MAX;  // each read and write moves at most this many bytes
    std::size_t maxWrite = SIZE_MAX;
};

// Stand-ins for the layer's system calls while the object lives. They pass each call on to the
// system, except the one the fault names, cut reads and writes short, and count what they see.
class FaultySystem {
  public:
    explicit FaultySystem(Faults faults = {}) : faults_(faults), system_(platform::systemCalls) {
        active = this;
        platform::systemCalls = {open, fstat, read, write, close, mmap, ftruncate};
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
        const std::optional<Fault>& fault = active->faults_.fault;
        if (!fault || fault->call != call || fault->nth != nth) return false;
        errno = fault->error;
        return true;
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
    // Files are read here rather than mapped, as on a file system that cannot map them, so that
    // every read can be counted and failed.
    static void* mmap(void*, std::size_t, int, int, int, off_t) {
        errno = ENODEV;
        return MAP_FAILED;
    }
    static int ftruncate(int fd, off_t length) { return active->system_.ftruncate(fd, length); }
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
    std::array<int, 5> calls_{};
    std::size_t bytesRead_ = 0;
    int openDescriptors_ = 0;
};

// 150 items, every one accepted: the records fill the writer's buffer more than twice.
std::string manyItems() {
    std::string feed = "<rss><channel>";
    for (int i = 0; i < 150; ++i) {
        std::string n = std::to_string(i);
        feed += "<item><title>Title " + n + "</title><description>Summary " + n +
                "</description><pubDate>Day " + n + "</pubDate></item>\n";
    }
    return feed + "</channel></rss>";
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

TEST_P(Faulted, FailsCleanlyOrConvertsInFull) {
    const FaultCase& c = GetParam();
    ScratchDir dir;
    const std::string feed = manyItems(), before = "the old records";
    test::writeBytes(dir / "feed.xml", feed);
    const Conversion clean = convertFile(dir / "feed.xml", dir / "clean.rec");
    ASSERT_EQ(clean.records, 150);
    const std::string records = test::readBytes(dir / "clean.rec");
    test::writeBytes(dir / "out.rec", before);

    Conversion result;
    int openDescriptors;
    {
        FaultySystem system(c.faults);
        result = convertFile(dir / "feed.xml", dir / "out.rec");
        openDescriptors = system.openDescriptors();
    }
    EXPECT_EQ(openDescriptors, 0) << "a descriptor was left open";
    EXPECT_EQ(test::readBytes(dir / "feed.xml"), feed);
    EXPECT_EQ(result.failure, c.failure);
    const std::string out = test::readBytes(dir / "out.rec");
    switch (c.failure) {
        case Failure::none:
            EXPECT_EQ(result.records, 150);
            EXPECT_EQ(out, records);
            break;
        case Failure::openInput:
        case Failure::readInput:
        case Failure::createOutput:
            EXPECT_EQ(result.error, c.faults.fault->error);
            EXPECT_EQ(out, before) << "an output the call could not write was changed";
            break;
        default:
            // The output was emptied and written up to the failure: a start of the records.
            EXPECT_EQ(result.error, c.faults.fault->error);
            EXPECT_EQ(records.substr(0, out.size()), out);
            break;
    }
}

constexpr std::size_t few = 1000;  // small enough to make the feed take many reads

INSTANTIATE_TEST_SUITE_P(
    SystemCalls, Faulted,
    testing::Values(
        FaultCase{
            "input_cannot_be_opened", {.fault = Fault{Call::open, 1, EACCES}}, Failure::openInput},
        FaultCase{"input_status_fails", {.fault = Fault{Call::fstat, 1, EIO}}, Failure::readInput},
        FaultCase{"first_read_fails", {.fault = Fault{Call::read, 1, EIO}}, Failure::readInput},
        FaultCase{"read_fails_midway",
                  {.fault = Fault{Call::read, 3, EIO}, .maxRead = few},
                  Failure::readInput},
        FaultCase{"interrupted_read_is_retried",
                  {.fault = Fault{Call::read, 2, EINTR}, .maxRead = few},
                  Failure::none},
        FaultCase{"short_reads_add_up", {.maxRead = 7}, Failure::none},
        FaultCase{"input_close_failure_loses_nothing",
                  {.fault = Fault{Call::close, 1, EIO}},
                  Failure::none},
        FaultCase{"output_cannot_be_created",
                  {.fault = Fault{Call::open, 2, EROFS}},
                  Failure::createOutput},
        FaultCase{
            "first_write_fails", {.fault = Fault{Call::write, 1, ENOSPC}}, Failure::writeOutput},
        FaultCase{
            "write_fails_midway", {.fault = Fault{Call::write, 2, ENOSPC}}, Failure::writeOutput},
        FaultCase{"short_write_then_failure",
                  {.fault = Fault{Call::write, 5, EIO}, .maxWrite = 1001},
                  Failure::writeOutput},
        FaultCase{
            "interrupted_write_is_retried", {.fault = Fault{Call::write, 1, EINTR}}, Failure::none},
        FaultCase{"short_writes_add_up", {.maxWrite = 1001}, Failure::none},
        FaultCase{
            "output_close_fails", {.fault = Fault{Call::close, 2, EIO}}, Failure::closeOutput},
        FaultCase{"interrupted_output_close_has_closed",
                  {.fault = Fault{Call::close, 2, EINTR}},
                  Failure::none}),
    test::CaseName{});

// A limit that is no power of two and more than twice the first read of a stream, so that a
// stream's buffer grows, and last grows to the limit exactly.
constexpr std::size_t limit = 200'000;

// Writes bytes into the pipe at path, or, without a size, zeros until the reader goes away, and
// counts what the pipe took.
class PipeWriter {
  public:
    PipeWriter(fs::path path, std::optional<std::size_t> size)
        : thread_([this, path, size] { run(path, size); }) {}
    PipeWriter(const PipeWriter&) = delete;
    PipeWriter& operator=(const PipeWriter&) = delete;
    ~PipeWriter() {
        if (thread_.joinable()) thread_.join();
    }

    std::size_t finish() {
        thread_.join();
        return written_;
    }

  private:
    void run(const fs::path& path, std::optional<std::size_t> size) {
        // A write to a pipe whose reader has gone then fails with EPIPE instead of killing us.
        std::signal(SIGPIPE, SIG_IGN);
        int fd = ::open(path.c_str(), O_WRONLY);
        std::array<char, 4096> chunk{};
        while (fd >= 0 && (!size || written_ < *size)) {
            std::size_t want = size ? std::min(chunk.size(), *size - written_) : chunk.size();
            ssize_t put = ::write(fd, chunk.data(), want);
            if (put <= 0) break;
            written_ += static_cast<std::size_t>(put);
        }
        if (fd >= 0) ::close(fd);
    }

    std::size_t written_ = 0;
    std::thread thread_;
};

struct LimitCase {
    const char* name;
    bool stream;  // a pipe rather than a regular file
    std::size_t size;
    int error;
};

void PrintTo(const LimitCase& c, std::ostream* out) {
    *out << c.name;
}

class Limit : public testing::TestWithParam<LimitCase> {};

TEST_P(Limit, ReadsUpToTheLimitAndNoFurther) {
    const LimitCase& c = GetParam();
    ScratchDir dir;
    const fs::path input = dir / "input";
    std::optional<PipeWriter> writer;
    if (c.stream) {
        ASSERT_EQ(::mkfifo(input.c_str(), 0600), 0);
        writer.emplace(input, c.size);
    } else {
        test::writeBytes(input, std::string(c.size, '\0'));
    }
    platform::FileBytes buffer;
    FaultySystem system;
    platform::ReadStatus status = platform::readWholeFile(input, limit, buffer);
    EXPECT_EQ(status.error, c.error);
    if (c.error == 0) {
        EXPECT_EQ(buffer.view().size(), c.size);
    }
    // A regular file over the limit is refused by its size; a stream is read one byte past it.
    EXPECT_EQ(system.bytesRead(), c.error == 0 ? c.size : c.stream ? limit + 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Limit,
                         testing::Values(LimitCase{"file_below", false, limit - 1, 0},
                                         LimitCase{"file_at", false, limit, 0},
                                         LimitCase{"file_one_over", false, limit + 1, EFBIG},
                                         LimitCase{"empty_file", false, 0, 0},
                                         LimitCase{"stream_below", true, limit - 1, 0},
                                         LimitCase{"stream_at", true, limit, 0},
                                         LimitCase{"stream_one_over", true, limit + 1, EFBIG},
                                         LimitCase{"stream_far_over", true, 10 * limit, EFBIG},
                                         LimitCase{"empty_stream", true, 0, 0}),
                         test::CaseName{});

TEST(Limit, EndlessDeviceStopsOneBytePastTheLimit) {
    platform::FileBytes buffer;
    FaultySystem system;
    EXPECT_EQ(platform::readWholeFile("/dev/zero", limit, buffer).error, EFBIG);
    EXPECT_EQ(system.bytesRead(), limit + 1);
}

TEST(Limit, EndlessPipeStopsOneBytePastTheLimit) {
    ScratchDir dir;
    ASSERT_EQ(::mkfifo((dir / "endless").c_str(), 0600), 0);
    PipeWriter writer(dir / "endless", std::nullopt);
    platform::FileBytes buffer;
    FaultySystem system;
    EXPECT_EQ(platform::readWholeFile(dir / "endless", limit, buffer).error, EFBIG);
    EXPECT_EQ(system.bytesRead(), limit + 1);
    // The writer stopped too: it got no further than what the pipe itself can hold.
    int pipeCapacity = 1 << 20;  // the most Linux lets an unprivileged pipe grow to
    EXPECT_LE(writer.finish(), limit + 1 + static_cast<std::size_t>(pipeCapacity));
}

TEST(Limit, FileOverTheRealLimitIsRefusedUnread) {
    ScratchDir dir;
    test::writeBytes(dir / "out.rec", "the old records");
    {
        // Sparse: it takes no room and no time to make.
        int fd = ::open((dir / "huge.xml").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(inputLimit + 1)), 0);
        ::close(fd);
    }
    FaultySystem system;
    Conversion result = convertFile(dir / "huge.xml", dir / "out.rec");
    EXPECT_EQ(result.failure, Failure::readInput);
    EXPECT_EQ(result.error, EFBIG);
    EXPECT_EQ(system.calls(Call::read), 0);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), "the old records");
}

}  // namespace
}  // namespace lorvex
