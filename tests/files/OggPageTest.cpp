// Ogg pages beside libogg: the last page and its end mark, tail packets, serials, the packet record, bitrates.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include <ogg/ogg.h>

#include "files/OggPacketRecord.h"
#include "files/OggPage.h"
#include "files/OggTail.h"
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

namespace {
// Pages of one stream from packets of the given sizes (filled with their
// index), a page forced after each packet listed in `flushAfter`. The first
// packet has the first page to itself, with granule 0.
std::vector<OggTailPage> MakePages(const std::vector<int>& sizes, const std::set<int>& flushAfter)
{
    ogg_stream_state os;
    ogg_stream_init(&os, 77);
    std::vector<OggTailPage> pages;
    std::int64_t offset = 0;
    auto take = [&](const ogg_page& og) {
        OggTailPage page;
        page.offset = offset;
        page.bytes.assign(og.header, og.header + og.header_len);
        page.bytes.insert(page.bytes.end(), og.body, og.body + og.body_len);
        offset += static_cast<std::int64_t>(page.bytes.size());
        pages.push_back(std::move(page));
    };
    ogg_page og;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::vector<unsigned char> data(static_cast<std::size_t>(sizes[i]), static_cast<unsigned char>(i));
        ogg_packet op{};
        op.packet = data.data();
        op.bytes = sizes[i];
        op.granulepos = 1000 * static_cast<ogg_int64_t>(i + 1);
        op.packetno = static_cast<ogg_int64_t>(i);
        op.e_o_s = i + 1 == sizes.size();
        ogg_stream_packetin(&os, &op);
        if (flushAfter.count(static_cast<int>(i))) {
            while (ogg_stream_flush(&os, &og)) {
                take(og);
            }
        }
        while (ogg_stream_pageout(&os, &og)) {
            take(og);
        }
    }
    while (ogg_stream_flush(&os, &og)) {
        take(og);
    }
    ogg_stream_clear(&os);
    return pages;
}
}

TEST(OggTail, PacketsOfTheLastPagesWithTheirPlaces)
{
    // Packet 3 is larger than a page can hold and spans two of them.
    const std::vector<int> sizes = {10, 600, 255, 70000, 40, 510, 7};
    std::vector<OggTailPage> pages = MakePages(sizes, {1, 2, 4});
    ASSERT_GE(pages.size(), 5u);
    std::vector<OggTailPacket> packets;
    ASSERT_TRUE(OggTailPackets(pages, &packets));
    ASSERT_EQ(packets.size(), sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(packets[i].bytes, std::vector<BYTE>(static_cast<std::size_t>(sizes[i]), static_cast<BYTE>(i)));
        const std::vector<BYTE>& page = pages[packets[i].page].bytes;
        EXPECT_LT(page[27 + packets[i].lastSegment], 255);
        const bool lastOnPage = i + 1 == sizes.size() || packets[i + 1].page != packets[i].page;
        if (i > 0) {
            EXPECT_EQ(packets[i].granule, lastOnPage ? 1000 * std::int64_t(i + 1) : -1);
        }
        EXPECT_EQ(packets[i].endOfStream, i + 1 == sizes.size());
    }
    EXPECT_EQ(packets[1].lastSegment, 2u);  // 255 + 255 + 90
    EXPECT_EQ(packets[3].page, packets[2].page + 2);
    EXPECT_EQ(packets[4].page, packets[3].page);

    // From a page that starts inside packet 3, the packets that end later.
    const std::vector<OggTailPage> later(pages.begin() + static_cast<long>(packets[2].page) + 2, pages.end());
    ASSERT_EQ(later.front().bytes[5] & 1, 1);
    ASSERT_TRUE(OggTailPackets(later, &packets));
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0].bytes.size(), 40u);

    // Pages that do not follow on are no tail.
    std::vector<OggTailPage> gap = pages;
    gap.erase(gap.begin() + 1);
    EXPECT_FALSE(OggTailPackets(gap, &packets));
    std::vector<OggTailPage> cut = pages;
    cut[2].bytes.pop_back();
    EXPECT_FALSE(OggTailPackets(cut, &packets));
}

TEST(OggTail, PageCutAfterAPacketIsAValidPage)
{
    std::vector<OggTailPage> pages = MakePages({5, 10, 20, 30, 40}, {});
    ASSERT_EQ(pages.size(), 2u);
    pages.erase(pages.begin());
    std::vector<OggTailPacket> packets;
    ASSERT_TRUE(OggTailPackets(pages, &packets));
    ASSERT_EQ(packets.size(), 4u);
    const std::vector<BYTE> cut = OggPageCutAfter(pages[0].bytes, packets[1].lastSegment, 1234);
    EXPECT_EQ(cut.size(), 27u + 2 + 30);
    EXPECT_EQ(OggPageGranule(cut.data()), 1234);
    EXPECT_EQ(cut[5] & 4, 0);
    // libogg takes it, checksum and all, and finds the first two packets.
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(cut.size()));
    std::copy(cut.begin(), cut.end(), buffer);
    ogg_sync_wrote(&sync, static_cast<long>(cut.size()));
    ogg_page og;
    ASSERT_EQ(ogg_sync_pageout(&sync, &og), 1);
    ogg_stream_state os;
    ogg_stream_init(&os, ogg_page_serialno(&og));
    ASSERT_EQ(ogg_stream_pagein(&os, &og), 0);
    ogg_packet op;
    // The page is not the stream's first: libogg reports the gap before it.
    EXPECT_EQ(ogg_stream_packetout(&os, &op), -1);
    ASSERT_EQ(ogg_stream_packetout(&os, &op), 1);
    EXPECT_EQ(op.bytes, 10);
    ASSERT_EQ(ogg_stream_packetout(&os, &op), 1);
    EXPECT_EQ(op.bytes, 20);
    EXPECT_EQ(op.granulepos, 1234);
    EXPECT_EQ(ogg_stream_packetout(&os, &op), 0);
    ogg_stream_clear(&os);
    ogg_sync_clear(&sync);
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
