#pragma once
// RIFF file input and output with the Windows multimedia file contract. Nothing is
// buffered: every read and write goes straight to the file, so what a killed
// process wrote is on disk. Offsets are 64-bit so recordings up to 4 GiB seek right.
#include "platform/core/MmResult.h"
#include "platform/core/Types.h"

struct MmioFile;
using HMMIO = MmioFile*;
using LPMMIOINFO = void*;  // never used by the program; pass null

constexpr DWORD MMIO_READ = 0x00000000;
constexpr DWORD MMIO_WRITE = 0x00000001;
constexpr DWORD MMIO_READWRITE = 0x00000002;
constexpr DWORD MMIO_DENYWRITE = 0x00000040;
constexpr DWORD MMIO_CREATE = 0x00001000;
constexpr DWORD MMIO_PARSE = 0x00000100;
constexpr DWORD MMIO_DELETE = 0x00000200;
constexpr DWORD MMIO_EXIST = 0x00004000;

constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;
constexpr UINT MMIO_FINDLIST = 0x0040;
constexpr UINT MMIO_CREATERIFF = 0x0020;
constexpr UINT MMIO_CREATELIST = 0x0040;
constexpr DWORD MMIO_DIRTY = 0x10000000;

constexpr UINT MMIOERR_BASE = 256;
constexpr UINT MMIOERR_FILENOTFOUND = MMIOERR_BASE + 1;
constexpr UINT MMIOERR_CANNOTOPEN = MMIOERR_BASE + 3;
constexpr UINT MMIOERR_CANNOTCLOSE = MMIOERR_BASE + 4;
constexpr UINT MMIOERR_CANNOTREAD = MMIOERR_BASE + 5;
constexpr UINT MMIOERR_CANNOTWRITE = MMIOERR_BASE + 6;
constexpr UINT MMIOERR_CANNOTSEEK = MMIOERR_BASE + 7;
constexpr UINT MMIOERR_CANNOTEXPAND = MMIOERR_BASE + 8;
constexpr UINT MMIOERR_CHUNKNOTFOUND = MMIOERR_BASE + 9;

#ifndef SEEK_SET
#define SEEK_SET 0
#define SEEK_CUR 1
#define SEEK_END 2
#endif

struct MMCKINFO {
    FOURCC ckid = 0;
    DWORD cksize = 0;
    FOURCC fccType = 0;
    DWORD dwDataOffset = 0;  // of the data; for RIFF and LIST that is the form type
    DWORD dwFlags = 0;
};
using LPMMCKINFO = MMCKINFO*;

// Opening for writing takes the file from other writers (advisory locks, also
// between processes of ours): a file another one writes opens read-only only.
// MMIO_DENYWRITE keeps writers out while this handle is open. MMIO_CREATE makes
// the file when the name is free (never through a link, nor over a name a
// racing creator took) and empties an existing one; a file that is new or
// already empty is never truncated. Only regular files open: a FIFO or a device
// is refused without blocking, and no open for writing follows a link.
// MMIO_EXIST (a link counts as existing) and MMIO_DELETE return non-null on
// success, open nothing, and the result must not be closed.
HMMIO mmioOpenA(LPSTR fileName, LPMMIOINFO info, DWORD openFlags);
// Whether another handle writes the file this one reads (its sizes are then in flux, not damaged).
bool mmioHeldByWriter(HMMIO h);
// A failed close leaves the handle open and usable, so the caller can retry.
UINT mmioClose(HMMIO h, UINT flags);
// Count read, 0 at the end, -1 on error.
LONG mmioRead(HMMIO h, char* buffer, LONG count);
// Count written or -1. A failed write leaves the file as if it had never been
// made: the offset stays, and bytes it added past the end are cut off again.
LONG mmioWrite(HMMIO h, const char* buffer, LONG count);
// New offset, or -1.
LONGLONG mmioSeek(HMMIO h, LONGLONG offset, int origin);
UINT mmioFlush(HMMIO h, UINT flags);
// Fails when the new name exists or lies on another file system; callers then copy.
UINT mmioRenameA(LPCSTR fileName, LPCSTR newFileName, LPMMIOINFO info, DWORD flags);
FOURCC mmioStringToFOURCCA(LPCSTR text, UINT flags);

// Our own additions, for writers that must not destroy old bytes before the new
// ones are complete. Reserve allocates the space of [offset, offset + count),
// growing the file to cover it, so writing there cannot run out of space; it
// succeeds without reserving on a file system that cannot allocate ahead.
UINT mmioReserve(HMMIO h, LONGLONG offset, LONGLONG count);
// Cuts the file to length bytes (never grows it).
UINT mmioTruncate(HMMIO h, LONGLONG length);
// Tests only: the next mmioClose in this process fails as a close that reports
// a deferred write error does.
void mmioFailNextClose();

// Searches forward from the current offset, inside the parent when one is given,
// and leaves the file at the chunk's data (after the form type for RIFF and LIST).
UINT mmioDescend(HMMIO h, LPMMCKINFO ck, const MMCKINFO* parent, UINT flags);
// Writes the header with ck->cksize as placeholder and records dwDataOffset.
UINT mmioCreateChunk(HMMIO h, LPMMCKINFO ck, UINT flags);
// With MMIO_DIRTY in ck->dwFlags writes the size up to the current offset and pads
// an odd chunk with one byte; then moves past the chunk.
UINT mmioAscend(HMMIO h, LPMMCKINFO ck, UINT flags);
