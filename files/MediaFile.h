#pragma once
// The abstract recording file. The engine handles every recording through these
// virtual operations only; their order is fixed (slots 0-25).
#include <string>

#include "platform/core/Types.h"
#include "platform/core/WaveFormat.h"

// Size of every file object's format buffer: any compressed format with its extra bytes fits.
constexpr int MaxWaveFormatSize = 2000;

// What callers rely on, for every file class:
// - Write returns the count written or -1, and -1 means nothing of that buffer is
//   in the file: the next Write continues where the audio ends (0 on a read-only file).
// - update and close return false when anything could not be written (headers,
//   sizes, the text items, the companion journal); the journal then stays on
//   disk, so no marker is lost. A close whose text could not be saved (for
//   MP3 and Ogg files also their last pages or tags) leaves the file open and
//   dirty, so a later close can try again; the destructor closes it regardless.
// - open never creates anything when the open flags hold no write access, never
//   writes through a link and refuses anything but a regular file.
class MediaFile {
public:
    explicit MediaFile(const char* name);
    MediaFile(const MediaFile&) = delete;
    MediaFile& operator=(const MediaFile&) = delete;

    virtual ~MediaFile();                                             // 0
    virtual bool rename(const char* newName) = 0;                     // 1
    virtual bool update();                                            // 2
    virtual bool close();                                             // 3
    virtual bool Delete() = 0;                                        // 4
    virtual bool IsOpen() = 0;                                        // 5
    virtual bool Reopen() = 0;                                        // 6
    virtual DWORD GetPosition() = 0;                                  // 7
    virtual bool position(DWORD bytes) = 0;                           // 8
    virtual DWORD GetLength() = 0;                                    // 9
    virtual DWORD GetSeconds(DWORD bytes) = 0;                        // 10: (DWORD)-1 = whole length
    virtual void SetDataSize(DWORD bytes) = 0;                        // 11
    virtual DWORD GetDataSize() = 0;                                  // 12
    virtual DWORD GetBytesPerSecond();                                // 13
    virtual int GetFileType();                                        // 14
    virtual LONG Write(const void* data, LONG count) = 0;             // 15
    virtual LONG WriteSamples(const short* pcm16, LONG count);        // 16
    virtual LONG Read(void* buffer, LONG count) = 0;                  // 17
    virtual LONG ReadSamples(short* pcm16, LONG count);               // 18
    virtual char* GetInfo(const char* itemName);                      // 19: new[] text or null
    virtual bool SetInfo(const char* itemName, const char* text);     // 20
    virtual void SetOverwrite(bool flag);                             // 21
    virtual bool GetOverwrite();                                      // 22
    virtual bool CanOverwrite();                                      // 23
    virtual void AddSampleCount(DWORD n);                             // 24
    virtual int GetOpenError();                                       // 25

    // Stores the full path of name; a null or empty name stores "".
    void SetName(const char* name);
    const char* GetName() const { return name.c_str(); }
    // The part after the last separator, or the whole name.
    const char* GetShortName() const;
    const WAVEFORMATEX* GetFormat() const { return format; }
    bool IsDirty() const { return dirty; }
    bool IsReadOnly() const { return readOnly; }
    // The user opened it read-only: nothing may record into it, save or rebuild it.
    void SetReadOnly(bool flag) { readOnly = flag; }
    bool HasTempName() const { return tempName; }
    // The engine names files itself: a generated name is one that saving still has to replace.
    // Clip operations hand the flag on with the file when they rebuild it.
    void SetTempName(bool flag) { tempName = flag; }

    // Error hook: the texts of every failure come here; the result is what callers act on.
    void Error(const char* message, const char* context, int code = 0);

protected:
    WAVEFORMATEX* format = nullptr;  // owned by the concrete class
    DWORD openFlags = 0;
    int openError = 0;
    std::string name;
    bool tempName = false;
    bool dirty = false;
    bool overwrite = false;
    bool readOnly = false;
};
