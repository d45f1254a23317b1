#pragma once
// The Ogg Vorbis recording file: encodes 16-bit PCM while recording and
// decodes it for playback in-process; positions and lengths count samples.
// An existing file can be reopened and appended to as one continuous stream.
#include <memory>

#include "files/OggFile.h"
#include "platform/core/WaveFormat.h"

struct VorbisCodec;

// The format tag of Ogg Vorbis recordings in the engine's format records.
constexpr WORD WAVE_FORMAT_OGG_VORBIS = 6771;

class OggVorbisFile : public OggFile {
public:
    // quality -1..10 selects variable bitrate; below -4, managed bitrate at
    // the format's nAvgBytesPerSec.
    OggVorbisFile(const char* name, const WAVEFORMATEX* fmt, int quality, DWORD openFlags);
    ~OggVorbisFile() override;

    bool update() override;                                   // 2
    bool close() override;                                    // 3
    bool IsOpen() override;                                   // 5
    bool Reopen() override;                                   // 6
    DWORD GetPosition() override;                             // 7: samples
    bool position(DWORD samples) override;                    // 8
    DWORD GetLength() override;                               // 9: samples
    DWORD GetSeconds(DWORD samples) override;                 // 10
    void SetDataSize(DWORD bytes) override;                   // 11
    DWORD GetDataSize() override;                             // 12
    DWORD GetBytesPerSecond() override;                       // 13
    int GetFileType() override;                               // 14
    LONG Write(const void* data, LONG count) override;        // 15: record + packet
    LONG WriteSamples(const short* pcm16, LONG bytes) override;  // 16: frames taken
    LONG Read(void* buffer, LONG count) override;             // 17: record + packet
    LONG ReadSamples(short* pcm16, LONG bytes) override;      // 18
    bool open() override;                                     // 26
    DWORD SecondsToPosition(LONG seconds) override;           // 27

    // The engine-side format: 16-bit PCM with the file's channels and rate.
    const WAVEFORMATEX* GetPcmFormat() const { return &pcmFormat; }

    bool WriteHeaders();
    bool ReadHeaders(bool readInfo);
    bool EncodeFlush();
    void Rewind(bool both);

protected:
    // The signed audio of an Ogg recording is the packet stream that Read
    // returns from position 0.
    bool DigestAudio(Sha1State* state, std::uint64_t from, std::uint64_t to) override;

private:
    void DerivePcmFormat();
    bool SetUpNewEncoder();
    bool SetUpAppendEncoder();
    void ClearCodecStates();
    void AudioChanged();
    // Ends the codecs and lets go of the file, whatever a close left unwritten.
    void ReleaseFile() override;
    // Sets the encoder up to continue the stream exactly where its audio
    // ends (OggVorbisFileJoin.cpp); false when the file's end cannot be read
    // that way, and nothing has changed then.
    bool JoinStream();

    alignas(8) BYTE formatBuffer[MaxWaveFormatSize] = {};
    bool encoderActive = false;
    alignas(4) WAVEFORMATEX pcmFormat = {};
    int quality = 0;
    std::unique_ptr<VorbisCodec> codec;
    // Set once the encoder is set up to write packets that this file's
    // decoder set-up reads; writes are refused otherwise.
    bool encoderReady = false;
    bool decoderReady = false;
    bool wroteAudio = false;
    // Granule position at the end of the samples given to the encoder.
    std::int64_t samplesEnd = 0;
    // The stream was found without its end at open and is given one at close.
    bool interrupted = false;
};

// The nominal bitrate (bits/s) libvorbisenc gives a quality at a rate and
// channel count, 0 when it refuses the set-up.
int VorbisQualityToBitrate(int quality, int rate, int channels);
