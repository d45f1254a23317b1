// Opening, writing and tagging MP3 recordings: the format comes from the first frame; a tag write keeps the audio's place.
#include "files/Mp3File.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "files/FileNames.h"
#include "files/FileType.h"
#include "files/Id3Tag.h"
#include "files/Mp3Scanner.h"
#include "files/Mp3TagSwitch.h"
#include "platform/acm/Acm.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/SafeOpen.h"

namespace {
// The open mmio handle as a scanner stream; offsets are file offsets.
class MmioStream : public Mp3ByteStream {
public:
    explicit MmioStream(HMMIO h) : h_(h) {}
    long Read(void* buffer, long count) override
    {
        return mmioRead(h_, static_cast<char*>(buffer), static_cast<LONG>(count));
    }
    bool SeekTo(std::int64_t offset) override { return offset >= 0 && mmioSeek(h_, offset, SEEK_SET) == offset; }
    std::int64_t Tell() override { return mmioSeek(h_, 0, SEEK_CUR); }

private:
    HMMIO h_;
};

WAVEFORMATEX* FormatIn(BYTE* buffer) { return reinterpret_cast<WAVEFORMATEX*>(buffer); }
}

Mp3File::Mp3File(const char* fileName, const WAVEFORMATEX* fmt, DWORD flags) : RecFile(fileName)
{
    format = FormatIn(formatBuffer);
    if (fmt && WaveFormatSize(*fmt) <= sizeof formatBuffer) {
        std::memcpy(formatBuffer, fmt, WaveFormatSize(*fmt));
    } else {
        *format = WAVEFORMATEX{WAVE_FORMAT_MPEGLAYER3, 1, 16000, 8000, 1, 16, 0};
    }
    openFlags = flags;
    errorContext = "mp3File";
}

Mp3File::~Mp3File()
{
    // A close that could not finish still lets the file go; the journal keeps the lists.
    if (!close()) {
        ReleaseFile();
    }
}

void Mp3File::ReleaseFile()
{
    if (handle) {
        ReleaseMmio(&handle);
        readOnly = false;
    }
}

bool Mp3File::IsOpen() { return handle != nullptr; }
bool Mp3File::Reopen() { return open(); }
HMMIO Mp3File::GetHandle() { return handle; }
DWORD Mp3File::GetPosition() { return filePosition; }
void Mp3File::SetDataSize(DWORD bytes)
{
    if (bytes != dataSize) {
        NoteInfoChange(std::min(bytes, dataSize));
    }
    dataSize = bytes;
}
DWORD Mp3File::GetDataSize() { return dataSize; }
DWORD Mp3File::GetBytesPerSecond() { return format ? format->nAvgBytesPerSec : 0; }
int Mp3File::GetFileType() { return FileTypeMp3; }

bool Mp3File::update()
{
    if (!IsOpen()) {
        return true;
    }
    // The information frame first: the tag write may move the whole stream.
    const bool counted = !dirty || RefreshInfoFrame();
    return RecFile::update() && counted;
}

void Mp3File::SyncPositionFromFile()
{
    const LONGLONG at = mmioSeek(handle, 0, SEEK_CUR);
    filePosition = at > static_cast<LONGLONG>(dataOffset) ? static_cast<DWORD>(at - dataOffset) : 0;
}

long Mp3File::FindSync()
{
    if (!handle) {
        return -1;
    }
    MmioStream stream(handle);
    const long skipped = Mp3FindSync(stream);
    SyncPositionFromFile();
    return skipped;
}

bool Mp3File::SkipId3v2()
{
    if (!handle || mmioSeek(handle, 0, SEEK_CUR) != 0) {
        return false;
    }
    MmioStream stream(handle);
    return Mp3SkipId3v2(stream);
}

