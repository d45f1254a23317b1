// The comment-header rewrite: audio on pages of its own is copied and renumbered, audio sharing a header page paged anew.
#include "files/VorbisCommentEditor.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <ogg/ogg.h>
#include <vorbis/codec.h>

namespace {
constexpr long kChunk = 4096;
const char* const kTruncated = "Input truncated or empty.";
const char* const kNotOgg = "Input is not an Ogg bitstream.";
const char* const kFirstPage = "Error reading first page of Ogg bitstream.";
const char* const kFirstPacket = "Error reading initial header packet.";
const char* const kNotVorbis = "Ogg bitstream does not contain vorbis data.";
const char* const kCorruptHeader = "Corrupt secondary header.";
const char* const kEofInHeaders = "EOF before end of vorbis headers.";
const char* const kCorruptData = "Corrupt or missing data, continuing...";
const char* const kWriteError = "Error writing stream to output. Output stream may be corrupted or truncated.";

void PutLE32(std::vector<unsigned char>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
}
}

struct VorbisCommentEditor::State {
    ogg_sync_state sync{};
    ogg_stream_state stream{};
    vorbis_comment comments{};
    vorbis_info info{};
    bool opened = false;
    void* input = nullptr;
    int serial = 0;
    std::vector<unsigned char> idHeader;
    std::vector<unsigned char> setupHeader;
    const char* lastError = nullptr;
    std::string vendor;
    long prevBlock = 0;
    bool extraPage = false;
    bool inputEnded = false;
    long lastHeaderPage = 0;
    ogg_page extra{};

    State() { ogg_sync_init(&sync); }
    ~State() { Release(); }
    void Release()
    {
        if (opened) {
            ogg_stream_clear(&stream);
            vorbis_comment_clear(&comments);
            vorbis_info_clear(&info);
            opened = false;
        }
        ogg_sync_clear(&sync);
        ogg_sync_init(&sync);
        idHeader.clear();
        setupHeader.clear();
        vendor.clear();
    }
};

VorbisCommentEditor::VorbisCommentEditor(IoFunction read, IoFunction write)
    : s_(std::make_unique<State>()), read_(read), write_(write)
{
}

VorbisCommentEditor::~VorbisCommentEditor() = default;

const char* VorbisCommentEditor::LastError() const { return s_->lastError; }

vorbis_comment* VorbisCommentEditor::Comments() { return s_->opened ? &s_->comments : nullptr; }

int VorbisCommentEditor::Open(void* input)
{
    State& s = *s_;
    s.Release();
    s.input = input;
    s.lastError = nullptr;
    auto fail = [&](const char* text) {
        s.lastError = text;
        s.Release();
        return -1;
    };

    char* buffer = ogg_sync_buffer(&s.sync, kChunk);
    const std::size_t bytes = read_(buffer, 1, kChunk, input);
    ogg_sync_wrote(&s.sync, static_cast<long>(bytes));
    ogg_page page;
    if (ogg_sync_pageout(&s.sync, &page) != 1) {
        return fail(bytes < static_cast<std::size_t>(kChunk) ? kTruncated : kNotOgg);
    }
    s.serial = ogg_page_serialno(&page);
    ogg_stream_init(&s.stream, s.serial);
    vorbis_info_init(&s.info);
    vorbis_comment_init(&s.comments);
    s.opened = true;

    if (ogg_stream_pagein(&s.stream, &page) < 0) {
        return fail(kFirstPage);
    }
    ogg_packet packet;
    if (ogg_stream_packetout(&s.stream, &packet) != 1) {
        return fail(kFirstPacket);
    }
    if (vorbis_synthesis_headerin(&s.info, &s.comments, &packet) < 0) {
        return fail(kNotVorbis);
    }
    s.idHeader.assign(packet.packet, packet.packet + packet.bytes);

    int got = 0;
    while (got < 2) {
        while (got < 2) {
            const int r = ogg_sync_pageout(&s.sync, &page);
            if (r == 0) {
                break;
            }
            if (r < 0) {
                continue;  // bytes skipped to the next capture pattern
            }
            ogg_stream_pagein(&s.stream, &page);
            s.lastHeaderPage = ogg_page_pageno(&page);
            while (got < 2) {
                const int p = ogg_stream_packetout(&s.stream, &packet);
                if (p == 0) {
                    break;
                }
                if (p < 0) {
                    return fail(kCorruptHeader);
                }
                // A header libvorbis refuses would make every block size and
                // granule of the rewrite wrong.
                if (vorbis_synthesis_headerin(&s.info, &s.comments, &packet) < 0) {
                    return fail(kCorruptHeader);
                }
                if (got == 1) {
                    s.setupHeader.assign(packet.packet, packet.packet + packet.bytes);
                }
                ++got;
            }
        }
        if (got < 2) {
            buffer = ogg_sync_buffer(&s.sync, kChunk);
            const std::size_t n = read_(buffer, 1, kChunk, input);
            if (n == 0) {
                return fail(kEofInHeaders);
            }
            ogg_sync_wrote(&s.sync, static_cast<long>(n));
        }
    }
    s.vendor = s.comments.vendor ? s.comments.vendor : "";
    return 0;
}

