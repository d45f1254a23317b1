#pragma once
// The version resource of the program's own file, as the version functions hand
// it out: one translation and its named strings. Other files have none.
#include <string>
#include <utility>
#include <vector>

#include "platform/core/Types.h"

// 0 for a file other than the program's, or while it has no version resource.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle);
// Copies the resource into data; FALSE when it does not fit in size bytes or there is none.
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);
// In a block from GetFileVersionInfoA: "\VarFileInfo\Translation" gives the translation
// (language in the low word, code page in the high word); "\StringFileInfo\llllcccc\Name"
// the named string of that translation (length with its terminator). The pointer is into block.
BOOL VerQueryValueA(const void* block, LPCSTR subBlock, LPVOID* buffer, UINT* length);

namespace platform {
struct VersionResource {
    WORD language = 0x0409;
    WORD codePage = 1200;
    std::vector<std::pair<std::string, std::string>> strings;  // name, value
};
// Sets the program's version resource (resources/ at start-up); one without strings takes it away.
void SetVersionResource(const VersionResource& resource);
}
