// ConvertFile at the real window limit of 1 GiB. The limit bounds what one item needs at once,
// not the feed: these cases read more than a gibibyte each, so they carry the ctest label
// "large", which the ThreadSanitizer and emulated runs leave out; the limit's logic itself is
// tested at a small limit in platform_test.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "convert.h"
#include "support/conversions.h"
#include "support/files.h"
#include "support/pipes.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;
using test::twoItems;

TEST(LargeInput, EndlessDescriptionFailsOnceTheWindowPassesTheLimit) {
    ScratchDir dir;
    ASSERT_EQ(::mkfifo((dir / "feed.xml").c_str(), 0600), 0);
    test::PipeWriter writer(dir / "feed.xml", " <item><title>A</title><description>", true);
    test::writeBytes(dir / "out.rec", "the old records");
    EXPECT_EQ(test::convert(dir / "feed.xml", dir / "out.rec"), -1);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), "the old records");
    EXPECT_GT(writer.finish(), windowLimit);
}

TEST(LargeInput, FeedLongerThanTheLimitConvertsInASmallWindow) {
    // NUL bytes up to two items that end on the file's last byte; the NULs are a hole in a
    // sparse file, so making it takes no time and no room.
    const off_t size = static_cast<off_t>(windowLimit) + (1 << 20);
    ScratchDir dir;
    int fd = ::open((dir / "feed.xml").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ASSERT_EQ(
        ::pwrite(fd, twoItems.data(), twoItems.size(), size - static_cast<off_t>(twoItems.size())),
        static_cast<ssize_t>(twoItems.size()));
    ::close(fd);

    Conversion result = openAndConvert(dir / "feed.xml", dir / "out.rec");
    EXPECT_EQ(result.records, 2);
    EXPECT_LE(result.largestWindow, std::size_t{1} << 20);
    EXPECT_EQ(test::readBytes(dir / "out.rec"), test::convertBytes(twoItems).bytes);
}

}  // namespace
}  // namespace lorvex
