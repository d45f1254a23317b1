#pragma once
// RIFF WAVE recordings: PCM or any compressed wave format, with the "fmt " and
// "fact" chunks, block-aligned seeking and the bytes-per-second figure.
#include "files/RiffFile.h"

class WaveFile : public RiffFile {
public:
    WaveFile(const char* name, const WAVEFORMATEX* format, DWORD openFlags);
    WaveFile(const WAVEFORMATEX* format, DWORD openFlags);
    ~WaveFile() override;

    bool update() override;
    DWORD GetPosition() override;
    bool position(DWORD bytes) override;
    DWORD GetBytesPerSecond() override;
    void AddSampleCount(DWORD n) override;
    bool createformat() override;
    bool ReadFormat() override;

    DWORD GetFactCount();
    void SetFactCount(DWORD n) { factCount = n; }
    static void NewDefaultFormat(WAVEFORMATEX* f);

protected:
    bool RefreshSizes() override;
    void AudioRecovered() override;

private:
    void Init(const WAVEFORMATEX* given);
    BYTE* waveFormat = nullptr;
    DWORD factCount = 0;
    DWORD factOffset = 0;  // file offset of the fact count, 0 when there is none
};
