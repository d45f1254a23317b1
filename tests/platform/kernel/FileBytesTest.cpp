// Positional whole-range reads and writes: offsets, holes, the end of the
// file and a closed descriptor. (A full disk: the Ogg file's tests.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "platform/kernel/FileBytes.h"
#include "tests/support/TestSupport.h"

TEST(FileBytes, WritesLandAtTheirOffsetAndReadsStopAtTheEnd)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("f");
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(platform::WriteAllAt(fd, "abcdef", 6, 0));
    ASSERT_TRUE(platform::WriteAllAt(fd, "XY", 2, 2));
    ASSERT_TRUE(platform::WriteAllAt(fd, "z", 1, 9));  // past the end: a hole of zeros
    char buf[16] = {};
    std::size_t got = 99;
    ASSERT_TRUE(platform::ReadUpToAt(fd, buf, sizeof buf, 0, &got));
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(std::string(buf, got), std::string("abXYef\0\0\0z", 10));
    ASSERT_TRUE(platform::ReadUpToAt(fd, buf, 4, 20, &got));
    EXPECT_EQ(got, 0u);
    close(fd);
    EXPECT_FALSE(platform::ReadUpToAt(fd, buf, 4, 0, &got));
    EXPECT_FALSE(platform::WriteAllAt(fd, "a", 1, 0));
}
