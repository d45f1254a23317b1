// Ogg page input and output: pages queue until written at a known offset, so a full disk loses none of them.
#include "files/OggFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "files/OggPage.h"
#include "files/OggStreams.h"
#include "files/VorbisCommentEditor.h"
#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/FileBytes.h"
#include "platform/kernel/FileCopy.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/kernel/ShareLock.h"

namespace {
constexpr long kReadChunk = 4096;
constexpr std::size_t kMaxTailBytes = 4 << 20;

std::size_t ReadFile(void* b, std::size_t s, std::size_t n, void* h) { return std::fread(b, s, n, static_cast<FILE*>(h)); }
std::size_t WriteFile(void* b, std::size_t s, std::size_t n, void* h)
{
    return std::fwrite(b, s, n, static_cast<FILE*>(h));
}

// Page writes go straight to the descriptor at a known offset, so a failed
// write can be undone and the next one lands where it should.
bool WriteAt(int fd, std::int64_t offset, const BYTE* data, std::size_t size)
{
    return platform::WriteAllAt(fd, data, size, offset);
}

bool ReadAt(int fd, std::int64_t offset, BYTE* data, std::size_t size)
{
    std::size_t got = 0;
    return platform::ReadUpToAt(fd, data, size, offset, &got) && got == size;
}

std::int64_t LengthOf(int fd)
{
    struct stat st{};
    return fstat(fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
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
        // A file another handle writes is only read here, as with every recording.
        if (fd >= 0 && !platform::LockForWriting(fd)) {
            ::close(fd);
            fd = -1;
        }
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

int OggFile::TakePage()
{
    const int r = ogg_sync_pageseek(&ogg->sync, &ogg->readPage);
    syncOffset += r < 0 ? -r : r;
    return r;
}

void OggFile::NoteTailPage()
{
    const ogg_page& page = ogg->readPage;
    OggTailPage kept;
    kept.offset = syncOffset - page.header_len - page.body_len;
    kept.bytes.assign(page.header, page.header + page.header_len);
    kept.bytes.insert(kept.bytes.end(), page.body, page.body + page.body_len);
    const std::int64_t newest = std::max<std::int64_t>(highestGranule, ogg_page_granulepos(&page));
    tailBytes += kept.bytes.size();
    tail.push_back(std::move(kept));
    while (tail.size() > 2) {
        const std::int64_t second = OggPageGranule(tail[1].bytes.data());
        // Pages without granules never end the search on their own.
        if (tailBytes < kMaxTailBytes && (second == -1 || newest - second < tailSamples)) {
            break;
        }
        tailBytes -= tail.front().bytes.size();
        tail.pop_front();
        tailFromStart = false;
    }
}

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
        while ((p = TakePage()) <= 0) {
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
            if (collectTail) {
                lastPageEnded = ogg_page_eos(&ogg->readPage) != 0;
                NoteTailPage();
            }
        } else if (collectTail) {
            tailUsable = false;  // another stream shares the file
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
    bool ok = true;
    // A page that cannot be written stays queued: the pages after it are
    // still taken from the stream, so nothing is lost while the disk is full.
    auto put = [&](const ogg_page& page) {
        if (writePages) {
            ok = QueuePage(page.header, page.header_len, page.body, page.body_len) && ok;
        }
    };
    if (!flush) {
        while (ogg_stream_pageout(&os, &ogg->writePage)) {
            put(ogg->writePage);
            if (ogg_page_eos(&ogg->writePage)) {
                break;
            }
        }
    } else {
        while (ogg_stream_flush(&os, &ogg->writePage)) {
            put(ogg->writePage);
        }
    }
    return ok;
}

bool OggFile::QueuePage(const BYTE* header, long headerLength, const BYTE* body, long bodyLength)
{
    queued.insert(queued.end(), header, header + headerLength);
    queued.insert(queued.end(), body, body + bodyLength);
    return FlushPages();
}

bool OggFile::QueueIsFull()
{
    return queued.size() >= kMaxQueuedPageBytes && !FlushPages();
}

bool OggFile::FlushPages()
{
    if (queued.empty()) {
        return true;
    }
    if (!writeStream) {
        return false;
    }
    const int fd = fileno(writeStream);
    if (replaceOffset < 0) {
        if (!WriteAt(fd, fileEnd, queued.data(), queued.size())) {
            // The next attempt writes at the same offset; cutting here only
            // keeps a reader from seeing half a page meanwhile.
            (void)ftruncate(fd, static_cast<off_t>(fileEnd));
            return false;
        }
        fileEnd += static_cast<std::int64_t>(queued.size());
        queued.clear();
        return true;
    }
    std::vector<BYTE> bytes = replacePrefix;
    bytes.insert(bytes.end(), queued.begin(), queued.end());
    const std::size_t oldSize = replacedBytes.size();
    const std::int64_t oldEnd = replaceOffset + static_cast<std::int64_t>(oldSize);
    const std::int64_t newEnd = replaceOffset + static_cast<std::int64_t>(bytes.size());
    // What lies past the old end is written first: when the disk is full,
    // that fails before any byte of the old stream end is touched.
    if (bytes.size() > oldSize && !WriteAt(fd, oldEnd, bytes.data() + oldSize, bytes.size() - oldSize)) {
        (void)ftruncate(fd, static_cast<off_t>(oldEnd));
        return false;
    }
    if (!WriteAt(fd, replaceOffset, bytes.data(), std::min(bytes.size(), oldSize)) ||
        (newEnd < oldEnd && ftruncate(fd, static_cast<off_t>(newEnd)) != 0)) {
        if (WriteAt(fd, replaceOffset, replacedBytes.data(), oldSize)) {
            (void)ftruncate(fd, static_cast<off_t>(oldEnd));
        }
        return false;
    }
    fileEnd = newEnd;
    replaceOffset = -1;
    replacePrefix.clear();
    replacedBytes.clear();
    queued.clear();
    return true;
}

bool OggFile::ReplaceEndAt(std::int64_t offset, std::vector<BYTE> prefix)
{
    if (!writeStream || !queued.empty()) {
        return false;
    }
    const int fd = fileno(writeStream);
    const std::int64_t length = LengthOf(fd);
    if (offset < 0 || length < offset) {
        return false;
    }
    std::vector<BYTE> old(static_cast<std::size_t>(length - offset));
    if (!ReadAt(fd, offset, old.data(), old.size())) {
        return false;
    }
    replacedBytes.swap(old);
    replacePrefix = std::move(prefix);
    replaceOffset = offset;
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
    syncOffset = 0;
}

bool OggFile::ReplayPackets(bool feedEncoder)
{
    OggPacket packet;
    // The pages that follow the headers directly start the stream's audio.
    tail.clear();
    tailBytes = 0;
    tailFromStart = ogg_stream_packetpeek(&ogg->decode, nullptr) == 0;
    tailUsable = true;
    lastPageEnded = false;
    collectTail = true;
    while (ReadPacket(&packet)) {
        if (feedEncoder) {
            WritePacket(&packet, false);
        }
    }
    collectTail = false;
    return true;
}

bool OggFile::StreamWasCut() const { return !lastPageEnded; }

void OggFile::ContinuePageNumbering(long lastPage, std::int64_t packets)
{
    ogg_page drop;
    while (ogg_stream_flush(&ogg->encode, &drop)) {
    }
    ogg->encode.pageno = lastPage + 1;
    ogg->encode.packetno = packets;
    ogg->encode.b_o_s = 1;
    ogg->encode.e_o_s = 0;
    ogg->decode.e_o_s = 0;
}

bool OggFile::LastPage(std::int64_t* offset, std::vector<BYTE>* page, std::int64_t* length)
{
    if (!writeStream) {
        return false;
    }
    const int fd = fileno(writeStream);
    *length = LengthOf(fd);
    if (*length <= 0) {
        return false;
    }
    // The last page may be up to 64 KiB long, so the whole of it is read, not
    // a fixed 4 KiB block.
    const std::int64_t tailLength = std::min<std::int64_t>(*length, static_cast<std::int64_t>(kMaxOggPageSize) + kReadChunk);
    const std::int64_t tailStart = *length - tailLength;
    std::vector<BYTE> bytes(static_cast<std::size_t>(tailLength));
    if (!ReadAt(fd, tailStart, bytes.data(), bytes.size())) {
        return false;
    }
    std::size_t end = 0;
    const long at = FindLastOggPage(bytes.data(), bytes.size(), &end);
    if (at < 0 || OggPageSerial(bytes.data() + at) != ogg->encode.serialno) {
        return false;
    }
    page->assign(bytes.begin() + at, bytes.begin() + static_cast<long>(end));
    *offset = tailStart + at;
    return true;
}

bool OggFile::SetLastPageEnd(bool ended, long* pageNumber)
{
    if (readOnly || !writeStream || !FlushPages()) {
        return false;
    }
    std::int64_t offset = 0;
    std::int64_t length = 0;
    std::vector<BYTE> page;
    if (!LastPage(&offset, &page, &length)) {
        return false;
    }
    const int fd = fileno(writeStream);
    if (((page[5] & 4) != 0) != ended) {
        if (ended) {
            MarkOggPageEndOfStream(page.data(), page.size());
        } else {
            ClearOggPageEndOfStream(page.data(), page.size());
        }
        if (!WriteAt(fd, offset, page.data(), 27)) {
            return false;
        }
    }
    fileEnd = offset + static_cast<std::int64_t>(page.size());
    // A page cut off by a crash: the stream ends with the last whole one.
    if (fileEnd < length && ftruncate(fd, static_cast<off_t>(fileEnd)) != 0) {
        return false;
    }
    *pageNumber = OggPageSequence(page.data());
    return true;
}

bool OggFile::ClearEndOfStream()
{
    long pageNumber = 0;
    if (!SetLastPageEnd(false, &pageNumber)) {
        return false;
    }
    // The appended pages continue the file's page numbers and carry neither mark.
    ContinuePageNumbering(pageNumber, ogg->encode.packetno);
    return true;
}

bool OggFile::MarkEndOfStream()
{
    long pageNumber = 0;
    if (!SetLastPageEnd(true, &pageNumber)) {
        return false;
    }
    lastPageEnded = true;
    return true;
}

void OggFile::KeepJournal()
{
    ReleaseMmio(&markerFile);
    dirty = false;
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
    if (!commentsChanged) {
        return true;
    }
    if (readOnly || name.empty()) {
        return false;
    }
    // The streams stay open on the old file: a rewrite that fails leaves the
    // recording open for a later try; after one that succeeds it is closed.
    // The new file is written beside the old one and replaces it only when
    // complete and on disk: a failed rewrite leaves the recording as it was.
    FILE* input = platform::StreamFromDescriptor(platform::OpenRegularForRead(name), "rb");
    if (!input) {
        return false;
    }
    const bool ok = platform::ReplaceThroughTemporary(name, 0600, [&](int fd) {
        FILE* output = platform::StreamFromDescriptor(dup(fd), "wb");
        if (!output) {
            return false;
        }
        VorbisCommentEditor editor(ReadFile, WriteFile);
        bool written = editor.Open(input) == 0;
        if (written) {
            commentList.StoreTo(editor.Comments());
            written = editor.Write(output) == 0;
        }
        // A read error looks like the end of the input to the editor: the
        // copy would lose the audio after it.
        written = written && !std::ferror(input);
        struct stat st{};
        written = written && fstat(fileno(input), &st) == 0 && fchmod(fd, st.st_mode & 07777) == 0;
        return std::fclose(output) == 0 && written;
    });
    std::fclose(input);
    if (!ok) {
        return false;
    }
    commentsChanged = false;
    return true;
}