bool Mp3File::ScanFrames(bool checkNext)
{
    if (!handle) {
        return false;
    }
    MmioStream stream(handle);
    MpegFrameHeader h;
    if (!Mp3ReadFrameAtSync(stream, checkNext, h)) {
        return false;
    }
    WAVEFORMATEX pcm{WAVE_FORMAT_PCM, h.channels, h.sampleRate, 0, 0, 16, 0};
    pcm.nBlockAlign = static_cast<WORD>(16 * h.channels / 8);
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * h.sampleRate;

    WAVEFORMATEX* f = format;
    std::memset(formatBuffer, 0, sizeof formatBuffer);
    *f = WAVEFORMATEX{WAVE_FORMAT_MPEGLAYER3, h.channels, h.sampleRate, h.bitrate / 8, 1, 16, 0};
    if (acmFormatSuggest(nullptr, &pcm, f, MaxWaveFormatSize,
                         ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                             ACM_FORMATSUGGESTF_NSAMPLESPERSEC) != MMSYSERR_NOERROR) {
        openError = 3;
        return false;
    }
    HACMSTREAM stream2 = nullptr;
    HACMDRIVERID driverId = nullptr;
    HACMDRIVER driver = nullptr;
    if (acmStreamOpen(&stream2, nullptr, &pcm, f, nullptr, 0, 0, 0) != MMSYSERR_NOERROR) {
        openError = 3;
        return false;
    }
    if (acmDriverID(reinterpret_cast<HACMOBJ>(stream2), &driverId, 0) != MMSYSERR_NOERROR ||
        acmDriverOpen(&driver, driverId, 0) != MMSYSERR_NOERROR) {
        acmStreamClose(stream2, 0);
        openError = 3;
        return false;
    }
    ACMFORMATTAGDETAILSA tag{};
    tag.cbStruct = sizeof tag;
    tag.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
    DWORD count = 100;
    if (acmFormatTagDetailsA(nullptr, &tag, ACM_FORMATTAGDETAILSF_FORMATTAG) == MMSYSERR_NOERROR) {
        count = tag.cStandardFormats;
    }
    bool found = false;
    for (DWORD i = 0; i < count && !found; ++i) {
        f->wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        f->nChannels = pcm.nChannels;
        f->nSamplesPerSec = pcm.nSamplesPerSec;
        ACMFORMATDETAILSA details{};
        details.cbStruct = sizeof details;
        details.dwFormatIndex = i;
        details.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
        details.pwfx = f;
        details.cbwfx = MaxWaveFormatSize;
        if (acmFormatDetailsA(driver, &details, ACM_FORMATDETAILSF_INDEX) == MMSYSERR_NOERROR &&
            f->nChannels == pcm.nChannels && f->nSamplesPerSec == pcm.nSamplesPerSec &&
            static_cast<std::uint64_t>(f->nAvgBytesPerSec) * 8 == h.bitrate) {
            found = true;
        }
    }
    acmDriverClose(driver, 0);
    if (acmStreamClose(stream2, 0) != MMSYSERR_NOERROR) {
        return false;
    }
    // A format record the codec gave must still be one the engine can use.
    if (!found || f->nChannels == 0 || f->nSamplesPerSec == 0 || f->nBlockAlign == 0 ||
        WaveFormatSize(*f) > static_cast<std::size_t>(MaxWaveFormatSize) ||
        static_cast<std::uint64_t>(f->nAvgBytesPerSec) * 8 != h.bitrate) {
        openError = 4;
        return false;
    }
    return true;
}

