// SettingsStore: typed reads and writes of one settings section in a registry key or an INI file.
#include "settings/SettingsStore.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/core/Strings.h"
#include "platform/profile/Profile.h"
#include "settings/SettingsRules.h"

SettingsStore::SettingsStore(HKEY key, const char* iniPath, const char* section)
    : iniPath_(iniPath), key_(key), section_(section)
{
}

bool SettingsStore::GetString(const char* key, char* out, const char* def)
{
    if (!out || !key || !*key) {
        return false;
    }
    if (key_) {
        char buf[settings::kTextSize];
        if (settings::RegGetText(key_, key, buf, sizeof buf, nullptr)) {
            std::memcpy(out, buf, std::strlen(buf) + 1);
            return true;
        }
        if (def) {
            platform::CopyBounded(out, settings::kTextSize, def);
            return true;
        }
        return false;
    }
    if (HasIni()) {
        return GetPrivateProfileStringA(section_, key, def ? def : "", out, settings::kTextSize, iniPath_) != 0;
    }
    return false;
}

bool SettingsStore::GetStdString(const char* key, std::string& out, const char* def)
{
    char buf[settings::kTextSize] = {};
    const bool ok = GetString(key, buf, def);
    if (ok) {
        out = buf;
    }
    return ok;
}

int SettingsStore::GetInt(const char* key, int def)
{
    char text[settings::kTextSize];
    const std::string defText = std::to_string(def);
    if (!GetString(key, text, defText.c_str())) {
        return def;
    }
    return settings::DecimalOr(text, INT32_MIN, INT32_MAX, def);
}

bool SettingsStore::SetString(const char* key, const char* text)
{
    if (!key || !*key || !text) {
        return false;
    }
    bool ok = false;
    if (key_) {
        ok = settings::RegSetText(key_, key, text);
    }
    if (HasIni()) {
        ok = (WritePrivateProfileStringA(section_, key, text, iniPath_) != FALSE) || ok;
    }
    return ok;
}

bool SettingsStore::SetInt(const char* key, int value) { return SetString(key, std::to_string(value).c_str()); }

bool SettingsStore::SetFormatted(const char* key, const char* format, ...)
{
    char buf[360];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return SetString(key, buf);
}

bool SettingsStore::GetBinary(const char* key, void* buffer, DWORD size, const void* def)
{
    if (!key || !*key || !buffer) {
        return false;
    }
    if (key_) {
        DWORD got = size;
        if (RegQueryValueExA(key_, key, nullptr, nullptr, static_cast<BYTE*>(buffer), &got) == ERROR_SUCCESS) {
            return true;
        }
        if (def) {
            std::memcpy(buffer, def, size);
            return true;
        }
        return false;
    }
    if (HasIni()) {
        if (def) {
            std::memcpy(buffer, def, size);
        }
        return GetPrivateProfileStructA(section_, key, buffer, size, iniPath_) != FALSE;
    }
    return false;
}

bool SettingsStore::SetBinary(const char* key, const void* data, DWORD size)
{
    if (!key || !*key || (!data && size)) {
        return false;
    }
    bool ok = false;
    if (key_) {
        ok = RegSetValueExA(key_, key, 0, REG_BINARY, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    }
    if (HasIni()) {
        ok = (WritePrivateProfileStructA(section_, key, const_cast<void*>(data), size, iniPath_) != FALSE) || ok;
    }
    return ok;
}