namespace {
void SetPageSequence(std::vector<unsigned char>& page, long sequence)
{
    for (int i = 0; i < 4; ++i) {
        page[18 + i] = static_cast<unsigned char>(static_cast<unsigned long>(sequence) >> (8 * i));
    }
}

void SetPageChecksum(std::vector<unsigned char>& page, std::size_t headerLength)
{
    ogg_page og{};
    og.header = page.data();
    og.header_len = static_cast<long>(headerLength);
    og.body = page.data() + headerLength;
    og.body_len = static_cast<long>(page.size() - headerLength);
    ogg_page_checksum_set(&og);
}

// The comment header: type 3, "vorbis", vendor, the comments, framing bit.
std::vector<unsigned char> CommentHeader(const std::string& vendor, const vorbis_comment& comments)
{
    std::vector<unsigned char> header = {3, 'v', 'o', 'r', 'b', 'i', 's'};
    PutLE32(header, static_cast<std::uint32_t>(vendor.size()));
    header.insert(header.end(), vendor.begin(), vendor.end());
    PutLE32(header, static_cast<std::uint32_t>(comments.comments < 0 ? 0 : comments.comments));
    for (int i = 0; i < comments.comments; ++i) {
        const char* c = comments.user_comments ? comments.user_comments[i] : nullptr;
        const int len = (c && comments.comment_lengths) ? comments.comment_lengths[i] : 0;
        PutLE32(header, static_cast<std::uint32_t>(len));
        if (len > 0) {
            header.insert(header.end(), c, c + len);
        }
    }
    header.push_back(1);
    return header;
}
}

class VorbisCommentEditor::Rewrite {
public:
    Rewrite(State& state, IoFunction readInput, IoFunction writeOutput, void* outputHandle)
        : s(state), read(readInput), write(writeOutput), output(outputHandle)
    {
        ogg_stream_init(&out, s.serial);
    }
    ~Rewrite() { ogg_stream_clear(&out); }
    Rewrite(const Rewrite&) = delete;
    Rewrite& operator=(const Rewrite&) = delete;

    // The three header packets, the new comment header among them, on pages of their own.
    bool WriteHeaders(std::vector<unsigned char> commentHeader);
    // Audio starts on a page of its own: its pages are copied as they are,
    // renumbered behind the new header pages, so packets, page boundaries
    // and granules stay exactly as recorded (and so does what the file's
    // Read returns). The last page of the stream gets the end mark.
    bool CopyAudioPages();
    // Audio packets share the last header page, the first of them in packet:
    // they are paged anew, granules kept where the input has them and counted where not.
    bool RepageAudio(ogg_packet packet);
    // A page of another stream that ended the audio, then everything after the
    // stream as it stands; false also when the input did not reach its end.
    bool CopyRest();

private:
    bool WriteBytes(const void* data, std::size_t size)
    {
        return write(const_cast<void*>(data), 1, size, output) == size;
    }
    bool WritePage(const ogg_page& page)
    {
        return WriteBytes(page.header, static_cast<std::size_t>(page.header_len)) &&
               WriteBytes(page.body, static_cast<std::size_t>(page.body_len));
    }
    // More input into the sync state; false at the end.
    bool ReadMore()
    {
        char* buffer = ogg_sync_buffer(&s.sync, kChunk);
        const std::size_t n = read(buffer, 1, kChunk, s.input);
        ogg_sync_wrote(&s.sync, static_cast<long>(n));
        return n != 0;
    }
    // The next page of the input, reading as needed; false at the end.
    bool NextPage(ogg_page* page);
    // The next audio packet of the stream, from further pages as needed; a
    // page of another stream ends the audio and is kept for CopyRest.
    bool NextPacket(ogg_packet* packet);

    State& s;
    IoFunction read;
    IoFunction write;
    void* output;
    ogg_stream_state out;
};

bool VorbisCommentEditor::Rewrite::NextPage(ogg_page* page)
{
    int r;
    while ((r = ogg_sync_pageout(&s.sync, page)) <= 0) {
        if (r < 0) {
            continue;
        }
        if (!ReadMore()) {
            return false;
        }
    }
    return true;
}

bool VorbisCommentEditor::Rewrite::WriteHeaders(std::vector<unsigned char> commentHeader)
{
    ogg_packet header{};
    header.packet = s.idHeader.data();
    header.bytes = static_cast<long>(s.idHeader.size());
    header.b_o_s = 1;
    header.packetno = 0;
    ogg_stream_packetin(&out, &header);
    header.packet = commentHeader.data();
    header.bytes = static_cast<long>(commentHeader.size());
    header.b_o_s = 0;
    header.packetno = 1;
    ogg_stream_packetin(&out, &header);
    header.packet = s.setupHeader.data();
    header.bytes = static_cast<long>(s.setupHeader.size());
    header.packetno = 2;
    ogg_stream_packetin(&out, &header);
    bool ok = true;
    ogg_page page;
    while (ok && ogg_stream_flush(&out, &page)) {
        ok = WritePage(page);
    }
    return ok;
}

