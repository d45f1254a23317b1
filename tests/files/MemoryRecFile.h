#pragma once
// A RecFile whose audio lives in memory; the timecode text is kept as an item.
// Lets list and text tests run without a file format in the way.
#include <cstring>
#include <string>
#include <vector>

#include "files/RecFile.h"

class MemoryRecFile : public RecFile {
public:
    explicit MemoryRecFile(const char* name = nullptr, DWORD bytesPerSecond = 1000, DWORD blockAlign = 1)
        : RecFile(name)
    {
        fmt.wFormatTag = WAVE_FORMAT_PCM;
        fmt.nChannels = 1;
        fmt.nSamplesPerSec = bytesPerSecond;
        fmt.nAvgBytesPerSec = bytesPerSecond;
        fmt.nBlockAlign = static_cast<WORD>(blockAlign);
        fmt.wBitsPerSample = 8;
        fmt.cbSize = 0;
        format = &fmt;
    }
    ~MemoryRecFile() override { format = nullptr; }

    bool rename(const char*) override { return false; }
    bool Delete() override { return false; }
    bool IsOpen() override { return true; }
    bool Reopen() override { return open(); }
    DWORD GetPosition() override { return pos; }
    bool position(DWORD bytes) override
    {
        pos = std::min<DWORD>(bytes, GetDataSize());
        return true;
    }
    void SetDataSize(DWORD bytes) override
    {
        if (fakeSize == 0) {
            data.resize(bytes);
        } else {
            fakeSize = bytes;
        }
    }
    DWORD GetDataSize() override { return fakeSize ? fakeSize : static_cast<DWORD>(data.size()); }
    DWORD GetBytesPerSecond() override { return fmt.nAvgBytesPerSec; }
    LONG Write(const void* bytes, LONG count) override
    {
        if (readOnly) {
            return 0;
        }
        if (!overwrite) {
            pos = static_cast<DWORD>(data.size());
        }
        if (pos + static_cast<std::size_t>(count) > data.size()) {
            data.resize(pos + static_cast<std::size_t>(count));
        }
        std::memcpy(data.data() + pos, bytes, static_cast<std::size_t>(count));
        NoteAudioWritten(pos, bytes, static_cast<std::size_t>(count));
        pos += static_cast<DWORD>(count);
        dirty = true;
        RecFile::Write(bytes, count);
        return count;
    }
    LONG Read(void* buffer, LONG count) override
    {
        if (pos >= data.size()) {
            return 0;
        }
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), data.size() - pos);
        std::memcpy(buffer, data.data() + pos, n);
        pos += static_cast<DWORD>(n);
        return static_cast<LONG>(n);
    }
    char* GetInfo(const char* item) override
    {
        if (!hasText || std::strcmp(item, TimecodeItemName) != 0) {
            return nullptr;
        }
        char* copy = new char[text.size() + 1];
        std::memcpy(copy, text.c_str(), text.size() + 1);
        return copy;
    }
    bool SetInfo(const char* item, const char* value) override
    {
        if (readOnly || std::strcmp(item, TimecodeItemName) != 0) {
            return false;
        }
        text = value;
        hasText = true;
        return true;
    }

    void SetReadOnly(bool flag) { readOnly = flag; }
    void SetDirty(bool flag) { dirty = flag; }
    void SetFakeSize(DWORD size) { fakeSize = size; }
    void SetText(const std::string& t)
    {
        text = t;
        hasText = true;
    }

    WAVEFORMATEX fmt;
    std::vector<std::uint8_t> data;
    std::string text;
    bool hasText = false;
    DWORD pos = 0;
    DWORD fakeSize = 0;
};
