// An XDG variable counts only when it holds an absolute path; otherwise the folder is found under the home folder.
#include "platform/shell/SpecialFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>

#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/PrivateFolder.h"

namespace {
std::string XdgFolder(const char* variable, const char* fallback)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "/";
    }
    return std::string(home) + "/" + fallback;
}
}

HRESULT SHGetFolderPathAndSubDirA(HWND, int folder, HANDLE, DWORD, LPCSTR subFolder, LPSTR path)
{
    if (!path) {
        return E_INVALIDARG;
    }
    path[0] = '\0';
    std::string result;
    switch (folder & 0xFF) {
    case CSIDL_COMMON_APPDATA:
        result = XdgFolder("XDG_DATA_HOME", ".local/share");
        break;
    case CSIDL_APPDATA:
        result = XdgFolder("XDG_CONFIG_HOME", ".config");
        break;
    default:
        return E_INVALIDARG;
    }
    if (subFolder && *subFolder) {
        result += "/";
        result += platform::ToSlashes(subFolder);
    }
    if (result.size() >= static_cast<std::size_t>(MAX_PATH)) {
        return E_FAIL;
    }
    if ((folder & CSIDL_FLAG_CREATE) && !platform::MakeFolderPath(result)) {
        return E_FAIL;
    }
    platform::CopyBounded(path, MAX_PATH, result);
    return S_OK;
}
