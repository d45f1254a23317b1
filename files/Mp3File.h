#pragma once
// The MP3 recording file: a run of MPEG audio frames that the compression
// manager's MPEG Layer-3 codec made, behind an optional ID3v2 tag and before
// an optional ID3v1 record. The file never encodes or decodes; opening an
// existing file finds its first frame and the codec format that matches it.
#include "files/Id3v1Record.h"
#include "files/Mp3InfoFrame.h"
#include "files/RecFile.h"
#include "platform/mmio/Mmio.h"

class Mp3File : public RecFile {
public:
    Mp3File(const char* name, const WAVEFORMATEX* fmt, DWORD openFlags);
    ~Mp3File() override;

    bool update() override;                                     // 2
    bool close() override;                                      // 3
    bool IsOpen() override;                                     // 5
    bool Reopen() override;                                     // 6
    DWORD GetPosition() override;                               // 7
    bool position(DWORD bytes) override;                        // 8
    void SetDataSize(DWORD bytes) override;                     // 11
    DWORD GetDataSize() override;                               // 12
    DWORD GetBytesPerSecond() override;                         // 13
    int GetFileType() override;                                 // 14
    LONG Write(const void* data, LONG count) override;          // 15
    LONG Read(void* buffer, LONG count) override;               // 17
    char* GetInfo(const char* itemName) override;               // 19
    bool SetInfo(const char* itemName, const char* text) override;  // 20
    bool open() override;                                       // 26
    virtual HMMIO GetHandle();                                  // 29
    virtual bool ScanFrames(bool checkNext);                    // 30
    virtual bool SkipId3v2();                                   // 31

    // Moves the file and the position to the next frame sync; the bytes
    // skipped, -1 at the end.
    long FindSync();
    bool ReadId3v1();
    bool WriteId3v1();
    void SetId3v1Field(const char* itemName, const char* text);
    // Copies the named field (259-byte buffer) when a record is present.
    bool GetId3v1Field(const char* itemName, char* buffer);
    DWORD GetDataOffset() const { return dataOffset; }
    bool HasId3v1() const { return id3v1Present; }

protected:
    HMMIO handle = nullptr;
    DWORD dataSize = 0;
    DWORD filePosition = 0;  // in the audio data
    DWORD dataOffset = 0;
    bool id3v1Present = false;
    Id3v1Record id3v1;
    bool id3v1Pending = false;
    // Without the ID3v2 tag the lists live in the companion file.
    bool ListsKeptBeside() override;
    void ReleaseFile() override;
    void ForgetAudio() override;

private:
    // Reopens by name after the tag was rewritten and finds the audio again,
    // `tail` bytes before the end (from the start of the audio) when known.
    bool ReopenAfterTag(bool hadData, DWORD remembered, LONGLONG tail);
    void SyncPositionFromFile();
    // Whether the timecode text in the tag carries a signature line.
    bool TextIsSigned();

    // The information frame first in the stream, and what is known of the
    // frames behind it (offsets from the data start) to rewrite it after an append.
    void FindInfoFrame();
    void ForgetInfoWalk();
    void NoteInfoChange(std::uint64_t at);
    bool WalkInfoFrames();
    bool RefreshInfoFrame();
    Mp3InfoFrame infoFrame;
    std::vector<std::uint32_t> infoFrameStarts;
    std::uint64_t infoNextFrame = 0;
    DWORD infoCrcTo = 0;
    std::uint16_t infoCrc = 0;
    bool infoStale = false;

    alignas(8) BYTE formatBuffer[MaxWaveFormatSize] = {};
};

// An MP3 file that offers no decoding of its own (nothing constructs it).
class Mp3AcmFile : public Mp3File {
public:
    using Mp3File::Mp3File;
    LONG ReadSamples(short* pcm16, LONG count) override;
};
