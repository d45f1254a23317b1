// Named text items of a RIFF file: LIST INFO items and the timecode text in a
// DISP chunk after the audio data.
#include <algorithm>
#include <cstring>

#include "files/RiffFile.h"
#include "platform/core/Strings.h"

namespace {
struct InfoItem {
    const char* name;
    const char* id;
};
constexpr InfoItem kInfoItems[] = {
    {"artist", "IART"},   {"comment", "ICMT"}, {"copyright", "ICOP"}, {"engineer", "IENG"},
    {"user", "IENG"},     {"name", "INAM"},    {"subject", "ISBJ"},   {"software", "ISFT"},
    {"author", "ISFT"},   {"creator", "ISFT"},
};
constexpr DWORD kDispText = 1;  // clipboard format of a DISP text

const char* InfoChunkId(const char* item)
{
    for (const InfoItem& i : kInfoItems) {
        if (lstrcmpiA(i.name, item) == 0) {
            return i.id;
        }
    }
    return nullptr;
}
}

char* RiffFile::GetInfo(const char* itemName)
{
    if (!handle || !itemName) {
        return nullptr;
    }
    const bool timecode = lstrcmpiA(itemName, TimecodeItemName) == 0;
    const char* infoId = timecode ? nullptr : InfoChunkId(itemName);
    if (!timecode && !infoId) {
        return nullptr;
    }
    const DWORD saved = GetPosition();
    const LONGLONG length = FileLength();
    char* result = nullptr;
    // A damaged size never makes a buffer larger than what the file holds.
    auto allocFor = [&](DWORD size, std::uint64_t at) {
        const std::uint64_t left = std::uint64_t(length) > at ? std::uint64_t(length) - at : 0;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, left));
        char* buf = new char[n + 20]();
        return std::make_pair(buf, n);
    };
    SeekExact(dataSize);
    ascend(false);
    if (timecode) {
        while (descend("DISP", false, false)) {
            DWORD type = 0;
            if (mmioRead(handle, reinterpret_cast<char*>(&type), 4) != 4) {
                break;
            }
            if (type == kDispText) {
                const DWORD rest = dataSize >= 4 ? dataSize - 4 : 0;
                auto [buf, n] = allocFor(rest, std::uint64_t(dataOffset) + 4);
                const LONG got = mmioRead(handle, buf, static_cast<LONG>(n));
                buf[got > 0 ? static_cast<std::size_t>(got) : 0] = 0;
                result = buf;
                ascend(false);
                break;
            }
            ascend(false);
        }
    } else {
        ascend(true);
        descend(nullptr, true, true);
        const FOURCC id = mmioStringToFOURCCA(infoId, 0);
        for (;;) {
            MMCKINFO list;
            list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
            if (mmioDescend(handle, &list, &riffChunk, MMIO_FINDLIST) != MMSYSERR_NOERROR) {
                break;
            }
            MMCKINFO item;
            item.ckid = id;
            if (mmioDescend(handle, &item, &list, MMIO_FINDCHUNK) == MMSYSERR_NOERROR) {
                auto [buf, n] = allocFor(item.cksize, item.dwDataOffset);
                const LONG got = mmioRead(handle, buf, static_cast<LONG>(n));
                buf[got > 0 ? static_cast<std::size_t>(got) : 0] = 0;
                result = buf;
                break;
            }
            const std::uint64_t next = std::uint64_t(list.dwDataOffset) + list.cksize + (list.cksize & 1);
            if (mmioSeek(handle, static_cast<LONGLONG>(next), SEEK_SET) < 0) {
                break;
            }
        }
    }
    descend(nullptr, false, true);
    if (saved <= dataSize) {
        SeekExact(saved);
    }
    return result;
}

