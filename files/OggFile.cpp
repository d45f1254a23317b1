#include "files/OggFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "files/OggPage.h"
#include "files/OggStreams.h"
#include "files/VorbisCommentEditor.h"
#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"

namespace {
constexpr long kReadChunk = 4096;

std::size_t ReadFile(void* b, std::size_t s, std::size_t n, void* h) { return std::fread(b, s, n, static_cast<FILE*>(h)); }
std::size_t WriteFile(void* b, std::size_t s, std::size_t n, void* h)
{
    return std::fwrite(b, s, n, static_cast<FILE*>(h));
}

bool WritePageTo(FILE* f, const ogg_page& page)
{
    if (std::fwrite(page.header, 1, static_cast<std::size_t>(page.header_len), f) !=
            static_cast<std::size_t>(page.header_len) ||
        std::fwrite(page.body, 1, static_cast<std::size_t>(page.body_len), f) != static_cast<std::size_t>(page.body_len)) {
        return false;
    }
    // Each page reaches the file at once: a killed recorder leaves every
    // complete page readable.
    return std::fflush(f) == 0;
}
}

OggFile::OggFile(const char* fileName) : RecFile(fileName), ogg(std::make_unique<OggStreams>())
{
    ogg_sync_init(&ogg->sync);
    const int serial = NewOggStreamSerial();
    ogg_stream_init(&ogg->decode, serial);
    ogg_stream_init(&ogg->encode, serial);
}

OggFile::~OggFile()
{
    CloseStreams();
    ogg_stream_clear(&ogg->decode);
    ogg_stream_clear(&ogg->encode);
    ogg_sync_clear(&ogg->sync);
}

bool OggFile::OpenStreams(const char* readMode, const char* writeMode)
{
    // Through the link-safe opens: no write follows a link, no FIFO blocks the open.
    if (writeMode) {
        const bool fresh = writeMode[0] == 'w';
        bool created = false;
        int fd = fresh ? platform::OpenOrCreateForWrite(name, &created) : platform::OpenRegularForUpdate(name);
        struct stat st {};
        // "w" empties the file, but a new or empty one is left alone.
        if (fd >= 0 && fresh && !created && (fstat(fd, &st) != 0 || (st.st_size > 0 && ftruncate(fd, 0) != 0))) {
            ::close(fd);
            fd = -1;
        }
        writeStream = platform::StreamFromDescriptor(fd, fresh ? "w+b" : "r+b");
    }
    readStream = platform::StreamFromDescriptor(platform::OpenRegularForRead(name), readMode);
    return readStream != nullptr;
}

void OggFile::CloseStreams()
{
    if (readStream) {
        std::fclose(readStream);
        readStream = nullptr;
    }
    if (writeStream) {
        std::fclose(writeStream);
        writeStream = nullptr;
    }
}

std::int64_t OggFile::EncodePacketCount() const { return ogg->encode.packetno; }

char* OggFile::GetInfo(const char* itemName)
{
    if (!itemName) {
        return nullptr;
    }
    const char* value = commentList.Get(itemName);
    if (!value) {
        return nullptr;
    }
    const std::size_t n = std::strlen(value);
    char* copy = new char[n + 1];
    std::memcpy(copy, value, n + 1);
    return copy;
}

bool OggFile::SetInfo(const char* itemName, const char* text)
{
    if (!itemName || !text || readOnly) {
        return false;
    }
    commentList.Remove(itemName);
    commentList.Add(itemName, text);
    commentsChanged = true;
    return true;
}

bool OggFile::ReadPacket(OggPacket* packet)
{
    if (!readStream) {
        return false;
    }
    for (;;) {
        const int r = ogg_stream_packetout(&ogg->decode, packet);
        if (r > 0) {
            break;
        }
        if (r < 0) {
            continue;  // a gap in the pages; the next packet follows
        }
        int p;
        while ((p = ogg_sync_pageout(&ogg->sync, &ogg->readPage)) != 1) {
            if (p < 0) {
                continue;  // bytes skipped up to the next capture pattern
            }
            char* buffer = ogg_sync_buffer(&ogg->sync, kReadChunk);
            std::clearerr(readStream);
            const std::size_t n = std::fread(buffer, 1, kReadChunk, readStream);
            ogg_sync_wrote(&ogg->sync, static_cast<long>(n));
            if (n == 0) {
                return false;
            }
        }
        if (ogg_stream_pagein(&ogg->decode, &ogg->readPage) == 0) {
            lastReadPage = ogg_page_pageno(&ogg->readPage);
        }
    }
    if (packet->granulepos > lastGranule) {
        lastGranule = packet->granulepos;
        highestGranule = std::max(highestGranule, lastGranule);
    }
    return true;
}

bool OggFile::WritePacket(OggPacket* packet, bool writePages)
{
    ogg_stream_state& os = ogg->encode;
    packet->packetno = os.packetno;
    if (packet->granulepos > 0 && packet->granulepos > highestGranule) {
        highestGranule = packet->granulepos;
    }
    const bool flush = os.packetno == 2 || (os.packetno == 4 && packet->granulepos != -1) || packet->b_o_s ||
                       packet->e_o_s;
    ogg_stream_packetin(&os, packet);
    if (!flush) {
        while (ogg_stream_pageout(&os, &ogg->writePage)) {
            if (writePages && (!writeStream || !WritePageTo(writeStream, ogg->writePage))) {
                return false;
            }
            if (ogg_page_eos(&ogg->writePage)) {
                break;
            }
        }
    } else {
        while (ogg_stream_flush(&os, &ogg->writePage)) {
            if (writePages && (!writeStream || !WritePageTo(writeStream, ogg->writePage))) {
                return false;
            }
        }
    }
    return true;
}

