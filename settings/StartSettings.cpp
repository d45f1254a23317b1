// The "Setup" settings of the General page, their Load and Save, and the start-with-the-session entry.
#include "settings/StartSettings.h"

#include <string>

#include "platform/kernel/Files.h"
#include "settings/SettingsRules.h"

using namespace settings;

bool OnTop = false;
bool TrayIcon = false;
bool ListenOnStart = false;
bool MinimizeOnStart = false;

namespace {
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool LoadFlag(HKEY key, const char* iniPath, const char* name)
{
    return (iniPath && *iniPath ? IniGetInt("Setup", name, 0, iniPath) : RegGetByte(key, name, 0)) != 0;
}

void SaveFlag(HKEY key, const char* iniPath, const char* name, bool value)
{
    if (key) {
        RegSetByte(key, name, value);
    } else {
        IniSetInt("Setup", name, value, iniPath);
    }
}

// One command-line argument as the desktop's start entries read it.
std::string QuoteArgument(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"'\\$`") == std::string::npos) {
        return arg;
    }
    std::string out = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}
}

void LoadStartSettings(HKEY key, const char* iniPath)
{
    OnTop = LoadFlag(key, iniPath, "OnTop");
    TrayIcon = LoadFlag(key, iniPath, "TrayIcon");
    ListenOnStart = LoadFlag(key, iniPath, "ListenOnStart");
    MinimizeOnStart = LoadFlag(key, iniPath, "MinimizeOnStart");
}

void SaveStartSettings(HKEY key, const char* iniPath)
{
    SaveFlag(key, iniPath, "ListenOnStart", ListenOnStart);
    SaveFlag(key, iniPath, "MinimizeOnStart", MinimizeOnStart);
    SaveFlag(key, iniPath, "TrayIcon", TrayIcon);
    SaveFlag(key, iniPath, "OnTop", OnTop);
}

void AddAutoStart()
{
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, sizeof module);
    std::string command = QuoteArgument(module);
    if (MinimizeOnStart) {
        command += " -m";
    }
    const auto* data = reinterpret_cast<const BYTE*>(command.c_str());
    const DWORD size = static_cast<DWORD>(command.size() + 1);
    HKEY key = nullptr;
    bool done = false;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        done = RegSetValueExA(key, "Tapvox", 0, REG_SZ, data, size) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    if (!done && RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Tapvox", 0, REG_SZ, data, size);
        RegCloseKey(key);
    }
}

void RemoveAutoStart()
{
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, kRunKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "Tapvox");
            RegCloseKey(key);
        }
    }
}
