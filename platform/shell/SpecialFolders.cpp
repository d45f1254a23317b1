// An XDG variable counts only when it holds an absolute path; otherwise the folder is found under the home folder.
#include "platform/shell/SpecialFolders.h"

#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>

#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/PrivateFolder.h"
#include "platform/kernel/SafeOpen.h"

namespace {
std::string Home()
{
    const char* home = std::getenv("HOME");
    if (home && *home) {
        return home;
    }
    const passwd* pw = getpwuid(getuid());
    return pw ? pw->pw_dir : "/";
}

std::string XdgFolder(const char* variable, const char* fallback)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') {
        return value;
    }
    return Home() + "/" + fallback;
}

// XDG_DESKTOP_DIR of user-dirs.dirs ("$HOME/Desktop" or an absolute path), else ~/Desktop.
std::string DesktopFolder()
{
    std::FILE* f = platform::StreamFromDescriptor(
        platform::OpenRegularForRead(XdgFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs"), "r");
    std::string found;
    if (f) {
        char line[1024];
        while (std::fgets(line, sizeof line, f)) {
            std::string text = line;
            const std::string key = "XDG_DESKTOP_DIR=\"";
            if (text.compare(0, key.size(), key) != 0) {
                continue;
            }
            const std::size_t end = text.find('"', key.size());
            if (end == std::string::npos) {
                continue;
            }
            std::string value = text.substr(key.size(), end - key.size());
            if (value.compare(0, 5, "$HOME") == 0) {
                value = Home() + value.substr(5);
            }
            if (!value.empty() && value[0] == '/') {
                found = value;
            }
        }
        std::fclose(f);
    }
    return found.empty() ? Home() + "/Desktop" : found;
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
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
        result = DesktopFolder();
        break;
    case CSIDL_PROGRAMS:
    case CSIDL_STARTMENU:
        result = XdgFolder("XDG_DATA_HOME", ".local/share") + "/applications";
        break;
    case CSIDL_STARTUP:
        result = XdgFolder("XDG_CONFIG_HOME", ".config") + "/autostart";
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
