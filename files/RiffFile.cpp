// RIFF chunks walked and written: a cut-off recording gets its sizes back; a write past the 32-bit limit is refused.
#include "files/RiffFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "files/FileNames.h"

namespace {
constexpr std::uint64_t kRiffLimit = 0xFFFFFFFFull;
}

RiffFile::RiffFile(const char* fileName, const char* formTypeText, const char* dataChunkIdText, DWORD flags)
    : RecFile(fileName)
{
    formType = formTypeText ? mmioStringToFOURCCA(formTypeText, 0) : 0;
    dataChunkId = dataChunkIdText ? mmioStringToFOURCCA(dataChunkIdText, 0) : 0;
    openFlags = flags;
    errorContext = "riffFile";
}

RiffFile::~RiffFile()
{
    if (IsOpen() && !RiffFile::close()) {
        ReleaseFile();
    }
}

bool RiffFile::IsOpen() { return handle != nullptr; }
bool RiffFile::Reopen() { return open(); }
DWORD RiffFile::GetPosition() { return curPosition; }
DWORD RiffFile::GetDataSize() { return dataSize; }
void RiffFile::SetDataSize(DWORD bytes) { dataSize = bytes; }
HMMIO RiffFile::GetHandle() { return handle; }
bool RiffFile::createformat() { return true; }
bool RiffFile::ReadFormat() { return true; }

bool RiffFile::MakeTempName(char* out)
{
    return MakeTempFileName(out);
}

bool RiffFile::MakeTemporaryName(char* out) { return MakeTempName(out); }

LONGLONG RiffFile::FileLength()
{
    const LONGLONG here = mmioSeek(handle, 0, SEEK_CUR);
    const LONGLONG end = mmioSeek(handle, 0, SEEK_END);
    mmioSeek(handle, here, SEEK_SET);
    return end;
}

bool RiffFile::SeekExact(DWORD bytes)
{
    if (!handle || mmioSeek(handle, LONGLONG(dataOffset) + bytes, SEEK_SET) < 0) {
        return false;
    }
    curPosition = bytes;
    return true;
}

bool RiffFile::WriteDwordAt(std::uint64_t offset, DWORD value)
{
    const LONGLONG here = mmioSeek(handle, 0, SEEK_CUR);
    const bool ok = here >= 0 && mmioSeek(handle, static_cast<LONGLONG>(offset), SEEK_SET) >= 0 &&
                    mmioWrite(handle, reinterpret_cast<const char*>(&value), 4) == 4;
    mmioSeek(handle, here, SEEK_SET);
    return ok;
}

bool RiffFile::position(DWORD bytes)
{
    if (!handle) {
        return false;
    }
    if (mmioSeek(handle, LONGLONG(dataOffset) + bytes, SEEK_SET) < 0) {
        Error("Can't seek to position", "rifffile position");
        return false;
    }
    curPosition = bytes;
    return true;
}

