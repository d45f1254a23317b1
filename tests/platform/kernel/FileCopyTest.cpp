// Whole-file copies: never through a link, never a partial target, and which side failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/FileCopy.h"
#include "platform/kernel/Files.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/TestSupport.h"

namespace {
using platform::CopyRegularFile;
using platform::CopyResult;

class CopyOutOfSpace : public ::testing::TestWithParam<const char*> {};
}

TEST(FileCopy, CopiesEveryByteAndReplacesALinkInsteadOfFollowingIt)
{
    testsupport::TempDir dir;
    const auto bytes = std::vector<std::uint8_t>(200000, 7);
    testsupport::WriteAll(dir.file("src"), bytes);
    chmod(dir.file("src").c_str(), 0640);
    const std::string victim = dir.file("victim");
    testsupport::WriteAll(victim, {'k', 'e', 'e', 'p'});
    const std::string target = dir.file("copy");
    ASSERT_EQ(symlink(victim.c_str(), target.c_str()), 0);

    EXPECT_EQ(CopyRegularFile(dir.file("src"), target, true), CopyResult::TargetFailed);
    ASSERT_EQ(CopyRegularFile(dir.file("src"), target, false), CopyResult::Copied);
    struct stat st {};
    ASSERT_EQ(lstat(target.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0640u & ~mask);
    EXPECT_EQ(testsupport::ReadAll(target), bytes);
    EXPECT_EQ(testsupport::ReadAll(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
    // CopyFileA is the same copy.
    EXPECT_FALSE(CopyFileA(dir.file("src").c_str(), target.c_str(), TRUE));
    EXPECT_TRUE(CopyFileA(dir.file("src").c_str(), dir.file("second").c_str(), TRUE));
    EXPECT_EQ(testsupport::FolderNames(dir.path()).size(), 4u);
}

// A finished file replaces its target whole; a link or a FIFO in its place is
// refused and both names stay as they were.
TEST(FileCopy, ReplaceDurablyMovesOnlyARegularFileOverTheTarget)
{
    testsupport::TempDir dir;
    const std::string target = dir.file("take.wav");
    testsupport::WriteAll(target, {'o', 'l', 'd'});
    testsupport::WriteAll(dir.file("new"), {'n', 'e', 'w'});
    ASSERT_EQ(symlink(dir.file("new").c_str(), dir.file("link").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(platform::ReplaceDurably(dir.file("link"), target));
    EXPECT_EQ(testsupport::RunInChild([&] { return platform::ReplaceDurably(dir.file("pipe"), target) ? 1 : 0; }, 5), 0);
    EXPECT_FALSE(platform::ReplaceDurably(dir.file("missing"), target));
    EXPECT_EQ(testsupport::ReadAll(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    ASSERT_TRUE(platform::ReplaceDurably(dir.file("new"), target));
    EXPECT_EQ(testsupport::ReadAll(target), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    auto names = testsupport::FolderNames(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link", "pipe", "take.wav"}));
}

TEST(FileCopy, AFifoOrMissingSourceIsTheSourceSide)
{
    testsupport::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(testsupport::RunInChild(
                  [&] { return CopyRegularFile(dir.file("pipe"), dir.file("out"), false) == CopyResult::SourceFailed ? 0 : 1; }, 5),
              0);
    EXPECT_EQ(CopyRegularFile(dir.file("missing"), dir.file("out"), false), CopyResult::SourceFailed);
    EXPECT_EQ(testsupport::FolderNames(dir.path()), std::vector<std::string>{"pipe"});
}

TEST_P(CopyOutOfSpace, AFullTargetLeavesNothingBehind)
{
    std::string why;
    auto space = testsupport::OutOfSpace::Make(GetParam(), &why);
    if (!space) {
        GTEST_SKIP() << why;
    }
    testsupport::TempDir other;
    const auto bytes = std::vector<std::uint8_t>(300000, 3);
    testsupport::WriteAll(other.file("src"), bytes);
    space->Exhaust(100000);
    const std::string target = space->Folder() + "/copy.wav";
    EXPECT_EQ(CopyRegularFile(other.file("src"), target, false), CopyResult::TargetFailed);
    space->Relieve();
    EXPECT_TRUE(testsupport::FolderNames(space->Folder()).empty());
    ASSERT_EQ(CopyRegularFile(other.file("src"), target, false), CopyResult::Copied);
    EXPECT_EQ(testsupport::ReadAll(target), bytes);
}

INSTANTIATE_TEST_SUITE_P(Disks, CopyOutOfSpace, ::testing::Values("tmpfs", "filesize"));
