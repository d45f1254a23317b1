#pragma once
// Run-time lookup of functions by library and name. The layer answers for the
// libraries the program asks about; other parts of the layer register theirs.
#include "platform/core/Types.h"

HMODULE LoadLibraryA(LPCSTR libFileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

namespace platform {
// Makes a function findable under a library name (case-insensitive, with or
// without ".dll"). Safe to call more than once with the same pair.
void RegisterLibraryFunction(const char* library, const char* name, FARPROC function);
}
