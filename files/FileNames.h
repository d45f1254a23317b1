#pragma once
// Small file-system functions of the engine and the File page. Names are at most
// 260 bytes including the terminator.
#include <cstddef>
#include <cstdint>

bool GetTempFolder(std::size_t size, char* buffer);
// Creates an empty RIFxxxx.tmp in the temp folder and names it in out (260 bytes);
// false when the temp folder or the name cannot be made.
bool MakeTempFileName(char* out);
// folder + (prefix | "~rec" | "rec") + "_" + n + extension for the first n in
// 1..9999 whose file does not exist (9999 when all do); out holds 260 bytes.
bool MakeUniqueFileName(const char* prefix, const char* extension, char* out, bool temporary, const char* folder);
bool FileExists(const char* path);
std::uint64_t FileSizeOf(const char* path);
// Creates every missing folder of path up to its last "/" (or "\").
bool CreateDirectoryPath(const char* path);
// Expands path (260 bytes) in place to its full form, through the kernel function
// looked up at run time.
bool ExpandFullPath(char* path);
// Probes folder with a file of its own; the current folder stays as it was.
bool IsDirectoryWritable(const char* folder);