bool Mp3File::open()
{
    if (handle && !close()) {
        ReleaseFile();
    }
    dirty = false;
    const bool canWrite = (openFlags & 3) != 0;
    if (!NameForOpen()) {
        Error("can't open file", "mp3file open");
        return false;
    }
    std::string path = name;
    // An existing empty file holds nothing to keep: it is made a new recording.
    if (!mmioOpenA(path.data(), nullptr, MMIO_EXIST) || tempName || (canWrite && platform::IsEmptyRegularFile(path))) {
        handle = canWrite ? mmioOpenA(path.data(), nullptr, openFlags | MMIO_CREATE | MMIO_READWRITE) : nullptr;
        if (!handle) {
            Error("can't open file", "mp3file open");
            openError = 1;
            return false;
        }
        dataSize = 0;
        dataOffset = 0;
        filePosition = 0;
        id3v1Present = false;
        FindInfoFrame();
        RecFile::open();
        return true;
    }
    handle = OpenExisting(openFlags | MMIO_DENYWRITE);
    if (!handle) {
        Error("Can't open file.  Already in use by another program?", "mp3file open", 16);
        return false;
    }
    const LONGLONG length = mmioSeek(handle, 0, SEEK_END);
    mmioSeek(handle, 0, SEEK_SET);
    filePosition = 0;
    dataOffset = 0;
    if (length > 0) {
        SkipId3v2();
        MmioStream stream(handle);
        if (!Mp3SearchFrames(stream, [this] { return ScanFrames(true); })) {
            Error("Can't read format.", "mp3file open");
            if (openError == 0) {
                openError = 2;
            }
            close();
            return false;
        }
    }
    const LONGLONG offset = length > 0 ? mmioSeek(handle, 0, SEEK_CUR) : 0;
    if (offset < 0 || offset > length || length > 0xFFFFFFFFLL) {
        openError = 2;
        close();
        return false;
    }
    dataOffset = static_cast<DWORD>(offset);
    filePosition = 0;
    dataSize = static_cast<DWORD>(length - offset);
    id3v1Present = ReadId3v1();
    if (id3v1Present) {
        dataSize -= Id3v1Record::kSize;
    }
    FindInfoFrame();
    mmioSeek(handle, dataOffset, SEEK_SET);
    // A journal left beside the file: the recorder stopped without its last
    // save, so the audio behind the last tag write has no text yet.
    const std::string journal = MarkerFileNameFor(name);
    const bool interrupted = !journal.empty() && mmioOpenA(const_cast<char*>(journal.c_str()), nullptr, MMIO_EXIST);
    const bool wasSigned = interrupted && TextIsSigned();
    // Read-only, the file's own text is shown and the journal left for later.
    restoreFromJournal = interrupted && !readOnly;
    RecFile::open();
    restoreFromJournal = false;
    if (interrupted && !readOnly && dataSize > 0) {
        dirty = true;
        if (wasSigned) {
            ResumeSigning();
        }
        // Without the tag the companion file is where the lists always are.
        if (!ListsKeptBeside()) {
            std::fprintf(stderr, "Recording was interrupted; its audio was recovered: %s\n", name.c_str());
        }
    }
    return true;
}

bool Mp3File::TextIsSigned()
{
    std::unique_ptr<char[]> text(GetInfo(TimecodeItemName));
    return text && (std::strncmp(text.get(), "SIGNATURE ", 10) == 0 || std::strstr(text.get(), "\nSIGNATURE ") != nullptr);
}

bool Mp3File::position(DWORD p)
{
    if (!handle) {
        return false;
    }
    if (p > dataSize) {
        p = dataSize;
    }
    if (mmioSeek(handle, static_cast<LONGLONG>(dataOffset) + p, SEEK_SET) < 0) {
        Error("Can't seek to position", "mp3 position");
        return false;
    }
    filePosition = p;
    if (dataSize != 0 && p != dataSize) {
        // Land on a frame start; a sync found only past the audio (or none)
        // leaves the position at the end of the data.
        if (FindSync() < 0 || filePosition > dataSize) {
            filePosition = dataSize;
            mmioSeek(handle, static_cast<LONGLONG>(dataOffset) + dataSize, SEEK_SET);
        }
    }
    return true;
}

