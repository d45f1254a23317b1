#pragma once
// The Ogg page layer under the Ogg Vorbis recording file: the read and write
// streams of the open file, libogg's sync and stream states (kept out of this
// header), the granule bookkeeping that lets a recording be appended to, and
// the comment list that the named items map onto. Only constructed as part of
// an OggVorbisFile.
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <vector>

#include "files/OggTail.h"
#include "files/RecFile.h"
#include "files/VorbisComments.h"

struct OggPacket;
struct OggStreams;

class OggFile : public RecFile {
public:
    // Pages held while the disk refuses them: minutes of a recording. Past
    // this the file takes no more audio, so a full disk cannot fill the memory.
    static constexpr std::size_t kMaxQueuedPageBytes = 4 << 20;

    explicit OggFile(const char* name);
    ~OggFile() override;

    char* GetInfo(const char* itemName) override;
    bool SetInfo(const char* itemName, const char* text) override;
    bool CanOverwrite() override { return false; }

    bool ReadPacket(OggPacket* packet);
    bool WritePacket(OggPacket* packet, bool writePages);
    void Reset(bool both);
    bool ReplayPackets(bool feedEncoder);
    bool ClearEndOfStream();
    void AdjustGranule(OggPacket* packet);
    bool RewriteComments();

protected:
    // Opens the read stream (and the write stream when asked) on the file.
    bool OpenStreams(const char* readMode, const char* writeMode);
    void CloseStreams();
    // After ReplayPackets: drops what the encode stream still holds (it is on
    // disk already); the pages that follow continue after the given page
    // number and packet count, without a beginning or end mark.
    void ContinuePageNumbering(long lastPage, std::int64_t packets);
    std::int64_t EncodePacketCount() const;
    // The next page from the sync state into the read page: as
    // ogg_sync_pageseek, keeping the file offset of what it hands out.
    int TakePage();

    // Pages go to the file in order through a queue: a failed or short write
    // leaves the file as it was before that page, and the page is tried again
    // with the next one. False while any page is not on disk.
    bool QueuePage(const BYTE* header, long headerLength, const BYTE* body, long bodyLength);
    bool FlushPages();
    // Whether the held pages reach kMaxQueuedPageBytes even after one more try to write them.
    bool QueueIsFull();
    // The first queued pages replace the file from `offset` on, starting with
    // `prefix`: an append that drops the end of the old stream. Until they
    // are on disk, the file keeps its old end.
    bool ReplaceEndAt(std::int64_t offset, std::vector<BYTE> prefix);
    // Whether the stream's last page read by the open lacks the end mark,
    // or a cut-off page follows it: the recorder stopped without closing.
    bool StreamWasCut() const;
    // Gives the last whole page the end mark and drops a cut-off page after it.
    bool MarkEndOfStream();
    // Lets go of the companion file without deleting it: the recording's own
    // text did not reach the disk, so the journal is still the only copy.
    void KeepJournal();

    VorbisComments commentList;
    bool commentsChanged = false;
    FILE* readStream = nullptr;
    FILE* writeStream = nullptr;
    DWORD storedDataSize = 0;
    std::unique_ptr<OggStreams> ogg;
    std::int64_t lastGranule = 0;
    std::int64_t highestGranule = 0;
    std::int64_t lastWrittenPacket = 0;
    std::int64_t granuleOffset = 0;
    bool discontinuity = false;
    // Page sequence number of the last page read from the file, -1 before one.
    long lastReadPage = -1;
    // While the open replays the file: the last pages of the stream, enough
    // to decode at least tailSamples before its end.
    bool collectTail = false;
    std::int64_t tailSamples = 0;
    std::deque<OggTailPage> tail;
    std::size_t tailBytes = 0;
    bool tailFromStart = false;  // nothing between the header pages and tail
    bool tailUsable = false;     // no page of another stream came after it
    bool lastPageEnded = false;  // the stream's last page read has the end mark
    std::int64_t syncOffset = 0;
    // Where the file's pages end and the next one goes.
    std::int64_t fileEnd = 0;
    // The bytes of the file's setup header, kept to check that an appending
    // encoder writes packets the file's decoder set-up can read.
    std::vector<unsigned char> fileSetupHeader;

private:
    bool LastPage(std::int64_t* offset, std::vector<BYTE>* page, std::int64_t* length);
    // Gives the last whole page the end mark or takes it away, and drops a
    // cut-off page after it.
    bool SetLastPageEnd(bool ended, long* pageNumber);
    void NoteTailPage();

    std::vector<BYTE> queued;
    std::int64_t replaceOffset = -1;
    std::vector<BYTE> replacePrefix;
    std::vector<BYTE> replacedBytes;
};