bool RiffFile::descend(const char* child, bool parent, bool rewind)
{
    const LONGLONG remembered = mmioSeek(handle, 0, SEEK_CUR);
    if (rewind && mmioSeek(handle, (formType && !parent) ? 12 : 0, SEEK_SET) < 0) {
        Error("Can't rewind", "descend");
        return false;
    }
    if (parent) {
        if (!formType) {
            return true;
        }
        riffChunk = MMCKINFO{};
        riffChunk.fccType = formType;
        if (mmioDescend(handle, &riffChunk, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) {
            Error("Can't open file. Already in use by another program?", "descend", 16);
            return false;
        }
        if (repairRiffSize > riffChunk.cksize) {
            riffChunk.cksize = repairRiffSize;
        }
        return true;
    }
    const FOURCC id = child ? mmioStringToFOURCCA(child, 0) : dataChunkId;
    dataChunk = MMCKINFO{};
    dataChunk.ckid = id;
    if (mmioDescend(handle, &dataChunk, formType ? &riffChunk : nullptr, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
        std::string text = "can't find child chunk   ";
        text += child ? child : "data";
        Error(text.c_str(), "descend");
        mmioSeek(handle, remembered, SEEK_SET);
        dataSize = 0;
        curPosition = 0;
        inAudio = false;
        return false;
    }
    dataSize = dataChunk.cksize;
    curPosition = 0;
    dataOffset = dataChunk.dwDataOffset;
    inAudio = id == dataChunkId;
    if (inAudio && repairDataSize) {
        dataChunk.cksize = dataSize = repairDataSize;
    }
    // A cut-off file holds less than its header claims: count only what is there.
    const LONGLONG length = FileLength();
    if (length >= 0 && std::uint64_t(dataOffset) + dataSize > std::uint64_t(length)) {
        dataSize = static_cast<DWORD>(std::uint64_t(length) > dataOffset ? std::uint64_t(length) - dataOffset : 0);
    }
    return true;
}

bool RiffFile::makechunk(const char* child, bool riff)
{
    if (riff) {
        if (formType) {
            riffChunk = MMCKINFO{};
            riffChunk.fccType = formType;
            if (mmioCreateChunk(handle, &riffChunk, MMIO_CREATERIFF) != MMSYSERR_NOERROR) {
                Error("can't create riff", "makechunk");
                return false;
            }
            riffChunk.dwFlags |= MMIO_DIRTY;
        }
        inAudio = false;
        dirty = true;
        return true;
    }
    const FOURCC id = child ? mmioStringToFOURCCA(child, 0) : dataChunkId;
    dataChunk = MMCKINFO{};
    dataChunk.ckid = id;
    if (mmioCreateChunk(handle, &dataChunk, 0) != MMSYSERR_NOERROR) {
        Error("Can't create data chunk.", "makechunk");
        return false;
    }
    dataSize = 0;
    curPosition = 0;
    dataOffset = dataChunk.dwDataOffset;
    dataChunk.dwFlags |= MMIO_DIRTY;
    inAudio = id == dataChunkId;
    dirty = true;
    return true;
}

bool RiffFile::ascend(bool parent)
{
    // Writes size headers only when something changed and the file may be written.
    const bool writeSizes = dirty && !readOnly;
    if (!parent) {
        // The exact end of the chunk: block rounding applies inside the audio only.
        SeekExact(dataSize);
        if (writeSizes) {
            dataChunk.dwFlags |= MMIO_DIRTY;
        }
        const bool wasAudio = inAudio;
        inAudio = false;
        if (mmioAscend(handle, &dataChunk, 0) != MMSYSERR_NOERROR) {
            Error("Can't ascend child chunk", "ascend");
            return false;
        }
        if (wasAudio && writeSizes) {
            repairDataSize = 0;
        }
        return true;
    }
    if (!formType) {
        return true;
    }
    if (writeSizes) {
        riffChunk.dwFlags |= MMIO_DIRTY;
    }
    if (mmioAscend(handle, &riffChunk, 0) != MMSYSERR_NOERROR) {
        Error("Can't ascend parent chunk", "ascend");
        return false;
    }
    if (writeSizes) {
        repairRiffSize = 0;
    }
    return true;
}

void RiffFile::CheckInterrupted()
{
    const LONGLONG length = FileLength();
    const std::uint64_t riffEnd = 8 + std::uint64_t(riffChunk.cksize);
    if (length < 0 || std::uint64_t(length) <= riffEnd || !formType) {
        return;
    }
    const LONGLONG back = mmioSeek(handle, 0, SEEK_CUR);
    // Find the audio chunk by walking the whole file, not only what the RIFF size covers.
    std::uint64_t at = 12;
    std::uint64_t dataStart = 0;
    DWORD oldSize = 0;
    for (int guard = 0; guard < 100000 && at + 8 <= std::uint64_t(length); ++guard) {
        DWORD header[2];
        if (mmioSeek(handle, static_cast<LONGLONG>(at), SEEK_SET) < 0 ||
            mmioRead(handle, reinterpret_cast<char*>(header), 8) != 8) {
            break;
        }
        if (header[0] == dataChunkId) {
            dataStart = at + 8;
            oldSize = header[1];
            break;
        }
        at += 8 + std::uint64_t(header[1]) + (header[1] & 1);
    }
    mmioSeek(handle, back, SEEK_SET);
    if (!dataStart) {
        return;
    }
    const std::string journal = MarkerFileNameFor(name);
    const bool journalLeft = !journal.empty() && mmioOpenA(const_cast<char*>(journal.c_str()), nullptr, MMIO_EXIST);
    const bool killedBeforeUpdate = oldSize == 0 && dataStart >= riffEnd;
    if (!journalLeft && !killedBeforeUpdate) {
        return;  // only old bytes after a cut: not ours to extend
    }
    repairing = true;
    repairRiffSize = static_cast<DWORD>(std::min<std::uint64_t>(std::uint64_t(length) - 8, kRiffLimit));
    riffChunk.cksize = repairRiffSize;
}

bool RiffFile::open()
{
    if (IsOpen() && !close()) {
        return false;
    }
    dirty = false;
    repairing = false;
    repairRiffSize = repairDataSize = 0;
    restoreFromJournal = false;
    // A read-only open never creates anything, not even a temporary file.
    const bool canWrite = (openFlags & 3) != 0;
    if (!NameForOpen()) {
        Error("can't open file", "riffFile open");
        return false;
    }
    if (!mmioOpenA(name.data(), nullptr, MMIO_EXIST) || tempName || (openFlags & MMIO_CREATE)) {
        handle = canWrite ? mmioOpenA(name.data(), nullptr, openFlags | MMIO_CREATE | MMIO_READWRITE) : nullptr;
        if (!handle) {
            Error("can't open file", "riffFile open");
            openError = 1;
            return false;
        }
        readOnly = false;
        if (!makechunk(nullptr, true) || !createformat() || !makechunk(nullptr, false)) {
            // Headers that could not be written make no recording: nothing half-made stays.
            ReleaseFile();
            RemoveNamedFile();
            Error("can't open file", "riffFile open");
            openError = 1;
            return false;
        }
        RecFile::open();
        return true;
    }
    handle = OpenExisting(openFlags);
    if (!handle) {
        Error("Can't open file.  Already in use by another program?", "riffFile open", 16);
        return false;
    }
    bool ok = descend(nullptr, true, true);
    if (ok) {
        CheckInterrupted();
        ok = ReadFormat();
    }
    // A journal left behind (a crash, or a save that failed) is newer than any text
    // in the file: it is written first and deleted only once the text is whole.
    const std::string journal = MarkerFileNameFor(name);
    if (!readOnly && !journal.empty() && mmioOpenA(const_cast<char*>(journal.c_str()), nullptr, MMIO_EXIST)) {
        restoreFromJournal = true;
    }
    // Without its audio chunk the file has nowhere to stand: refuse it like a bad format.
    if (ok && !descend(nullptr, false, false)) {
        ok = descend(nullptr, false, true);
    }
    if (!ok) {
        Error("Can't read format chunk.", "riffFile open");
        close();
        openError = 2;
        return false;
    }
    if (repairing) {
        const LONGLONG length = FileLength();
        std::uint64_t size = std::uint64_t(length) - dataOffset;
        const std::uint64_t cap = kRiffLimit - kTrailerReserve - (std::uint64_t(dataOffset) - 8);
        size = std::min(size, cap);
        const DWORD align = format ? format->nBlockAlign : 1;
        if (align > 1) {
            size -= size % align;
        }
        dataChunk.cksize = dataSize = repairDataSize = static_cast<DWORD>(size);
        restoreFromJournal = true;
        AudioRecovered();
    }
    RecFile::open();
    restoreFromJournal = false;
    if (repairing) {
        if (!readOnly) {
            dirty = true;
        }
        // Another writer's recording is only read as it stands: it is being made, not interrupted.
        if (!readOnly || !mmioHeldByWriter(handle)) {
            std::fprintf(stderr, "Recording was interrupted; its audio was recovered: %s\n", name.c_str());
        }
    }
    return true;
}

bool RiffFile::update()
{
    if (!handle) {
        return true;
    }
    bool ok = true;
    if (dirty && !readOnly) {
        ok = ascend(false);
        ok = ascend(true) && ok;
        ok = descend(nullptr, true, true) && ok;
        ok = descend(nullptr, false, true) && ok;
        ok = SeekExact(dataSize) && ok;
    }
    ok = RecFile::update() && ok;
    if (readOnly) {
        dirty = false;
    }
    return ok;
}

void RiffFile::ReleaseFile()
{
    if (!handle) {
        return;
    }
    ReleaseMmio(&handle);
    inAudio = false;
}

bool RiffFile::close()
{
    if (!handle) {
        return true;
    }
    const bool wasDirty = dirty;
    const bool updated = !dirty || update();
    if (!updated && dirty) {
        // The text is not on disk: still open, so a later close can save it.
        Error("can't close file", "riffFile close");
        return false;
    }
    if (mmioClose(handle, 0) != MMSYSERR_NOERROR) {
        Error("can't close file", "riffFile close");
        return false;
    }
    handle = nullptr;
    inAudio = false;
    readOnly = false;
    if (!updated) {
        // Saved, but a size, a count or the journal failed: reported, the file is closed.
        return false;
    }
    return FinishClose(wasDirty, true);
}

void RiffFile::ForgetAudio()
{
    dataSize = 0;
    curPosition = 0;
}

bool RiffFile::OpenAs(const char* newName)
{
    if (IsOpen() && !close()) {
        return false;
    }
    SetName(newName);
    return open();
}

LONG RiffFile::Write(const void* data, LONG count)
{
    if (readOnly) {
        return 0;
    }
    if (!handle || count < 0) {
        return -1;
    }
    if (!overwrite && curPosition != dataSize) {
        SeekExact(dataSize);
    }
    // Sizes are 32-bit: refuse what would pass the RIFF limit (keeping room for the
    // chunks after the audio), so the caller can stop or go on in a new file.
    const std::uint64_t end = std::uint64_t(dataOffset) + curPosition + std::uint64_t(count);
    const std::uint64_t limit = inAudio ? kRiffLimit - kTrailerReserve : kRiffLimit;
    if (end - 8 > limit) {
        Error("Recording reached the largest file size", "rifffile write");
        return -1;
    }
    const LONG n = mmioWrite(handle, static_cast<const char*>(data), count);
    if (n > 0) {
        const std::uint64_t at = curPosition;
        curPosition += static_cast<DWORD>(n);
        if (!overwrite || curPosition > dataSize) {
            dataSize = curPosition;
        }
        dirty = true;
        if (inAudio) {
            NoteAudioWritten(at, data, static_cast<std::size_t>(n));
            RecFile::Write(data, n);
        }
    }
    return n;
}

LONG RiffFile::Read(void* buffer, LONG count)
{
    if (!handle || count < 0) {
        return -1;
    }
    if (std::uint64_t(curPosition) + std::uint64_t(count) > dataSize) {
        if (curPosition >= dataSize) {
            return 0;
        }
        count = static_cast<LONG>(dataSize - curPosition);
    }
    const LONG n = mmioRead(handle, static_cast<char*>(buffer), count);
    if (n > 0) {
        curPosition += static_cast<DWORD>(n);
    }
    return n;
}

bool RiffFile::DigestAudio(Sha1State* state, std::uint64_t from, std::uint64_t to)
{
    if (!handle || !inAudio || to > dataSize || from > to) {
        return false;
    }
    const LONGLONG here = mmioSeek(handle, 0, SEEK_CUR);
    const DWORD savedPosition = curPosition;
    bool ok = mmioSeek(handle, LONGLONG(dataOffset) + LONGLONG(from), SEEK_SET) >= 0;
    std::vector<char> buf(1 << 16);
    for (std::uint64_t done = from; ok && done < to;) {
        const LONG want = static_cast<LONG>(std::min<std::uint64_t>(buf.size(), to - done));
        const LONG n = mmioRead(handle, buf.data(), want);
        if (n <= 0) {
            ok = false;
            break;
        }
        Sha1Update(state, buf.data(), static_cast<std::size_t>(n));
        done += static_cast<std::uint64_t>(n);
    }
    mmioSeek(handle, here, SEEK_SET);
    curPosition = savedPosition;
    return ok;
}
