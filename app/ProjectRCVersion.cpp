// Reading the module's version resource through the version functions.
#include "app/ProjectRCVersion.h"

#include <cstdio>
#include <cstring>

#include "platform/kernel/Files.h"
#include "platform/kernel/VersionInfo.h"

ProjectRCVersion::ProjectRCVersion(HMODULE module)
{
    char path[MAX_PATH] = "";
    const DWORD n = GetModuleFileNameA(module, path, sizeof path);
    if (n == 0 || n >= sizeof path) {
        return;
    }
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) {
        return;
    }
    data.resize(size);
    void* value = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path, handle, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4) {
        data.clear();
        return;
    }
    DWORD first = 0;
    std::memcpy(&first, value, sizeof first);
    // The lookup key names the language first: exchange the halves.
    translation = (first << 16) | (first >> 16);
}

ProjectRCVersion::~ProjectRCVersion() = default;

bool ProjectRCVersion::GetItem(const char* name, LPSTR& text)
{
    if (data.empty()) {
        return false;
    }
    char subBlock[128];
    std::snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%08lx\\%s", static_cast<unsigned long>(translation), name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), subBlock, &value, &length)) {
        return false;
    }
    text = static_cast<LPSTR>(value);
    return true;
}

bool ProjectRCVersion::GetProductName(LPSTR& text) { return GetItem("ProductName", text); }
bool ProjectRCVersion::GetProductVersion(LPSTR& text) { return GetItem("ProductVersion", text); }
bool ProjectRCVersion::GetLegalCopyright(LPSTR& text) { return GetItem("LegalCopyright", text); }