LONG Mp3File::Write(const void* data, LONG count)
{
    if (!handle || readOnly) {
        return 0;
    }
    if (!overwrite && filePosition != dataSize) {
        position(dataSize);
        filePosition = dataSize;
        mmioSeek(handle, static_cast<LONGLONG>(dataOffset) + dataSize, SEEK_SET);
    }
    const DWORD at = filePosition;
    const LONG n = mmioWrite(handle, static_cast<const char*>(data), count);
    if (n == -1) {
        return -1;
    }
    NoteInfoChange(at);
    filePosition += static_cast<DWORD>(n);
    if (!overwrite || filePosition > dataSize) {
        dataSize = filePosition;
    }
    if (id3v1Present) {
        // Audio written over the old end: the record goes back behind it at close.
        id3v1Pending = true;
    }
    dirty = true;
    NoteAudioWritten(at, data, static_cast<std::size_t>(n));
    RecFile::Write(data, n);
    return n;
}

LONG Mp3File::Read(void* buffer, LONG count)
{
    if (!handle) {
        return 0;
    }
    // The ID3v1 record after the audio is not audio.
    if (count > 0 && filePosition + static_cast<std::uint64_t>(count) > dataSize) {
        count = filePosition >= dataSize ? 0 : static_cast<LONG>(dataSize - filePosition);
    }
    if (count <= 0) {
        return 0;
    }
    const LONG n = mmioRead(handle, static_cast<char*>(buffer), count);
    if (n != -1) {
        filePosition += static_cast<DWORD>(n);
    }
    return n;
}

bool Mp3File::ReadId3v1()
{
    if (!handle) {
        return false;
    }
    const LONGLONG saved = mmioSeek(handle, 0, SEEK_CUR);
    const LONGLONG end = mmioSeek(handle, 0, SEEK_END);
    BYTE raw[Id3v1Record::kSize];
    // A record must lie wholly behind the audio's start: "TAG" in a file
    // shorter than that is audio (or nothing).
    bool ok = end - Id3v1Record::kSize >= static_cast<LONGLONG>(dataOffset) &&
              mmioSeek(handle, end - Id3v1Record::kSize, SEEK_SET) >= 0 &&
              mmioRead(handle, reinterpret_cast<char*>(raw), Id3v1Record::kSize) == Id3v1Record::kSize;
    mmioSeek(handle, saved, SEEK_SET);
    if (ok && id3v1.Assign(raw)) {
        return true;
    }
    id3v1.Reset();
    return false;
}

bool Mp3File::WriteId3v1()
{
    if (!handle) {
        return false;
    }
    const LONGLONG saved = mmioSeek(handle, 0, SEEK_CUR);
    // The record goes right behind the audio, over an older one or after it.
    const LONGLONG at = static_cast<LONGLONG>(dataOffset) + dataSize;
    const bool ok = mmioSeek(handle, at, SEEK_SET) == at &&
                    mmioWrite(handle, reinterpret_cast<const char*>(id3v1.Bytes()), Id3v1Record::kSize) ==
                        Id3v1Record::kSize;
    mmioSeek(handle, saved, SEEK_SET);
    if (ok) {
        id3v1Present = true;
        id3v1Pending = false;
    }
    return ok;
}

void Mp3File::SetId3v1Field(const char* itemName, const char* text)
{
    if (id3v1.SetField(itemName, text)) {
        id3v1Present = true;
        id3v1Pending = true;
    }
}

bool Mp3File::GetId3v1Field(const char* itemName, char* buffer)
{
    std::string text;
    if (!id3v1Present || !buffer || !id3v1.GetField(itemName, text)) {
        return false;
    }
    platform::CopyBounded(buffer, 259, text);
    return true;
}

char* Mp3File::GetInfo(const char* itemName)
{
    Mp3TagItem item;
    if (!FindMp3TagItem(itemName, item) || name.empty()) {
        return nullptr;
    }
    return ReadId3v2Item(name.c_str(), item);
}

