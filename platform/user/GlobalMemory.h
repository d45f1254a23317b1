#pragma once
// Global memory blocks: whole recording files on the clipboard and the wave
// buffers. A block is locked to reach its bytes; a failed allocation is null.
#include "platform/core/Types.h"

using HGLOBAL = HANDLE;
using SIZE_T = std::size_t;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);  // FALSE once the lock count is back to 0
HGLOBAL GlobalFree(HGLOBAL block);  // null on success, the block on failure
SIZE_T GlobalSize(HGLOBAL block);   // 0 for no block
