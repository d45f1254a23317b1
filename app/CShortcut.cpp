// Shortcuts as desktop entries.
#include "app/CShortcut.h"

#include <string>
#include <unistd.h>

#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"
#include "platform/shell/DesktopEntry.h"

#ifndef S_FALSE
#define S_FALSE (static_cast<HRESULT>(1))
#endif

namespace {
// Reading and deleting make no folder: looking for a shortcut leaves no trace.
bool Folder(int folderId, char* out, bool create)
{
    if (!out) {
        return false;
    }
    const int id = folderId == kQuickLaunchFolder ? CSIDL_PROGRAMS : folderId;
    if (SHGetFolderPathAndSubDirA(nullptr, create ? id | CSIDL_FLAG_CREATE : id, nullptr, 0, nullptr, out) != S_OK) {
        out[0] = '\0';
        return false;
    }
    const std::string path = std::string(out) + "/";
    if (path.size() >= MAX_PATH) {
        out[0] = '\0';
        return false;
    }
    platform::CopyBounded(out, MAX_PATH, path);
    return true;
}

std::string EntryPath(const char* name, int folderId, bool create)
{
    char folder[MAX_PATH] = "";
    if (!Folder(folderId, folder, create)) {
        return {};
    }
    return std::string(folder) + (name ? name : "") + ".desktop";
}
}

bool CShortcut::FolderPath(int folderId, char* out) { return Folder(folderId, out, true); }

bool CShortcut::Create(const char* target, const char* name, int folderId, const char* description,
                       const char* iconPath, int)
{
    const std::string path = EntryPath(name, folderId, true);
    if (path.empty() || !target) {
        return false;
    }
    platform::DesktopEntry entry;
    entry.name = name && *name ? name : "Tapvox";
    if (EqualsNoCase(target, "_this")) {
        char module[MAX_PATH] = "";
        if (GetModuleFileNameA(nullptr, module, sizeof module) == 0) {
            return false;
        }
        entry.target = module;
    } else {
        entry.target = target;
    }
    entry.description = description ? description : "";
    entry.icon = iconPath ? iconPath : "";
    return platform::WriteDesktopEntry(path, entry);
}

bool CShortcut::Delete(const char* name, int folderId)
{
    if (!name) {
        return false;
    }
    const std::string path = EntryPath(name, folderId, false);
    return !path.empty() && unlink(path.c_str()) == 0;
}

HRESULT CShortcut::ReadTarget(const char* name, int folderId, HWND, char* outPath, char* outDescription)
{
    const std::string path = EntryPath(name, folderId, false);
    if (path.empty()) {
        return S_FALSE;
    }
    platform::DesktopEntry entry;
    if (!outPath || !outDescription || !platform::ReadDesktopEntry(path, &entry) || entry.target.size() >= MAX_PATH) {
        return E_FAIL;
    }
    platform::CopyBounded(outPath, MAX_PATH, entry.target);
    platform::CopyBounded(outDescription, MAX_PATH, entry.description);
    char full[MAX_PATH] = "";
    const DWORD length = FullPath(outPath, full);
    if (length > 0 && length < MAX_PATH && std::string(outPath).size() < length) {
        platform::CopyBounded(outPath, MAX_PATH, full);
    }
    return S_OK;
}

DWORD CShortcut::FullPath(const char* file, char* out)
{
    if (!file || !*file || !out) {
        return 0;
    }
    const DWORD n = GetFullPathNameA(file, MAX_PATH, out, nullptr);
    return n < MAX_PATH ? n : 0;
}
