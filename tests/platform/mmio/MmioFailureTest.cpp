// The mmio file functions on a full disk, before links and FIFOs, and when close fails.
#include <gtest/gtest.h>

#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/mmio/Mmio.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/TestSupport.h"

namespace {
std::string Contents(const std::string& path)
{
    const auto bytes = testsupport::ReadAll(path);
    return {bytes.begin(), bytes.end()};
}

// Whether anything changed the contents of files in folder since the watch began.
class ModifyWatch {
public:
    explicit ModifyWatch(const std::string& folder)
        : fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), watch(inotify_add_watch(fd, folder.c_str(), IN_MODIFY))
    {
    }
    ~ModifyWatch() { close(fd); }
    bool Modified()
    {
        char buf[4096];
        return read(fd, buf, sizeof buf) > 0;
    }
    bool Ready() const { return fd >= 0 && watch >= 0; }

private:
    int fd;
    int watch;
};

class MmioOutOfSpace : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        std::string why;
        space = testsupport::OutOfSpace::Make(GetParam(), &why);
        if (!space) {
            GTEST_SKIP() << why;
        }
    }
    std::unique_ptr<testsupport::OutOfSpace> space;
};
}

TEST(MmioLinks, NoWriteFollowsALinkAndExistenceSeesTheLinkItself)
{
    testsupport::TempDir dir;
    const std::string victim = dir.file("victim");
    testsupport::WriteAll(victim, {'k', 'e', 'e', 'p'});
    std::string link = dir.file("take.wav");
    ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
    EXPECT_EQ(mmioOpenA(link.data(), nullptr, MMIO_READWRITE), nullptr);
    EXPECT_EQ(mmioOpenA(link.data(), nullptr, MMIO_CREATE | MMIO_READWRITE), nullptr);
    EXPECT_EQ(Contents(victim), "keep");
    // Reading through a link is harmless and stays possible.
    HMMIO r = mmioOpenA(link.data(), nullptr, MMIO_READ);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(mmioClose(r, 0), MMSYSERR_NOERROR);

    std::string dangling = dir.file("new.wav");
    const std::string chosen = dir.file("chosen-by-another");
    ASSERT_EQ(symlink(chosen.c_str(), dangling.c_str()), 0);
    EXPECT_NE(mmioOpenA(dangling.data(), nullptr, MMIO_EXIST), nullptr);
    EXPECT_EQ(mmioOpenA(dangling.data(), nullptr, MMIO_CREATE | MMIO_READWRITE), nullptr);
    EXPECT_NE(access(chosen.c_str(), F_OK), 0);
}

TEST(MmioLinks, AFifoOrAFolderIsRefusedWithoutBlocking)
{
    testsupport::TempDir dir;
    std::string fifo = dir.file("take.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (DWORD flags : {MMIO_READ, MMIO_READ | MMIO_DENYWRITE, MMIO_READWRITE, MMIO_CREATE | MMIO_READWRITE}) {
        EXPECT_EQ(testsupport::RunInChild([&] { return mmioOpenA(fifo.data(), nullptr, flags) == nullptr ? 0 : 1; }, 5), 0)
            << "flags " << flags;
    }
    std::string folder = dir.path();
    EXPECT_EQ(mmioOpenA(folder.data(), nullptr, MMIO_READ), nullptr);
}

TEST(MmioCreate, ANewOrEmptyFileIsNeverTruncated)
{
    testsupport::TempDir dir;
    ModifyWatch watch(dir.path());
    ASSERT_TRUE(watch.Ready());
    std::string fresh = dir.file("new.wav");
    HMMIO h = mmioOpenA(fresh.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
    h = mmioOpenA(fresh.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
    EXPECT_FALSE(watch.Modified());
    // A file with contents is still emptied.
    testsupport::WriteAll(fresh, {1, 2, 3});
    (void)watch.Modified();
    h = mmioOpenA(fresh.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_END), 0);
    ASSERT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
    EXPECT_TRUE(watch.Modified());
}

TEST(MmioClose, AFailedCloseKeepsTheHandleOpenForAnotherTry)
{
    testsupport::TempDir dir;
    std::string path = dir.file("a.bin");
    HMMIO h = mmioOpenA(path.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    mmioFailNextClose();
    EXPECT_NE(mmioClose(h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioWrite(h, "abc", 3), 3);
    // The handle still holds the file: another writer is kept out.
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_READWRITE), nullptr);
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(Contents(path), "abc");
}

TEST_P(MmioOutOfSpace, AFailedWriteLeavesTheFileAsItWasAndTheOffsetWhereItStood)
{
    std::string path = space->Folder() + "/a.bin";
    HMMIO h = mmioOpenA(path.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    const std::string first(1000, 'a');
    ASSERT_EQ(mmioWrite(h, first.data(), 1000), 1000);
    space->Exhaust(1000);
    const std::string refused(64 * 1024, 'b');
    EXPECT_EQ(mmioWrite(h, refused.data(), static_cast<LONG>(refused.size())), -1);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 1000);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_END), 1000);
    // No room for a reservation either, and the file stays as it was.
    EXPECT_NE(mmioReserve(h, 1000, 64 * 1024), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_END), 1000);
    space->Relieve();
    mmioSeek(h, 1000, SEEK_SET);
    EXPECT_EQ(mmioReserve(h, 1000, 10), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioWrite(h, "cccccccccc", 10), 10);
    EXPECT_EQ(mmioTruncate(h, 1005), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(Contents(path), first + "ccccc");
}

INSTANTIATE_TEST_SUITE_P(Disks, MmioOutOfSpace, ::testing::Values("tmpfs", "filesize"));
