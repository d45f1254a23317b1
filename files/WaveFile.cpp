// The fmt and fact chunks of WAV recordings, and their sizes refreshed in place while recording goes on.
#include "files/WaveFile.h"

#include <algorithm>
#include <cstring>

#include "platform/acm/CodecFormats.h"

namespace {
// The codecs whose format record says how many samples one block holds.
DWORD SamplesPerBlock(const WAVEFORMATEX& f)
{
    const bool hasField = f.wFormatTag == WAVE_FORMAT_IMA_ADPCM || f.wFormatTag == WAVE_FORMAT_ADPCM ||
                          f.wFormatTag == WAVE_FORMAT_GSM610;
    if (!hasField || f.cbSize < 2) {
        return 0;
    }
    return reinterpret_cast<const IMAADPCMWAVEFORMAT&>(f).wSamplesPerBlock;
}
}

WaveFile::WaveFile(const char* fileName, const WAVEFORMATEX* given, DWORD flags)
    : RiffFile(fileName, "WAVE", "data", flags)
{
    Init(given);
}

WaveFile::WaveFile(const WAVEFORMATEX* given, DWORD flags) : RiffFile(nullptr, "WAVE", "data", flags)
{
    Init(given);
}

void WaveFile::Init(const WAVEFORMATEX* given)
{
    waveFormat = new BYTE[MaxWaveFormatSize]();
    format = reinterpret_cast<WAVEFORMATEX*>(waveFormat);
    NewDefaultFormat(format);
    if (given) {
        const std::size_t size = std::min<std::size_t>(WaveFormatSize(*given), MaxWaveFormatSize);
        std::memcpy(waveFormat, given, size);
        format->cbSize = static_cast<WORD>(size - sizeof(WAVEFORMATEX));
    }
}

WaveFile::~WaveFile()
{
    // Closed here, while this class's update still runs.
    if (IsOpen() && !close()) {
        ReleaseFile();
    }
    format = nullptr;
    delete[] waveFormat;
}

void WaveFile::NewDefaultFormat(WAVEFORMATEX* f)
{
    f->wFormatTag = WAVE_FORMAT_PCM;
    f->nChannels = 1;
    f->nSamplesPerSec = 22050;
    f->nAvgBytesPerSec = 22050;
    f->nBlockAlign = 1;
    f->wBitsPerSample = 8;
    f->cbSize = 0;
}

DWORD WaveFile::GetPosition() { return curPosition; }
DWORD WaveFile::GetBytesPerSecond() { return format ? format->nAvgBytesPerSec : 0; }
void WaveFile::AddSampleCount(DWORD n) { factCount += n; }

bool WaveFile::position(DWORD bytes)
{
    if (!format || format->nBlockAlign == 0) {
        return false;
    }
    bytes -= bytes % format->nBlockAlign;
    bytes = std::min(bytes, dataSize);
    if (!handle || mmioSeek(handle, LONGLONG(dataOffset) + bytes, SEEK_SET) < 0) {
        Error("Can't seek to position", "wavefile position");
        return false;
    }
    curPosition = bytes;
    return true;
}

DWORD WaveFile::GetFactCount()
{
    const std::uint64_t size = GetDataSize();
    const std::uint64_t rate = format->nSamplesPerSec;
    const std::uint64_t avg = format->nAvgBytesPerSec;
    std::uint64_t count;
    if (format->wFormatTag == WAVE_FORMAT_PCM) {
        // Without a byte rate the block size still counts the frames.
        count = avg ? size * rate / avg : (format->nBlockAlign ? size / format->nBlockAlign : size);
    } else if (factCount) {
        count = factCount;
    } else if (avg) {
        count = size * rate / avg;
    } else if (format->wBitsPerSample) {
        count = size * 8 / format->wBitsPerSample;
    } else {
        count = size;
    }
    return static_cast<DWORD>(count);
}

