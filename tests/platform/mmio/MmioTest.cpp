// The mmio calls: create truncates, a writer shuts out writers but not readers, renames never replace, chunks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Bytes.h"
#include "platform/mmio/Mmio.h"
#include "tests/support/TestSupport.h"

namespace {
std::vector<std::uint8_t> Bytes(const char* s, std::size_t n)
{
    return {reinterpret_cast<const std::uint8_t*>(s), reinterpret_cast<const std::uint8_t*>(s) + n};
}
}

TEST(Mmio, ExistDeleteAndCreateTruncates)
{
    testsupport::TempDir dir;
    std::string path = dir.file("a.bin");
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_EXIST), nullptr);
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_READ), nullptr);
    testsupport::WriteAll(path, {1, 2, 3, 4});
    EXPECT_NE(mmioOpenA(path.data(), nullptr, MMIO_EXIST), nullptr);
    HMMIO h = mmioOpenA(path.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_END), 0);
    EXPECT_EQ(mmioWrite(h, "xyz", 3), 3);
    EXPECT_EQ(mmioSeek(h, 1, SEEK_SET), 1);
    char c[4] = {};
    EXPECT_EQ(mmioRead(h, c, 4), 2);
    EXPECT_STREQ(c, "yz");
    EXPECT_EQ(mmioRead(h, c, 4), 0);
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
    EXPECT_NE(mmioOpenA(path.data(), nullptr, MMIO_DELETE), nullptr);
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_EXIST), nullptr);
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_DELETE), nullptr);
}

TEST(Mmio, WriterKeepsOtherWritersOutButNotReaders)
{
    testsupport::TempDir dir;
    std::string path = dir.file("a.wav");
    testsupport::WriteAll(path, {1, 2, 3, 4});
    HMMIO writer = mmioOpenA(path.data(), nullptr, MMIO_READWRITE);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_READWRITE), nullptr);
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_WRITE), nullptr);
    // A create must not cut the file that is being written.
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_CREATE | MMIO_READWRITE), nullptr);
    EXPECT_EQ(testsupport::ReadAll(path).size(), 4u);
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_READ | MMIO_DENYWRITE), nullptr);
    HMMIO reader = mmioOpenA(path.data(), nullptr, MMIO_READ);
    ASSERT_NE(reader, nullptr);
    mmioClose(reader, 0);
    mmioClose(writer, 0);
    // A deny-write reader keeps writers out until it closes.
    reader = mmioOpenA(path.data(), nullptr, MMIO_READ | MMIO_DENYWRITE);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(mmioOpenA(path.data(), nullptr, MMIO_READWRITE), nullptr);
    HMMIO second = mmioOpenA(path.data(), nullptr, MMIO_READ | MMIO_DENYWRITE);
    EXPECT_NE(second, nullptr);
    mmioClose(second, 0);
    mmioClose(reader, 0);
    writer = mmioOpenA(path.data(), nullptr, MMIO_READWRITE);
    EXPECT_NE(writer, nullptr);
    mmioClose(writer, 0);
}

TEST(Mmio, RenameRefusesAnExistingTarget)
{
    testsupport::TempDir dir;
    testsupport::WriteAll(dir.file("a"), {1});
    testsupport::WriteAll(dir.file("b"), {2});
    EXPECT_NE(mmioRenameA(dir.file("a").c_str(), dir.file("b").c_str(), nullptr, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioRenameA(dir.file("a").c_str(), dir.file("c").c_str(), nullptr, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(testsupport::ReadAll(dir.file("c")), (std::vector<std::uint8_t>{1}));
    EXPECT_EQ(mmioStringToFOURCCA("WAVE", 0), mmioFOURCC('W', 'A', 'V', 'E'));
    EXPECT_EQ(mmioStringToFOURCCA("fmt", 0), mmioFOURCC('f', 'm', 't', ' '));
}

TEST(Mmio, ChunksAreCreatedSizedPaddedAndFound)
{
    testsupport::TempDir dir;
    std::string path = dir.file("c.riff");
    HMMIO h = mmioOpenA(path.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    MMCKINFO riff;
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioCreateChunk(h, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.dwDataOffset, 8u);
    MMCKINFO a;
    a.ckid = mmioFOURCC('a', 'b', 'c', 'd');
    ASSERT_EQ(mmioCreateChunk(h, &a, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(a.dwDataOffset, 20u);
    mmioWrite(h, "xyz", 3);
    a.dwFlags |= MMIO_DIRTY;
    ASSERT_EQ(mmioAscend(h, &a, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 24);  // past the pad byte
    MMCKINFO list;
    list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    ASSERT_EQ(mmioCreateChunk(h, &list, MMIO_CREATELIST), MMSYSERR_NOERROR);
    list.dwFlags |= MMIO_DIRTY;
    ASSERT_EQ(mmioAscend(h, &list, 0), MMSYSERR_NOERROR);
    riff.dwFlags |= MMIO_DIRTY;
    ASSERT_EQ(mmioAscend(h, &riff, 0), MMSYSERR_NOERROR);
    mmioClose(h, 0);

    const auto b = testsupport::ReadAll(path);
    ASSERT_EQ(b.size(), 36u);
    EXPECT_EQ(platform::LoadLe32(b.data() + 4), 28u);
    EXPECT_EQ(platform::LoadLe32(b.data() + 16), 3u);
    EXPECT_EQ(b[23], 0);
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(b.data()) + 24, 4), Bytes("LIST", 4));
    EXPECT_EQ(platform::LoadLe32(b.data() + 28), 4u);

    h = mmioOpenA(path.data(), nullptr, MMIO_READ);
    ASSERT_NE(h, nullptr);
    MMCKINFO parent;
    parent.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &parent, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    MMCKINFO child;
    child.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    ASSERT_EQ(mmioDescend(h, &child, &parent, MMIO_FINDLIST), MMSYSERR_NOERROR);
    EXPECT_EQ(child.dwDataOffset, 32u);
    mmioSeek(h, 12, SEEK_SET);
    child.ckid = mmioFOURCC('z', 'z', 'z', 'z');
    EXPECT_EQ(mmioDescend(h, &child, &parent, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);
}

TEST(Mmio, DescendStopsOnOversizedChunks)
{
    testsupport::TempDir dir;
    std::string path = dir.file("bad.riff");
    // RIFF WAVE whose first child claims almost 4 GiB.
    std::vector<std::uint8_t> b = {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E',
                                   'f', 'm', 't', ' ', 0xF0, 0xFF, 0xFF, 0xFF, 0, 0};
    testsupport::WriteAll(path, b);
    HMMIO h = mmioOpenA(path.data(), nullptr, MMIO_READ);
    ASSERT_NE(h, nullptr);
    MMCKINFO parent;
    parent.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &parent, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    MMCKINFO child;
    child.ckid = mmioFOURCC('d', 'a', 't', 'a');
    EXPECT_EQ(mmioDescend(h, &child, &parent, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);
}
