// RIFF chunk navigation on top of the mmio file functions.
#include <cstdint>

#include "platform/mmio/Mmio.h"

namespace {
constexpr FOURCC kRiff = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC kList = mmioFOURCC('L', 'I', 'S', 'T');

bool ReadDword(HMMIO h, DWORD* out)
{
    return mmioRead(h, reinterpret_cast<char*>(out), 4) == 4;
}
}

UINT mmioDescend(HMMIO h, LPMMCKINFO ck, const MMCKINFO* parent, UINT flags)
{
    if (!ck) {
        return MMIOERR_CHUNKNOTFOUND;
    }
    const FOURCC wantId = ck->ckid;
    const FOURCC wantType = ck->fccType;
    // Children end where the parent's data ends (the form type counts in its size).
    const std::uint64_t limit = parent ? std::uint64_t(parent->dwDataOffset) + parent->cksize : UINT64_MAX;
    for (;;) {
        const LONGLONG at = mmioSeek(h, 0, SEEK_CUR);
        if (at < 0) {
            return MMIOERR_CANNOTSEEK;
        }
        if (std::uint64_t(at) + 8 > limit) {
            return MMIOERR_CHUNKNOTFOUND;
        }
        DWORD header[2];
        if (mmioRead(h, reinterpret_cast<char*>(header), 8) != 8) {
            return MMIOERR_CHUNKNOTFOUND;
        }
        const std::uint64_t dataOffset = std::uint64_t(at) + 8;
        if (dataOffset > 0xFFFFFFFFull) {
            return MMIOERR_CHUNKNOTFOUND;
        }
        MMCKINFO found;
        found.ckid = header[0];
        found.cksize = header[1];
        found.dwDataOffset = static_cast<DWORD>(dataOffset);
        found.dwFlags = 0;
        const bool hasType = found.ckid == kRiff || found.ckid == kList;
        if (hasType && !ReadDword(h, &found.fccType)) {
            return MMIOERR_CHUNKNOTFOUND;
        }
        bool match = true;
        if (flags & MMIO_FINDCHUNK) {
            match = found.ckid == wantId;
        } else if (flags & MMIO_FINDRIFF) {
            match = found.ckid == kRiff && found.fccType == wantType;
        } else if (flags & MMIO_FINDLIST) {
            match = found.ckid == kList && found.fccType == wantType;
        }
        if (match) {
            *ck = found;
            return MMSYSERR_NOERROR;
        }
        const std::uint64_t next = dataOffset + found.cksize + (found.cksize & 1);
        if (next > limit || mmioSeek(h, static_cast<LONGLONG>(next), SEEK_SET) < 0) {
            return MMIOERR_CHUNKNOTFOUND;
        }
    }
}

UINT mmioCreateChunk(HMMIO h, LPMMCKINFO ck, UINT flags)
{
    if (!ck) {
        return MMIOERR_CANNOTWRITE;
    }
    const LONGLONG at = mmioSeek(h, 0, SEEK_CUR);
    if (at < 0 || at + 8 > 0xFFFFFFFFLL) {
        return MMIOERR_CANNOTSEEK;
    }
    if (flags & MMIO_CREATERIFF) {
        ck->ckid = kRiff;
    } else if (flags & MMIO_CREATELIST) {
        ck->ckid = kList;
    }
    const bool hasType = (flags & (MMIO_CREATERIFF | MMIO_CREATELIST)) != 0;
    DWORD header[3] = {ck->ckid, ck->cksize, ck->fccType};
    const LONG size = hasType ? 12 : 8;
    if (mmioWrite(h, reinterpret_cast<const char*>(header), size) != size) {
        return MMIOERR_CANNOTWRITE;
    }
    ck->dwDataOffset = static_cast<DWORD>(at + 8);
    ck->dwFlags = 0;
    return MMSYSERR_NOERROR;
}

UINT mmioAscend(HMMIO h, LPMMCKINFO ck, UINT)
{
    if (!ck) {
        return MMIOERR_CANNOTSEEK;
    }
    if (ck->dwFlags & MMIO_DIRTY) {
        const LONGLONG end = mmioSeek(h, 0, SEEK_CUR);
        if (end < 0 || end < LONGLONG(ck->dwDataOffset) || end - LONGLONG(ck->dwDataOffset) > 0xFFFFFFFFLL) {
            return MMIOERR_CANNOTSEEK;
        }
        const DWORD size = static_cast<DWORD>(end - ck->dwDataOffset);
        if (size & 1) {
            const char pad = 0;
            if (mmioWrite(h, &pad, 1) != 1) {
                return MMIOERR_CANNOTWRITE;
            }
        }
        if (mmioSeek(h, LONGLONG(ck->dwDataOffset) - 4, SEEK_SET) < 0 ||
            mmioWrite(h, reinterpret_cast<const char*>(&size), 4) != 4) {
            return MMIOERR_CANNOTWRITE;
        }
        ck->cksize = size;
        ck->dwFlags &= ~MMIO_DIRTY;
    }
    const std::uint64_t next = std::uint64_t(ck->dwDataOffset) + ck->cksize + (ck->cksize & 1);
    return mmioSeek(h, static_cast<LONGLONG>(next), SEEK_SET) < 0 ? MMIOERR_CANNOTSEEK : MMSYSERR_NOERROR;
}