bool RiffFile::SetInfo(const char* itemName, const char* text)
{
    if (readOnly || !handle || !itemName) {
        return false;
    }
    if (!text) {
        text = "";
    }
    if (lstrcmpiA(itemName, TimecodeItemName) == 0) {
        return StoreTimecodeText(text);
    }
    if (GetDataSize() != 0) {
        return false;
    }
    const char* infoId = InfoChunkId(itemName);
    char* existing = GetInfo(itemName);
    const bool present = existing && *existing;
    delete[] existing;
    if (present) {
        return false;
    }
    if (!infoId) {
        return true;
    }
    const LONGLONG remembered = mmioSeek(handle, 0, SEEK_CUR);
    bool ok = ascend(false);
    ok = ascend(true) && ok;
    ok = descend(nullptr, true, true) && ok;
    MMCKINFO list;
    list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    if (ok && mmioDescend(handle, &list, &riffChunk, MMIO_FINDLIST) == MMSYSERR_NOERROR) {
        ok = mmioSeek(handle, LONGLONG(list.dwDataOffset) + list.cksize, SEEK_SET) >= 0;
    } else {
        // The empty audio chunk makes room for the list; a new one follows it.
        list = MMCKINFO{};
        list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
        ok = ok && mmioSeek(handle, remembered - 8, SEEK_SET) >= 0 &&
             mmioCreateChunk(handle, &list, MMIO_CREATELIST) == MMSYSERR_NOERROR;
    }
    MMCKINFO item;
    item.ckid = mmioStringToFOURCCA(infoId, 0);
    const LONG length = lstrlenA(text) + 1;
    ok = ok && mmioCreateChunk(handle, &item, 0) == MMSYSERR_NOERROR && mmioWrite(handle, text, length) == length;
    item.dwFlags |= MMIO_DIRTY;
    ok = ok && mmioAscend(handle, &item, 0) == MMSYSERR_NOERROR;
    list.dwFlags |= MMIO_DIRTY;
    ok = ok && mmioAscend(handle, &list, 0) == MMSYSERR_NOERROR;
    return makechunk(nullptr, false) && ok;
}

LONGLONG RiffFile::TextChunkEnd(LONGLONG offset)
{
    DWORD header[3] = {};
    const LONGLONG length = FileLength();
    if (offset < 0 || mmioSeek(handle, offset, SEEK_SET) != offset ||
        mmioRead(handle, reinterpret_cast<char*>(header), sizeof header) != static_cast<LONG>(sizeof header) ||
        header[0] != mmioFOURCC('D', 'I', 'S', 'P') || header[1] < 4) {
        return -1;
    }
    const LONGLONG end = offset + 8 + LONGLONG(header[1]) + (header[1] & 1);
    return end <= length ? end : -1;
}

bool RiffFile::StoreTimecodeText(const char* text)
{
    const DWORD saved = GetPosition();
    bool ok = SeekExact(dataSize) && ascend(false);
    // The text always follows the audio, over any older DISP chunk.
    const LONGLONG at = ok ? mmioSeek(handle, 0, SEEK_CUR) : -1;
    const LONG textLength = lstrlenA(text);
    const LONGLONG chunk = 8 + 4 + LONGLONG(textLength) + 1;
    // A whole old text is replaced only once the new one has its space, so a full
    // disk never leaves half a text over it. Audio written since has already
    // replaced any older one: then there is nothing to keep, and nothing to reserve.
    const LONGLONG oldEnd = at >= 0 ? TextChunkEnd(at) : -1;
    const bool room = at >= 0 && mmioSeek(handle, at, SEEK_SET) == at &&
                      (oldEnd < 0 || mmioReserve(handle, at, chunk + (chunk & 1)) == MMSYSERR_NOERROR);
    if (room) {
        const DWORD type = kDispText;
        const char nul = 0;
        ok = makechunk("DISP", false) && Write(&type, 4) == 4 && Write(text, textLength) == textLength &&
             Write(&nul, 1) == 1 && ascend(false);
    } else {
        ok = false;
    }
    if (!ok && at >= 0) {
        // An old text still whole stays where it is; anything else after the audio is
        // cut off, so the file ends with its audio and the journal supplies the lists.
        const bool kept = !room && oldEnd >= 0;
        if (!kept) {
            mmioTruncate(handle, at);
        }
        mmioSeek(handle, kept ? oldEnd : at, SEEK_SET);
    }
    ok = ascend(true) && ok;
    ok = descend(nullptr, true, true) && ok;
    ok = descend(nullptr, false, false) && ok;
    if (saved <= dataSize) {
        SeekExact(saved);
    }
    return ok;
}
