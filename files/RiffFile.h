#pragma once
// RIFF files through the mmio functions: one handle, standing inside the audio
// data chunk between operations, appending at its end; named text items in a
// LIST INFO chunk and the timecode text in a DISP chunk after the data.
#include <cstdint>

#include "files/RecFile.h"
#include "platform/mmio/Mmio.h"

class RiffFile : public RecFile {
public:
    RiffFile(const char* name, const char* formTypeText, const char* dataChunkIdText, DWORD openFlags);
    ~RiffFile() override;

    bool update() override;
    bool close() override;
    bool IsOpen() override;
    bool Reopen() override;
    DWORD GetPosition() override;
    bool position(DWORD bytes) override;
    void SetDataSize(DWORD bytes) override;
    DWORD GetDataSize() override;
    LONG Write(const void* data, LONG count) override;
    LONG Read(void* buffer, LONG count) override;
    char* GetInfo(const char* itemName) override;
    bool SetInfo(const char* itemName, const char* text) override;
    bool open() override;

    virtual bool OpenAs(const char* newName);     // 29
    virtual bool MakeTempName(char* out);         // 30
    virtual HMMIO GetHandle();                    // 31
    virtual bool createformat();                  // 32
    virtual bool ReadFormat();                    // 33

    // Room kept below the 4 GiB RIFF limit for the chunks after the audio.
    static constexpr std::uint64_t kTrailerReserve = 1024 * 1024;

protected:
    bool descend(const char* child, bool parent, bool rewind);
    bool makechunk(const char* child, bool riff);
    bool ascend(bool parent);
    // Moves to an exact byte of the current chunk's data (no block rounding).
    bool SeekExact(DWORD bytes);
    bool WriteDwordAt(std::uint64_t offset, DWORD value);
    bool DigestAudio(Sha1State* state, std::uint64_t from, std::uint64_t to) override;
    LONGLONG FileLength();
    void ReleaseFile() override;
    void ForgetAudio() override;
    bool MakeTemporaryName(char* out) override;
    // The end of a whole DISP chunk standing at offset, or -1.
    LONGLONG TextChunkEnd(LONGLONG offset);
    // SetInfo of the timecode text: false, with the old text kept where it was
    // still whole, when the new one could not be written completely.
    bool StoreTimecodeText(const char* text);

    HMMIO handle = nullptr;
    MMCKINFO riffChunk;
    MMCKINFO dataChunk;
    DWORD dataSize = 0;
    DWORD curPosition = 0;
    DWORD dataOffset = 0;
    FOURCC formType = 0;
    FOURCC dataChunkId = 0;
    bool inAudio = false;  // the current chunk is the audio data chunk

private:
    // An interrupted recording: its audio runs past the sizes in the headers.
    void CheckInterrupted();
    DWORD repairRiffSize = 0;
    DWORD repairDataSize = 0;
    bool repairing = false;
};
