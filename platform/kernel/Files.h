#pragma once
// Files, folders, temp names, free space and the module path, as the program
// calls them. Paths may use "\" or "/"; the results use "/".
#include "platform/core/Types.h"

union ULARGE_INTEGER {
    struct {
        DWORD LowPart;
        DWORD HighPart;
    } u;
    ULONGLONG QuadPart;
};
using PULARGE_INTEGER = ULARGE_INTEGER*;

// Full path of name (relative names against the current directory, "." and ".."
// folded). Returns the length written, the size needed (with the NUL) when the
// buffer is too small, or 0 on failure.
DWORD GetFullPathNameA(LPCSTR name, DWORD bufferLength, LPSTR buffer, LPSTR* filePart);
// The per-user temp folder ($XDG_CACHE_HOME/tapvox/tmp/), created with mode 0700;
// 0 when it cannot be made safe (not ours, a link, not a folder).
DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);
// Creates an empty file prefix(3 chars) + 4 hex digits + ".tmp" exclusively (never
// through a link) when unique is 0; returns the number used, 0 on failure.
UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName);
BOOL CreateDirectoryA(LPCSTR pathName, void* securityAttributes);

// The names of a folder that match a pattern ("*" any run, "?" one character,
// either case), in name order; "." and ".." are left out. The whole folder is
// read at FindFirstFileA: later changes are not seen.
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    CHAR cFileName[MAX_PATH];
};
HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);
BOOL SetCurrentDirectoryA(LPCSTR pathName);
BOOL DeleteFileA(LPCSTR fileName);
// Copies byte for byte (see platform::CopyRegularFile); with failIfExists false an
// existing target is replaced.
BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists);
// The running executable; a null module means the program itself.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
// Free space of the file system holding the folder (statvfs); null = current folder.
BOOL GetDiskFreeSpaceExA(LPCSTR directoryName, PULARGE_INTEGER freeBytesAvailableToCaller,
                         PULARGE_INTEGER totalNumberOfBytes, PULARGE_INTEGER totalNumberOfFreeBytes);
// The mount point of the file system that holds path (the nearest existing folder
// answers for a name not yet made), with a trailing "/": the root the program
// calls a drive.
BOOL GetVolumePathNameA(LPCSTR fileName, LPSTR volumePathName, DWORD bufferLength);
BOOL GetDiskFreeSpaceA(LPCSTR rootPathName, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* numberOfFreeClusters, DWORD* totalNumberOfClusters);
