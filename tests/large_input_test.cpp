// ConvertFile at the real 1 GiB input limit. Each case reads a gibibyte and holds it in memory,
// so these tests carry the ctest label "large", which the ThreadSanitizer and emulated runs
// leave out; the limit's logic itself is tested at a small limit in platform_test.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "conversion/convert.h"
#include "support/convert.h"
#include "support/files.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

TEST(LargeInput, EndlessDeviceFailsOnceItPassesTheLimit) {
    ScratchDir dir;
    test::writeBytes(dir / "out.rec", "the old records");
    EXPECT_EQ(test::convert("/dev/zero", dir / "out.rec"), -1);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), "the old records");
}

TEST(LargeInput, FileOfExactlyTheLimitIsConvertedWhole) {
    // NUL bytes up to two items that end on the file's last byte; the NULs are a hole in a
    // sparse file, so making it takes no time and no room.
    const std::string items =
        " <item><title>A</title><description>a</description><pubDate>d1</pubDate></item>"
        "<item><title>B</title><description>b</description><pubDate>d2</pubDate></item>";
    ScratchDir dir;
    int fd = ::open((dir / "feed.xml").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(inputLimit)), 0);
    ASSERT_EQ(
        ::pwrite(fd, items.data(), items.size(), static_cast<off_t>(inputLimit - items.size())),
        static_cast<ssize_t>(items.size()));
    ::close(fd);
    ASSERT_EQ(fs::file_size(dir / "feed.xml"), inputLimit);

    EXPECT_EQ(test::convert(dir / "feed.xml", dir / "out.rec"), 2);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), test::convertBytes(items).bytes);
}

}  // namespace
}  // namespace lorvex
