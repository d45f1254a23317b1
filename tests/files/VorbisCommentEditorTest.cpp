// Comment rewrites keep the audio, copy unended and chained streams, and give bad input its error text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include "files/OggPage.h"
#include "files/VorbisCommentEditor.h"
#include "files/VorbisComments.h"
#include "tests/support/TestSupport.h"

namespace {
std::size_t ReadFile(void* b, std::size_t s, std::size_t n, void* h) { return std::fread(b, s, n, static_cast<FILE*>(h)); }
std::size_t WriteFile(void* b, std::size_t s, std::size_t n, void* h)
{
    return std::fwrite(b, s, n, static_cast<FILE*>(h));
}

std::string MakeOgg(const testsupport::TempDir& dir, const std::string& name, const char* seconds,
                    const char* channels = "2")
{
    const std::string path = dir.file(name);
    int status = 0;
    testsupport::RunCapture(std::string("sox -n -r 44100 -c ") + channels + " '" + path + "' synth " + seconds +
                                " sine 440 2>&1",
                            &status);
    EXPECT_EQ(status, 0);
    return path;
}

// Opens `in`, lets `edit` change the comments, writes `out`; returns the result
// of the failing step (or 0) and the last error text.
int Rewrite(const std::string& in, const std::string& out, std::string* error,
            void (*edit)(vorbis_comment*) = nullptr)
{
    FILE* fi = std::fopen(in.c_str(), "rb");
    if (!fi) {
        return -2;
    }
    VorbisCommentEditor editor(ReadFile, WriteFile);
    int rc = editor.Open(fi);
    if (rc == 0) {
        if (edit) {
            edit(editor.Comments());
        }
        FILE* fo = std::fopen(out.c_str(), "wb");
        rc = editor.Write(fo);
        std::fclose(fo);
    }
    if (error) {
        *error = editor.LastError() ? editor.LastError() : "";
    }
    std::fclose(fi);
    return rc;
}

void NewComments(vorbis_comment* vc)
{
    VorbisComments list;
    list.Add("title", "Rewritten");
    list.Add("fennwicke timecode", "SAMPLE TIMECODE\r\n0 1700000000\r\nCOMMENT 0\t0\thello\r\n");
    list.StoreTo(vc);
}

std::string Field(const std::string& text, const std::string& key)
{
    const std::size_t at = text.find(key);
    if (at == std::string::npos) {
        return "";
    }
    return text.substr(at, text.find('\n', at) - at);
}

// The audio packets of a stream, in order, and the granule of its last page.
struct AudioPackets {
    std::vector<std::vector<unsigned char>> packets;
    ogg_int64_t lastGranule = -1;
    bool audioOnSetupPage = false;  // the first audio packet ends the setup header's page
};

// Walks the pages of bytes with libogg; with `into`, the packets are paged
// again into it so that the first audio packets share the last header page.
AudioPackets Walk(const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>* into = nullptr)
{
    AudioPackets result;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer);
    ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));
    ogg_stream_state in{};
    ogg_stream_state out{};
    bool started = false;
    ogg_page page;
    auto put = [&](const ogg_page& p) {
        into->insert(into->end(), p.header, p.header + p.header_len);
        into->insert(into->end(), p.body, p.body + p.body_len);
    };
    while (ogg_sync_pageout(&sync, &page) == 1) {
        if (!started) {
            ogg_stream_init(&in, ogg_page_serialno(&page));
            ogg_stream_init(&out, ogg_page_serialno(&page));
            started = true;
        }
        ogg_stream_pagein(&in, &page);
        result.lastGranule = ogg_page_granulepos(&page);
        ogg_packet packet;
        bool setupHere = false;
        while (ogg_stream_packetout(&in, &packet) == 1) {
            setupHere = setupHere || packet.packetno == 2;
            result.audioOnSetupPage = result.audioOnSetupPage || (setupHere && packet.packetno == 3);
            if (packet.packetno >= 3) {
                result.packets.emplace_back(packet.packet, packet.packet + packet.bytes);
            }
            if (!into) {
                continue;
            }
            ogg_stream_packetin(&out, &packet);
            ogg_page made;
            // Only the identification header has a page of its own.
            while (packet.packetno == 0 ? ogg_stream_flush(&out, &made) : ogg_stream_pageout(&out, &made)) {
                put(made);
            }
        }
    }
    if (into) {
        while (ogg_stream_flush(&out, &page)) {
            put(page);
        }
    }
    if (started) {
        ogg_stream_clear(&in);
        ogg_stream_clear(&out);
    }
    ogg_sync_clear(&sync);
    return result;
}
}