bool VorbisCommentEditor::Rewrite::CopyAudioPages()
{
    const long shift = out.pageno - (s.lastHeaderPage + 1);
    std::vector<unsigned char> held;
    std::size_t heldHeader = 0;
    auto flushHeld = [&](bool last) {
        if (held.empty()) {
            return true;
        }
        if (last && !(held[5] & 4)) {
            held[5] |= 4;
            SetPageChecksum(held, heldHeader);
        }
        const bool written = WriteBytes(held.data(), held.size());
        held.clear();
        return written;
    };
    bool ok = true;
    ogg_page page;
    while (ok && !s.inputEnded) {
        if (!NextPage(&page)) {
            break;
        }
        if (ogg_page_serialno(&page) != s.serial) {
            s.extraPage = true;
            s.extra = page;
            break;
        }
        ok = flushHeld(false);
        held.assign(page.header, page.header + page.header_len);
        held.insert(held.end(), page.body, page.body + page.body_len);
        heldHeader = static_cast<std::size_t>(page.header_len);
        SetPageSequence(held, ogg_page_pageno(&page) + shift);
        SetPageChecksum(held, heldHeader);
        if (ogg_page_eos(&page)) {
            s.inputEnded = true;
        }
    }
    return ok && flushHeld(true);
}

bool VorbisCommentEditor::Rewrite::NextPacket(ogg_packet* packet)
{
    for (;;) {
        const int r = ogg_stream_packetout(&s.stream, packet);
        if (r > 0) {
            return true;
        }
        if (r < 0) {
            continue;
        }
        ogg_page page;
        if (s.inputEnded || !NextPage(&page)) {
            return false;
        }
        if (ogg_page_serialno(&page) != s.serial) {
            s.inputEnded = true;
            s.extraPage = true;
            s.extra = page;
            return false;
        }
        if (ogg_page_eos(&page)) {
            s.inputEnded = true;
        }
        ogg_stream_pagein(&s.stream, &page);
    }
}

bool VorbisCommentEditor::Rewrite::RepageAudio(ogg_packet packet)
{
    ogg_int64_t granule = 0;
    bool needFlush = false;
    bool needOut = false;
    bool ok = true;
    bool more = true;
    ogg_page page;
    while (ok && more) {
        const long size = vorbis_packet_blocksize(&s.info, &packet);
        if (size > 0) {
            granule += s.prevBlock ? (s.prevBlock + size) / 4 : 0;
            s.prevBlock = size;
        }
        if (needFlush) {
            if (ogg_stream_flush(&out, &page)) {
                ok = WritePage(page);
            }
        } else if (needOut) {
            if (ogg_stream_pageout(&out, &page)) {
                ok = WritePage(page);
            }
        }
        needFlush = needOut = false;
        if (packet.granulepos == -1) {
            packet.granulepos = granule;
        } else if (granule > packet.granulepos) {
            granule = packet.granulepos;
            needFlush = true;
        } else {
            needOut = true;
        }
        ogg_stream_packetin(&out, &packet);
        more = NextPacket(&packet);
    }
    out.e_o_s = 1;
    while (ok && ogg_stream_flush(&out, &page)) {
        ok = WritePage(page);
    }
    return ok;
}

bool VorbisCommentEditor::Rewrite::CopyRest()
{
    if (s.extraPage && !WritePage(s.extra)) {
        return false;
    }
    s.inputEnded = false;
    ogg_page page;
    for (;;) {
        int r;
        while ((r = ogg_sync_pageout(&s.sync, &page)) != 0) {
            if (r < 0) {
                s.lastError = kCorruptData;
                continue;
            }
            if (!WriteBytes(page.header, static_cast<std::size_t>(page.header_len))) {
                std::fprintf(stderr, "Bumming out\n");
                return false;
            }
            if (!WriteBytes(page.body, static_cast<std::size_t>(page.body_len))) {
                std::fprintf(stderr, "Bumming out 2\n");
                return false;
            }
        }
        if (!ReadMore()) {
            s.inputEnded = true;
            return true;
        }
    }
}

int VorbisCommentEditor::Write(void* output)
{
    State& s = *s_;
    if (!s.opened) {
        s.lastError = kTruncated;
        return -1;
    }
    s.inputEnded = false;
    s.extraPage = false;
    s.prevBlock = 0;
    Rewrite rewrite(s, read_, write_, output);
    bool ok = rewrite.WriteHeaders(CommentHeader(s.vendor, s.comments));
    ogg_packet packet;
    if (ok) {
        ok = ogg_stream_packetout(&s.stream, &packet) == 0 ? rewrite.CopyAudioPages() : rewrite.RepageAudio(packet);
    }
    if (!ok || !rewrite.CopyRest()) {
        s.lastError = kWriteError;
        return -1;
    }
    return 0;
}
