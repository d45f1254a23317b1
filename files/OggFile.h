#pragma once
// The Ogg page layer under the Ogg Vorbis recording file: the read and write
// streams of the open file, libogg's sync and stream states (kept out of this
// header), the granule bookkeeping that lets a recording be appended to, and
// the comment list that the named items map onto. Only constructed as part of
// an OggVorbisFile.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "files/RecFile.h"
#include "files/VorbisComments.h"

struct OggPacket;
struct OggStreams;

class OggFile : public RecFile {
public:
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
    // disk already) and continues the page numbering of the file.
    void ContinuePageNumbering();
    std::int64_t EncodePacketCount() const;

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
    // The bytes of the file's setup header, kept to check that an appending
    // encoder writes packets the file's decoder set-up can read.
    std::vector<unsigned char> fileSetupHeader;
};
