#pragma once
// The registry functions the program calls, on a per-user file store under
// $XDG_CONFIG_HOME/tapvox. Values written through a key become visible to other
// processes when the key is closed (or flushed): the store file is rewritten
// whole and atomically then, so a crash in the middle of a save keeps the
// previous file intact. The key "...\CurrentVersion\Run" of the current user
// is the desktop's autostart folder, one .desktop entry per value.
#include <string>

#include "platform/core/Types.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;
using LPDWORD = DWORD*;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_WRITE_FAULT = 29;
constexpr LSTATUS ERROR_LOCK_VIOLATION = 33;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_NOT_ENOUGH_QUOTA = 1816;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Creates the key when missing (a write access is needed to create it).
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                        void* security, PHKEY result, LPDWORD disposition);
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
// A missing value gives ERROR_FILE_NOT_FOUND; a value larger than *size gives
// ERROR_MORE_DATA with the needed size in *size and nothing copied. The stored
// type is reported but not checked against what the caller expects.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
// ERROR_NOT_ENOUGH_QUOTA when the store would grow past the size it can read back.
LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR name);
// Writes the key's pending changes to the store now. When the store cannot be
// written (ERROR_LOCK_VIOLATION after another writer held it too long,
// ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT) the changes stay with the process
// and go out with its next write; ERROR_NOT_ENOUGH_QUOTA refuses them for good.
LSTATUS RegFlushKey(HKEY key);
// Writes the key's pending changes as RegFlushKey does and releases the handle.
LSTATUS RegCloseKey(HKEY key);

namespace platform::registry {
// $XDG_CONFIG_HOME/tapvox/user.reg (the folder defaults to ~/.config).
std::string StorePath();
// Why the store cannot be read (with forWriting: rewritten), in words for a
// message naming StorePath ("it is a FIFO"); empty when it can. A store that
// does not exist yet can be read: it is empty.
std::string StoreProblem(bool forWriting);
}
