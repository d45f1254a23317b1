#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "files/OggPacketRecord.h"
#include "files/OggPage.h"
#include "files/OggVorbisFile.h"
#include "tests/support/TestSupport.h"

namespace {
std::vector<std::uint8_t> SoxOgg(const testsupport::TempDir& dir, const char* name, const char* seconds)
{
    const std::string path = dir.file(name);
    int status = 0;
    testsupport::RunCapture(std::string("sox -n -r 44100 -c 2 ") + path + " synth " + seconds +
                                " sine 440 2>&1",
                            &status);
    EXPECT_EQ(status, 0);
    return testsupport::ReadAll(path);
}
}

TEST(OggPage, FindsTheLastPageAndClearsItsEndMark)
{
    TAPVOX_REQUIRE_TOOL("sox");
    testsupport::TempDir dir;
    std::vector<std::uint8_t> bytes = SoxOgg(dir, "a.ogg", "3");
    ASSERT_GT(bytes.size(), 200u);
    const long off = FindLastOggPage(bytes.data(), bytes.size());
    ASSERT_GE(off, 0);
    BYTE* page = bytes.data() + off;
    EXPECT_EQ(page[5] & 4, 4);  // the end-of-stream page
    ClearOggPageEndOfStream(page, bytes.size() - static_cast<std::size_t>(off));
    EXPECT_EQ(page[5] & 4, 0);
    // Still a valid page: found again with its new checksum.
    EXPECT_EQ(FindLastOggPage(bytes.data(), bytes.size()), off);

    // A damaged checksum is not taken for a page.
    bytes[bytes.size() - 1] ^= 0x5A;
    EXPECT_LT(FindLastOggPage(bytes.data(), bytes.size()) , off);
    EXPECT_EQ(FindLastOggPage(bytes.data(), 10), -1);
}

TEST(OggPage, SerialsDifferWithinOneSecond)
{
    std::set<int> serials;
    for (int i = 0; i < 64; ++i) {
        serials.insert(NewOggStreamSerial());
    }
    EXPECT_GT(serials.size(), 60u);
}

TEST(OggPacketRecord, LittleEndianLayoutWithZeroPointerField)
{
    OggPacketRecord r;
    r.bytes = 0x01020304;
    r.beginOfStream = 1;
    r.endOfStream = 0;
    r.granule = 0x1122334455667788LL;
    r.packetNumber = -1;
    BYTE out[kOggPacketRecordSize];
    std::fill(std::begin(out), std::end(out), 0xEE);
    StoreOggPacketRecord(r, out);
    const BYTE expect[32] = {0, 0, 0, 0, 4, 3, 2, 1, 1, 0, 0, 0, 0, 0, 0, 0,
                             0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11,
                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(std::equal(std::begin(expect), std::end(expect), out));
    const OggPacketRecord back = LoadOggPacketRecord(out);
    EXPECT_EQ(back.bytes, r.bytes);
    EXPECT_EQ(back.granule, r.granule);
    EXPECT_EQ(back.packetNumber, -1);
    EXPECT_EQ(back.beginOfStream, 1);
}

TEST(VorbisQuality, NominalBitrates)
{
    EXPECT_EQ(VorbisQualityToBitrate(4, 44100, 2), 128000);
    EXPECT_GT(VorbisQualityToBitrate(10, 44100, 2), VorbisQualityToBitrate(0, 44100, 2));
    EXPECT_EQ(VorbisQualityToBitrate(4, 0, 2), 0);
    EXPECT_EQ(VorbisQualityToBitrate(4, 44100, 0), 0);
}