bool Mp3File::ReopenAfterTag(bool hadData, DWORD remembered, LONGLONG tail)
{
    openFlags &= ~MMIO_CREATE;
    std::string path = name;
    handle = mmioOpenA(path.data(), nullptr, openFlags);
    if (!handle) {
        return false;
    }
    const LONGLONG length = mmioSeek(handle, 0, SEEK_END);
    if (tail >= 0 && tail <= length && length - tail <= 0xFFFFFFFFLL) {
        // Only the leading tag changed: the audio keeps its distance from the
        // end. The first sync behind the tag may be a false one that open
        // passed over, and the record behind the audio would then land in it.
        dataOffset = static_cast<DWORD>(length - tail);
        filePosition = 0;
        mmioSeek(handle, dataOffset, SEEK_SET);
        if (hadData && !position(remembered)) {
            Error("can't seek back to position", "mp3file");
        }
        return true;
    }
    if (!hadData) {
        // No audio yet: it will begin behind the tag just written.
        dataOffset = static_cast<DWORD>(length);
        filePosition = 0;
        return true;
    }
    mmioSeek(handle, 0, SEEK_SET);
    SkipId3v2();
    if (FindSync() < 0) {
        return false;
    }
    dataOffset = static_cast<DWORD>(mmioSeek(handle, 0, SEEK_CUR));
    filePosition = 0;
    if (!position(remembered)) {
        Error("can't seek back to position", "mp3file");
    }
    return true;
}

bool Mp3File::SetInfo(const char* itemName, const char* text)
{
    if (readOnly || !text) {
        return false;
    }
    const bool hadData = dataSize != 0;
    const DWORD remembered = filePosition;
    Mp3TagItem item;
    if (!FindMp3TagItem(itemName, item)) {
        return false;
    }
    if (!Mp3EnableTagSwitch) {
        // No tag goes into the file: only what the ID3v1 record mirrors is
        // kept; the timecode text stays in the companion file.
        const Id3WriteResult result = WriteId3v2Item(name.c_str(), item, text, false);
        const bool mirrored = result == Id3WriteResult::NotRendered && Mp3TagItemId3v1Field(item) != nullptr;
        if (mirrored) {
            SetId3v1Field(itemName, text);
        }
        return mirrored;
    }
    bool flushed = true;
    LONGLONG tail = -1;
    if (handle) {
        if (id3v1Pending && !WriteId3v1()) {
            flushed = false;
        }
        const LONGLONG end = mmioSeek(handle, 0, SEEK_END);
        tail = end >= dataOffset ? end - dataOffset : -1;
        if (mmioClose(handle, 0) != MMSYSERR_NOERROR) {
            flushed = false;
        }
        handle = nullptr;
    }
    // A file whose own bytes did not all reach the disk gets no new tag.
    const Id3WriteResult result = flushed ? WriteId3v2Item(name.c_str(), item, text, true) : Id3WriteResult::Failed;
    if (result == Id3WriteResult::Written) {
        SetId3v1Field(itemName, text);
    }
    if (!ReopenAfterTag(hadData, remembered, tail)) {
        return false;
    }
    return result == Id3WriteResult::Written;
}

bool Mp3File::close()
{
    if (!handle) {
        return true;
    }
    const bool wasDirty = dirty;
    // A failed save is reported; the journal then keeps the lists.
    bool saved = !dirty || update();
    if (!handle) {
        readOnly = false;
        return false;
    }
    if (id3v1Pending) {
        saved = WriteId3v1() && saved;
    }
    if (!saved && !readOnly) {
        // Not all on disk: still open and dirty, so a later close, once there
        // is room, finishes the file.
        dirty = true;
        Error("can't close file", "mp3File close");
        return false;
    }
    if (mmioClose(handle, 0) != MMSYSERR_NOERROR) {
        Error("can't close file", "mp3File close");
        return false;
    }
    handle = nullptr;
    readOnly = false;
    return FinishClose(wasDirty, saved);
}

void Mp3File::ForgetAudio()
{
    dataSize = 0;
    filePosition = 0;
}

bool Mp3File::ListsKeptBeside() { return !Mp3EnableTagSwitch; }

LONG Mp3AcmFile::ReadSamples(short*, LONG) { return 0; }
