// The save cycle every recording shares: the running SHA-1 of the audio and the journal kept from the first byte.
#include "files/RecFile.h"

#include <algorithm>
#include <vector>

#include "files/FileType.h"
#include "files/SigningSeed.h"

RecFile::RecFile(const char* fileName) : MediaFile(fileName) {}

RecFile::~RecFile()
{
    // A recording whose text did not reach the file keeps its journal.
    if (!RecFile::update()) {
        KeepMarkerFile();
    }
    CloseMarkerFile();
}

DWORD RecFile::GetPosition() { return 0; }
bool RecFile::position(DWORD) { return false; }
DWORD RecFile::GetLength() { return GetDataSize(); }
DWORD RecFile::GetDataSize() { return 0; }

DWORD RecFile::GetSeconds(DWORD bytes)
{
    if (bytes == DWORD(-1)) {
        bytes = GetLength();
    }
    if (!format || format->nAvgBytesPerSec == 0) {
        return 0;
    }
    return bytes / format->nAvgBytesPerSec;
}

bool RecFile::open()
{
    if (GetDataSize() > 0) {
        LoadTimecode();
    }
    if (GetDataSize() == 0) {
        signing = true;
        StartDigest();
        // The journal exists from the start: a crash in the first burst keeps the start time.
        WriteMarkerFile();
    }
    return true;
}

bool RecFile::update()
{
    bool ok = true;
    if (dirty && saving) {
        ok = WriteMarkerFile() || MarkerFileNameFor(name).empty();
    } else if (dirty && !readOnly) {
        // Still dirty after a failed save, so the next update tries again.
        ok = SaveTimecode();
        dirty = !textStored;
    } else {
        dirty = false;
    }
    writeCount = 0;
    return ok;
}

bool RecFile::Sync() { return true; }

LONG RecFile::Write(const void*, LONG count)
{
    if (count <= 0) {
        return 0;
    }
    if (++writeCount >= 600 && GetFileType() == FileTypeWave) {
        // About two minutes of buffers: put the sizes and the journal on disk, so a
        // crash or another reader sees the audio recorded so far.
        writeCount = 0;
        saving = true;
        Sync();
        RefreshSizes();
        WriteMarkerFile();
        saving = false;
        dirty = true;
    }
    return count;
}

DWORD RecFile::SecondsToPosition(LONG seconds)
{
    const std::int64_t cur = GetPosition();
    const std::int64_t bps = GetBytesPerSecond();
    const std::int64_t len = GetLength();
    const std::int64_t target = cur + static_cast<std::int64_t>(seconds) * bps;
    if (target > len) {
        return static_cast<DWORD>(len);
    }
    if (target < 0) {
        return 0;
    }
    return static_cast<DWORD>(target);
}

void RecFile::ResumeSigning()
{
    signing = true;
    StartDigest();
}

void RecFile::StartDigest()
{
    Sha1Init(&shaState);
    const std::string seed = SigningSeed();
    Sha1Update(&shaState, seed.data(), seed.size());
    hashedBytes = 0;
    hashStale = false;
}

void RecFile::NoteAudioWritten(std::uint64_t at, const void* data, std::size_t count)
{
    if (!signing || count == 0) {
        return;
    }
    if (at == hashedBytes && !hashStale) {
        Sha1Update(&shaState, data, count);
        hashedBytes += count;
    } else if (at < hashedBytes) {
        // Bytes already in the digest changed (overwrite mode): start again at save.
        hashStale = true;
    }
}

bool RecFile::DigestRange(Sha1State* state, std::uint64_t from, std::uint64_t to)
{
    Sha1State s = *state;
    if (DigestAudio(&s, from, to)) {
        *state = s;
        return true;
    }
    s = *state;
    if (DigestByReading(&s, from, to)) {
        *state = s;
        return true;
    }
    return false;
}

bool RecFile::DigestByReading(Sha1State* state, std::uint64_t from, std::uint64_t to)
{
    const DWORD saved = GetPosition();
    if (!position(static_cast<DWORD>(from)) || GetPosition() != from) {
        position(saved);
        return false;
    }
    std::vector<char> buf(1 << 16);
    std::uint64_t done = from;
    bool ok = true;
    while (done < to) {
        const LONG want = static_cast<LONG>(std::min<std::uint64_t>(buf.size(), to - done));
        const LONG n = Read(buf.data(), want);
        if (n <= 0) {
            ok = false;
            break;
        }
        Sha1Update(state, buf.data(), static_cast<std::size_t>(n));
        done += static_cast<std::uint64_t>(n);
    }
    position(saved);
    return ok;
}

bool RecFile::ComputeDigest(std::uint8_t out[20])
{
    const std::uint64_t size = GetDataSize();
    if (hashStale || hashedBytes > size) {
        StartDigest();
    }
    if (hashedBytes < size) {
        if (!DigestRange(&shaState, hashedBytes, size)) {
            StartDigest();
            if (!DigestRange(&shaState, 0, size)) {
                StartDigest();
                return false;
            }
        }
        hashedBytes = size;
    }
    Sha1State s = shaState;
    FeedListedMarkers(&s);
    Sha1Final(&s, out);
    return true;
}
