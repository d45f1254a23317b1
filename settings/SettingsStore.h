#pragma once
// One settings section in one store: an open registry key or an INI file. The
// caller owns the key and the strings; the object only reads and writes.
#include <string>

#include "platform/registry/Registry.h"

class SettingsStore {
public:
    SettingsStore(HKEY key, const char* iniPath, const char* section);
    ~SettingsStore() = default;

    // Into out[260]. From the registry: the value, else the default (true when
    // either was copied). From the INI file: true when the text read (value or
    // default) is not empty. False for a null out, a null or empty key name, or no store.
    bool GetString(const char* key, char* out, const char* def);
    bool GetStdString(const char* key, std::string& out, const char* def);
    // The stored decimal number; def when it is missing, has no digits or lies
    // outside the 32-bit range.
    int GetInt(const char* key, int def);
    // REG_SZ with a key, and the INI file as well when a path is set; true when either write worked.
    bool SetString(const char* key, const char* text);
    bool SetInt(const char* key, int value);
    // printf-style text of at most 359 characters.
    bool SetFormatted(const char* key, const char* format, ...) __attribute__((format(printf, 3, 4)));
    bool GetBinary(const char* key, void* buffer, DWORD size, const void* def);
    bool SetBinary(const char* key, const void* data, DWORD size);

private:
    bool HasIni() const { return iniPath_ && *iniPath_; }

    const char* iniPath_;
    HKEY key_;
    const char* section_;
};
