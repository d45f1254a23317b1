// The "File" settings (size limit, automatic names, recording folder) and their Load and Save, with the folder fallbacks.
#include "settings/FileSettings.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"
#include "platform/shell/SpecialFolders.h"
#include "settings/SettingsRules.h"

using namespace settings;

int FileSize = 20;
int FileAction = 0;
int LHMode = 0;
bool AutoName = false;
bool AutoPrompt = false;
char DefaultDirectory[260] = "";
char ImprovedFilePrefix[260] = "rec";
int FileLimitKind = 0;
int FileMinutes = 0;

namespace {
constexpr const char* kSection = "File";

int CheckedAction(int action) { return action >= 0 && action <= 3 ? action : 0; }

// A folder counts when it can be made current and a scratch file written in it.
bool UsableFolder(const std::string& folder)
{
    if (folder.empty() || !SetCurrentDirectoryA(folder.c_str())) {
        return false;
    }
    char scratch[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "tvx", 0, scratch) == 0) {
        return false;
    }
    bool written = false;
    if (FILE* f = std::fopen(scratch, "wb")) {
        written = std::fputc('x', f) != EOF;
        written = std::fclose(f) == 0 && written;
    }
    DeleteFileA(scratch);
    return written;
}

std::string TempFolder()
{
    char temp[MAX_PATH] = "";
    return GetTempPathA(sizeof temp, temp) ? temp : "";
}

void MakeCurrent(char* folder)
{
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(folder, sizeof full, full, nullptr);
    if (n > 0 && n < sizeof full) {
        platform::CopyBounded(folder, 260, full);
    }
    SetCurrentDirectoryA(folder);
}

// No stored folder: the program's data folder, else the temp folder. Never the
// program's own folder: recordings do not belong beside the program.
void StoreFallback(char* folder)
{
    char data[MAX_PATH];
    std::string candidate;
    if (SHGetFolderPathAndSubDirA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, "Tapvox", data) == S_OK) {
        candidate = std::string(data) + "/";
    }
    if (!UsableFolder(candidate)) {
        candidate = TempFolder();
    }
    platform::CopyBounded(folder, 260, candidate);
}

// INI mode, no stored folder: as in registry mode, made current.
void IniFallback(char* folder)
{
    StoreFallback(folder);
    if (*folder) {
        SetCurrentDirectoryA(folder);
        return;
    }
    char name[MAX_PATH];
    if (GetTempFileNameA(".", "REC", 0, name)) {
        DeleteFileA(name);  // only its folder was wanted
        char full[MAX_PATH];
        if (GetFullPathNameA(name, sizeof full, full, nullptr)) {
            platform::CopyBounded(folder, 260, platform::FolderPart(full));
            const std::size_t n = std::strlen(folder);
            if (n > 1 && (folder[n - 1] == '/' || folder[n - 1] == '\\')) {
                folder[n - 1] = '\0';
            }
        }
    }
}
}

void LoadFileSettings(HKEY key, const char* iniPath)
{
    FileLimitKind = 0;
    if (iniPath && *iniPath) {
        char size[10];
        IniGetText(kSection, "FileSize", "20", size, sizeof size, iniPath);
        FileSize = DecimalOr(size, 0, INT32_MAX, 20);
        FileAction = CheckedAction(IniGetInt(kSection, "FileAction", 0, iniPath));
        LHMode = IniGetInt(kSection, "LHMode", 0, iniPath);
        if (LHMode < 0 || LHMode > 256) {
            LHMode = 0;
        }
        const int autoName = IniGetInt(kSection, "AutoName", 0, iniPath);
        AutoName = autoName >= 0 && autoName <= 10 && autoName != 0;
        const int autoPrompt = IniGetInt(kSection, "AutoPrompt", 0, iniPath);
        AutoPrompt = autoPrompt >= 0 && autoPrompt <= 10 && autoPrompt != 0;
        IniGetText(kSection, "DefaultDirectory", "", DefaultDirectory, sizeof DefaultDirectory, iniPath);
        IniGetText(kSection, "ImprovedFilePrefix", "rec", ImprovedFilePrefix, sizeof ImprovedFilePrefix, iniPath);
        if (!*DefaultDirectory) {
            IniFallback(DefaultDirectory);
        }
        return;
    }
    char size[20];
    RegGetText(key, "FileSize", size, sizeof size, "20");
    FileSize = DecimalOr(size, 0, INT32_MAX, 20);
    FileAction = CheckedAction(RegGetByte(key, "FileAction", 0));
    LHMode = RegGetWide(key, "LHMode", 0);
    AutoName = RegGetByte(key, "AutoName", 0) != 0;
    AutoPrompt = RegGetByte(key, "AutoPrompt", 0) != 0;
    if (!RegGetText(key, "DefaultDirectory", DefaultDirectory, sizeof DefaultDirectory, nullptr)) {
        StoreFallback(DefaultDirectory);
    }
    if (*DefaultDirectory) {
        MakeCurrent(DefaultDirectory);
    }
    if (!RegGetText(key, "ImprovedFilePrefix", ImprovedFilePrefix, sizeof ImprovedFilePrefix, nullptr)) {
        RegGetText(key, "FilePrefix", ImprovedFilePrefix, sizeof ImprovedFilePrefix, "rec");
    }
}

void SaveFileSettings(HKEY key, const char* iniPath)
{
    if (key) {
        RegSetDecimal(key, "FileSize", FileSize);
        // Flag bits above the first byte would be lost in one byte.
        RegSetWide(key, "LHMode", LHMode);
        RegSetByte(key, "FileAction", FileAction);
        RegSetByte(key, "AutoName", AutoName);
        RegSetByte(key, "AutoPrompt", AutoPrompt);
        RegSetText(key, "ImprovedFilePrefix", ImprovedFilePrefix);
        RegSetText(key, "DefaultDirectory", DefaultDirectory);
        return;
    }
    IniSetInt(kSection, "FileSize", FileSize, iniPath);
    IniSetInt(kSection, "FileAction", FileAction, iniPath);
    IniSetInt(kSection, "LHMode", LHMode, iniPath);
    IniSetInt(kSection, "AutoName", AutoName, iniPath);
    IniSetInt(kSection, "AutoPrompt", AutoPrompt, iniPath);
    IniSetText(kSection, "DefaultDirectory", DefaultDirectory, iniPath);
    IniSetText(kSection, "ImprovedFilePrefix", ImprovedFilePrefix, iniPath);
}