TEST(VorbisCommentEditor, RewritesCommentsKeepingTheAudio)
{
    TAPVOX_REQUIRE_TOOL("ogginfo");
    TAPVOX_REQUIRE_TOOL("vorbiscomment");
    testsupport::TempDir dir;
    const std::string in = MakeOgg(dir, "in.ogg", "5");
    const std::string out = dir.file("out.ogg");
    std::string error;
    ASSERT_EQ(Rewrite(in, out, &error, NewComments), 0) << error;

    int status = 0;
    const std::string info = testsupport::RunCapture("ogginfo '" + out + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_EQ(info.find("WARNING"), std::string::npos) << info;
    EXPECT_EQ(info.find("ERROR"), std::string::npos) << info;
    const std::string before = testsupport::RunCapture("ogginfo '" + in + "' 2>&1");
    EXPECT_EQ(Field(info, "Playback length"), Field(before, "Playback length"));
    EXPECT_NE(Field(info, "Playback length"), "");

    const std::string listed = testsupport::RunCapture("vorbiscomment -l '" + out + "' 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(listed.find("TITLE=Rewritten"), std::string::npos) << listed;
    EXPECT_NE(listed.find("FENNWICKE TIMECODE=SAMPLE TIMECODE"), std::string::npos) << listed;
    EXPECT_EQ(listed.find("Processed by SoX"), std::string::npos) << listed;
    testsupport::SaveSeed("vorbis_comments", out);
    testsupport::SaveSeed("ogg_reader", out);
}

TEST(VorbisCommentEditor, StreamWithoutEndPageAndChainedStreamAreCopied)
{
    TAPVOX_REQUIRE_TOOL("ogginfo");
    testsupport::TempDir dir;
    const std::string a = MakeOgg(dir, "a.ogg", "3");
    const std::string b = MakeOgg(dir, "b.ogg", "1", "1");
    std::vector<std::uint8_t> chained = testsupport::ReadAll(a);
    const std::vector<std::uint8_t> second = testsupport::ReadAll(b);
    chained.insert(chained.end(), second.begin(), second.end());
    const std::string in = dir.file("chained.ogg");
    testsupport::WriteAll(in, chained);
    const std::string out = dir.file("chained-out.ogg");
    std::string error;
    ASSERT_EQ(Rewrite(in, out, &error, NewComments), 0) << error;
    int status = 0;
    const std::string info = testsupport::RunCapture("ogginfo '" + out + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("Logical stream 2 ended"), std::string::npos) << info;

    // Cut off in the middle of the audio: whatever pages are complete come over.
    std::vector<std::uint8_t> cut = testsupport::ReadAll(a);
    cut.resize(cut.size() * 2 / 3);
    const std::string cutIn = dir.file("cut.ogg");
    testsupport::WriteAll(cutIn, cut);
    ASSERT_EQ(Rewrite(cutIn, dir.file("cut-out.ogg"), &error, NewComments), 0) << error;
    const std::string cutInfo = testsupport::RunCapture("ogginfo '" + dir.file("cut-out.ogg") + "' 2>&1");
    EXPECT_NE(cutInfo.find("Playback length"), std::string::npos) << cutInfo;
}

TEST(VorbisCommentEditor, BadInputGivesItsErrorText)
{
    TAPVOX_REQUIRE_TOOL("sox");
    testsupport::TempDir dir;
    std::string error;
    const std::string empty = dir.file("empty.ogg");
    testsupport::WriteAll(empty, {});
    EXPECT_EQ(Rewrite(empty, dir.file("o1"), &error), -1);
    EXPECT_EQ(error, "Input truncated or empty.");

    const std::string junk = dir.file("junk.ogg");
    testsupport::WriteAll(junk, std::vector<std::uint8_t>(5000, 0x41));
    EXPECT_EQ(Rewrite(junk, dir.file("o2"), &error), -1);
    EXPECT_EQ(error, "Input is not an Ogg bitstream.");

    const std::string good = MakeOgg(dir, "good.ogg", "1");
    std::vector<std::uint8_t> bytes = testsupport::ReadAll(good);
    // Only the first page: the other headers never come.
    const std::size_t firstPage = 27 + bytes[26] + bytes[27];
    const std::string head = dir.file("head.ogg");
    testsupport::WriteAll(head, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(firstPage)));
    EXPECT_EQ(Rewrite(head, dir.file("o3"), &error), -1);
    EXPECT_EQ(error, "EOF before end of vorbis headers.");

    // A valid Ogg page whose first packet is not a Vorbis header.
    std::vector<std::uint8_t> other = bytes;
    other[28 + 1] = 'x';  // "vorbis" -> "xorbis" in the identification header
    std::vector<std::uint8_t> page(other.begin(), other.begin() + static_cast<long>(firstPage));
    const std::uint32_t crc = OggPageChecksum(page.data(), page.size());
    for (int i = 0; i < 4; ++i) {
        other[22 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    }
    const std::string notVorbis = dir.file("notvorbis.ogg");
    testsupport::WriteAll(notVorbis, other);
    EXPECT_EQ(Rewrite(notVorbis, dir.file("o4"), &error), -1);
    EXPECT_EQ(error, "Ogg bitstream does not contain vorbis data.");

    // Bad checksum on the first page: libogg skips it, so it is not a stream.
    std::vector<std::uint8_t> badCrc = bytes;
    badCrc[22] ^= 0xFF;
    const std::string bad = dir.file("badcrc.ogg");
    testsupport::WriteAll(bad, badCrc);
    EXPECT_EQ(Rewrite(bad, dir.file("o5"), &error), -1);
    EXPECT_FALSE(error.empty());
}

TEST(VorbisCommentEditor, AudioSharingTheLastHeaderPageIsPagedAnewWithEveryPacket)
{
    TAPVOX_REQUIRE_TOOL("ogginfo");
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> made = testsupport::ReadAll(MakeOgg(dir, "made.ogg", "2"));
    std::vector<std::uint8_t> shared;
    const AudioPackets audio = Walk(made, &shared);
    ASSERT_GT(audio.packets.size(), 10u);
    ASSERT_FALSE(audio.audioOnSetupPage);
    ASSERT_TRUE(Walk(shared).audioOnSetupPage);
    const std::string in = dir.file("shared.ogg");
    testsupport::WriteAll(in, shared);
    const std::string out = dir.file("shared-out.ogg");
    std::string error;
    ASSERT_EQ(Rewrite(in, out, &error, NewComments), 0) << error;

    const AudioPackets back = Walk(testsupport::ReadAll(out));
    EXPECT_TRUE(back.packets == audio.packets);
    EXPECT_EQ(back.lastGranule, audio.lastGranule);
    int status = 0;
    const std::string info = testsupport::RunCapture("ogginfo '" + out + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_EQ(info.find("ERROR"), std::string::npos) << info;
}