bool WaveFile::createformat()
{
    const LONG size = static_cast<LONG>(WaveFormatSize(*format));
    if (!makechunk("fmt ", false) || Write(format, size) != size || !ascend(false) || !makechunk("fact", false)) {
        return false;
    }
    factOffset = dataOffset;
    const DWORD zero = 0;
    if (Write(&zero, 4) < 4) {
        Error("trouble writing fact data init", "wavefile createformat");
        return false;
    }
    return ascend(false);
}

bool WaveFile::ReadFormat()
{
    if (!descend("fmt ", false, false)) {
        return false;
    }
    BYTE buf[MaxWaveFormatSize] = {};
    const LONG n = Read(buf, static_cast<LONG>(std::min<DWORD>(dataSize, MaxWaveFormatSize)));
    if (!ascend(false) || n < 16) {
        return false;
    }
    // The record is used with its cbSize extra bytes: they must all have been read.
    auto* f = reinterpret_cast<WAVEFORMATEX*>(buf);
    if (n < static_cast<LONG>(sizeof(WAVEFORMATEX))) {
        f->cbSize = 0;
    }
    if (sizeof(WAVEFORMATEX) + f->cbSize > static_cast<std::size_t>(std::max<LONG>(n, sizeof(WAVEFORMATEX)))) {
        return false;
    }
    if (f->nChannels == 0 || f->nSamplesPerSec == 0 || (f->wFormatTag == WAVE_FORMAT_PCM && f->nBlockAlign == 0)) {
        return false;
    }
    std::memcpy(waveFormat, buf, WaveFormatSize(*f));
    factCount = 0;
    factOffset = 0;
    if (descend("fact", false, true)) {
        DWORD count = 0;
        if (dataSize >= 4 && Read(&count, 4) == 4) {
            factOffset = dataOffset;
            if (count != 0) {
                SetFactCount(count);
            }
        }
        ascend(false);
    }
    return true;
}

bool WaveFile::update()
{
    if (!handle) {
        return true;
    }
    if (!dirty || readOnly) {
        return RecFile::update();
    }
    const DWORD count = GetFactCount();
    if (!ascend(false)) {
        Error("can't ascend data", "wavefile update");
        return false;
    }
    // Each step goes on after a failure, so the text is still saved; any failure is the result.
    bool ok = ascend(true);
    if (!descend(nullptr, true, true)) {
        Error("can't descend parent", "wavefile update");
        ok = false;
    }
    if (descend("fact", false, false)) {
        factOffset = dataOffset;
        // The caller's overwrite mode (loop recording) stays as it was.
        const bool wasOverwrite = overwrite;
        overwrite = true;
        ok = Write(&count, 4) == 4 && ok;
        overwrite = wasOverwrite;
    } else {
        // A WAV file of another program may have no fact chunk: nothing is lost.
        Error("can't descend fact", "wavefile update");
    }
    if (!descend(nullptr, false, true)) {
        Error("can't descend data", "wavefile update");
        ok = false;
    }
    ok = SeekExact(dataSize) && ok;
    return RecFile::update() && ok;
}

void WaveFile::AudioRecovered()
{
    // The count of the last update is stale: whole blocks times the samples each
    // holds where the format says so, else worked out from the size at the next update.
    factCount = 0;
    const DWORD samplesPerBlock = SamplesPerBlock(*format);
    if (format->wFormatTag != WAVE_FORMAT_PCM && samplesPerBlock && format->nBlockAlign) {
        factCount = static_cast<DWORD>(std::uint64_t(GetDataSize() / format->nBlockAlign) * samplesPerBlock);
    }
}

bool WaveFile::RefreshSizes()
{
    if (!handle || readOnly || !inAudio) {
        return false;
    }
    // Sizes as of now, written in place; the DISP chunk waits for the next update.
    const std::uint64_t end = std::uint64_t(dataOffset) + dataSize;
    bool ok = WriteDwordAt(riffChunk.dwDataOffset - 4, static_cast<DWORD>(end - 8));
    ok = WriteDwordAt(dataOffset - 4, dataSize) && ok;
    if (factOffset) {
        ok = WriteDwordAt(factOffset, GetFactCount()) && ok;
    }
    mmioFlush(handle, 0);
    return ok;
}