void OggFile::Reset(bool both)
{
    const int serial = ogg->decode.serialno;
    if (readStream) {
        std::fseek(readStream, 0, SEEK_SET);
        std::clearerr(readStream);
    }
    ogg_sync_reset(&ogg->sync);
    ogg_stream_reset_serialno(&ogg->decode, serial);
    if (both) {
        ogg_stream_reset_serialno(&ogg->encode, serial);
    }
    lastGranule = 0;
    lastReadPage = -1;
}

bool OggFile::ReplayPackets(bool feedEncoder)
{
    OggPacket packet;
    while (ReadPacket(&packet)) {
        if (feedEncoder) {
            WritePacket(&packet, false);
        }
    }
    return true;
}

bool OggFile::ClearEndOfStream()
{
    if (readOnly || !writeStream) {
        return false;
    }
    std::fflush(writeStream);
    if (std::fseek(writeStream, 0, SEEK_END) != 0) {
        return false;
    }
    const long length = std::ftell(writeStream);
    if (length <= 0) {
        return false;
    }
    // The last page may be up to 64 KiB long, so the whole of it is read, not
    // a fixed 4 KiB block.
    const long tailLength = std::min<long>(length, static_cast<long>(kMaxOggPageSize) + kReadChunk);
    const long tailStart = length - tailLength;
    std::vector<BYTE> tail(static_cast<std::size_t>(tailLength));
    if (std::fseek(writeStream, tailStart, SEEK_SET) != 0 ||
        std::fread(tail.data(), 1, tail.size(), writeStream) != tail.size()) {
        return false;
    }
    std::size_t end = 0;
    const long page = FindLastOggPage(tail.data(), tail.size(), &end);
    if (page < 0 || OggPageSerial(tail.data() + page) != ogg->encode.serialno) {
        return false;
    }
    BYTE* header = tail.data() + page;
    const long pageNumber = OggPageSequence(header);
    if (header[5] & 4) {
        ClearOggPageEndOfStream(header, end - static_cast<std::size_t>(page));
        if (std::fseek(writeStream, tailStart + page, SEEK_SET) != 0 ||
            std::fwrite(header, 1, 27, writeStream) != 27 || std::fflush(writeStream) != 0) {
            return false;
        }
    }
    if (tailStart + static_cast<long>(end) < length) {
        // A page cut off by a crash: the appended pages follow the last whole one.
        std::error_code ec;
        std::filesystem::resize_file(name, static_cast<std::uintmax_t>(tailStart) + end, ec);
        if (ec) {
            return false;
        }
    }
    std::fseek(writeStream, 0, SEEK_END);

    // What the replay left in the encode stream is on disk already; the
    // appended pages continue the file's page numbers and carry neither mark.
    ogg_page drop;
    while (ogg_stream_flush(&ogg->encode, &drop)) {
    }
    ogg->encode.pageno = pageNumber + 1;
    ogg->encode.b_o_s = 1;
    ogg->encode.e_o_s = 0;
    ogg->decode.e_o_s = 0;
    return true;
}

void OggFile::AdjustGranule(OggPacket* packet)
{
    if (packet->packetno != lastWrittenPacket + 1) {
        discontinuity = true;
    }
    lastWrittenPacket = packet->packetno;
    if (packet->granulepos == -1) {
        return;
    }
    if (discontinuity) {
        granuleOffset = packet->granulepos - highestGranule;
        discontinuity = false;
    }
    packet->granulepos = packet->granulepos - granuleOffset + 500;
    if (packet->granulepos <= 0) {
        packet->granulepos = 50;
    }
}

bool OggFile::RewriteComments()
{
    if (!commentsChanged || readOnly || name.empty()) {
        return false;
    }
    CloseStreams();
    // The new file is written beside the old one and replaces it only when
    // complete: a failed rewrite leaves the recording as it was.
    const std::string folder(platform::FolderPart(name));
    char temp[MAX_PATH] = {};
    if (GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "ogg", 0, temp) == 0) {
        return false;
    }
    FILE* input = platform::StreamFromDescriptor(platform::OpenRegularForRead(name), "rb");
    FILE* output = input ? platform::StreamFromDescriptor(platform::OpenRegularForUpdate(temp), "wb") : nullptr;
    bool ok = input && output;
    if (ok) {
        VorbisCommentEditor editor(ReadFile, WriteFile);
        ok = editor.Open(input) == 0;
        if (ok) {
            commentList.StoreTo(editor.Comments());
            ok = editor.Write(output) == 0;
        }
    }
    if (output && std::fclose(output) != 0) {
        ok = false;
    }
    if (input) {
        std::fclose(input);
    }
    if (ok) {
        std::error_code ec;
        std::filesystem::rename(temp, name, ec);
        ok = !ec;
    }
    if (!ok) {
        std::remove(temp);
        return false;
    }
    commentsChanged = false;
    return true;
}
