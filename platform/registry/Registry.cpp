// Key handles on snapshots; changes go out at flush or close, and a failed save waits for the next one.
#include "platform/registry/Registry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/core/Strings.h"
#include "platform/registry/RegistryText.h"
#include "platform/registry/StoreFiles.h"

using namespace platform::registry;

namespace {
constexpr std::uintptr_t kCurrentUser = 0x80000001u;
constexpr std::uintptr_t kLocalMachine = 0x80000002u;
constexpr std::string_view kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

enum class Root { CurrentUser, LocalMachine };

struct PendingOp {
    bool remove = false;
    std::string name;
    DWORD type = 0;
    std::vector<std::uint8_t> data;
};
}

struct HKEY__ {
    Root root = Root::CurrentUser;
    std::string path;
    REGSAM access = 0;
    bool autostart = false;  // the Run key: values are autostart entries
    StoredKey snapshot;      // the key as loaded, with this handle's own changes applied
    std::vector<PendingOp> pending;
    bool createOnCommit = false;
    std::int64_t storeBytes = 0;  // text size of the store as loaded, unsaved changes included
    std::int64_t growth = 0;      // what the pending changes add to it
};

namespace {
// Changes whose save failed (lock held too long, disk full): they stay with
// the process, are seen by its reads and go out with its next save.
struct Unsaved {
    std::string path;
    std::vector<PendingOp> ops;
    std::int64_t growth = 0;
};

std::mutex gMutex;
std::set<HKEY> gHandles;
std::vector<Unsaved> gUnsaved;

void Apply(StoreData& data, const std::string& path, const std::vector<PendingOp>& ops)
{
    StoredKey& stored = data.AddKey(path);
    for (const auto& op : ops) {
        if (op.remove) {
            RemoveValue(stored, op.name);
        } else {
            SetValue(stored, op.name, op.type, op.data.data(), op.data.size());
        }
    }
}

bool IsRoot(HKEY key, Root* root)
{
    const auto v = reinterpret_cast<std::uintptr_t>(key);
    if (v == kCurrentUser) {
        *root = Root::CurrentUser;
        return true;
    }
    if (v == kLocalMachine) {
        *root = Root::LocalMachine;
        return true;
    }
    return false;
}

bool WantsWrite(REGSAM access)
{
    return (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK)) != 0;
}

// Joins a parent path and a sub-key; empty parts and doubled separators vanish.
std::string JoinKeyPath(const std::string& parent, const char* subKey)
{
    std::string out = parent;
    std::string part;
    auto flush = [&] {
        if (!part.empty()) {
            if (!out.empty()) {
                out += '\\';
            }
            out += part;
            part.clear();
        }
    };
    for (const char* p = subKey ? subKey : ""; *p; ++p) {
        if (*p == '\\') {
            flush();
        } else {
            part += *p;
        }
    }
    flush();
    return out;
}

LSTATUS OpenKey(HKEY parent, LPCSTR subKey, REGSAM access, bool create, PHKEY result, LPDWORD disposition)
{
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    Root root;
    std::string base;
    {
        std::lock_guard lock(gMutex);
        if (!IsRoot(parent, &root)) {
            if (!gHandles.count(parent)) {
                return ERROR_INVALID_HANDLE;
            }
            root = parent->root;
            base = parent->path;
        }
    }
    const std::string path = JoinKeyPath(base, subKey);
    if (!IsValidKeyPath(path)) {
        return ERROR_INVALID_PARAMETER;
    }
    // The machine-wide store is not ours to change, and holds nothing.
    if (root == Root::LocalMachine) {
        return WantsWrite(access) || create ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    }
    auto handle = std::make_unique<HKEY__>();
    handle->root = root;
    handle->path = path;
    handle->access = access;
    if (EqualsNoCase(path, kRunKey)) {
        handle->autostart = true;
        if ((WantsWrite(access) || create) && !EnsureAutostartFolder()) {
            return ERROR_ACCESS_DENIED;
        }
        if (disposition) {
            *disposition = REG_OPENED_EXISTING_KEY;
        }
    } else {
        if ((WantsWrite(access) || create) && !EnsureStoreWritable()) {
            return ERROR_ACCESS_DENIED;
        }
        StoreData data;
        std::size_t bytes = 0;
        if (LoadStore(data, &bytes) != StoreStatus::Ok) {
            return ERROR_ACCESS_DENIED;
        }
        handle->storeBytes = static_cast<std::int64_t>(bytes ? bytes : FormatStore(StoreData{}).size());
        {
            std::lock_guard lock(gMutex);
            for (const auto& u : gUnsaved) {
                Apply(data, u.path, u.ops);
                handle->storeBytes += u.growth;
            }
        }
        if (StoredKey* found = data.FindKey(path)) {
            handle->snapshot = *found;
            if (disposition) {
                *disposition = REG_OPENED_EXISTING_KEY;
            }
        } else if (path.empty()) {
            if (disposition) {
                *disposition = REG_OPENED_EXISTING_KEY;
            }
        } else if (!create) {
            return ERROR_FILE_NOT_FOUND;
        } else {
            handle->snapshot.path = path;
            handle->createOnCommit = true;
            handle->growth = static_cast<std::int64_t>(KeyTextSize(path));
            if (disposition) {
                *disposition = REG_CREATED_NEW_KEY;
            }
        }
    }
    std::lock_guard lock(gMutex);
    *result = handle.release();
    gHandles.insert(*result);
    return ERROR_SUCCESS;
}

// Runs fn on the handle behind key; a root key is opened for the call only.
template <typename Fn>
LSTATUS WithHandle(HKEY key, REGSAM access, Fn fn)
{
    Root root;
    if (IsRoot(key, &root)) {
        HKEY temp = nullptr;
        LSTATUS rc = RegOpenKeyExA(key, "", 0, access, &temp);
        if (rc != ERROR_SUCCESS) {
            return rc;
        }
        rc = fn(temp);
        const LSTATUS closeRc = RegCloseKey(temp);
        return rc != ERROR_SUCCESS ? rc : closeRc;
    }
    {
        std::lock_guard lock(gMutex);
        if (!gHandles.count(key)) {
            return ERROR_INVALID_HANDLE;
        }
    }
    return fn(key);
}

LSTATUS Commit(HKEY key)
{
    if (key->autostart) {
        return ERROR_SUCCESS;
    }
    // Earlier failed saves go out first, so newer values win; a handle that
    // cannot write leaves them for one that can.
    std::vector<Unsaved> earlier;
    if (WantsWrite(key->access)) {
        std::lock_guard lock(gMutex);
        earlier.swap(gUnsaved);
    }
    const bool own = !key->pending.empty() || key->createOnCommit;
    if (!own && earlier.empty()) {
        return ERROR_SUCCESS;
    }
    const StoreStatus status = UpdateStore([&](StoreData& data) {
        for (const auto& u : earlier) {
            Apply(data, u.path, u.ops);
        }
        if (own) {
            Apply(data, key->path, key->pending);
        }
    });
    Unsaved mine{key->path, std::move(key->pending), key->growth};
    key->pending.clear();
    key->createOnCommit = false;
    key->growth = 0;
    switch (status) {
    case StoreStatus::Ok:
        return ERROR_SUCCESS;
    case StoreStatus::TooLarge:
        // Refused for good, earlier unsaved values with it: retried, they
        // would fail every later save too. The store stays readable.
        return ERROR_NOT_ENOUGH_QUOTA;
    default:
        break;
    }
    if (own) {
        earlier.push_back(std::move(mine));
    }
    {
        std::lock_guard lock(gMutex);
        for (auto& u : gUnsaved) {
            earlier.push_back(std::move(u));
        }
        gUnsaved = std::move(earlier);
    }
    return status == StoreStatus::Locked ? ERROR_LOCK_VIOLATION
         : status == StoreStatus::Refused ? ERROR_ACCESS_DENIED
                                          : ERROR_WRITE_FAULT;
}
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access, void*, PHKEY result,
                        LPDWORD disposition)
{
    return OpenKey(key, subKey, access, true, result, disposition);
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    return OpenKey(key, subKey, access, false, result, nullptr);
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size)
{
    return WithHandle(key, KEY_READ, [&](HKEY h) -> LSTATUS {
        if (data && !size) {
            return ERROR_INVALID_PARAMETER;
        }
        const std::string valueName = name ? name : "";
        std::vector<std::uint8_t> found;
        DWORD foundType = 0;
        if (h->autostart) {
            std::string command;
            if (!ReadAutostartEntry(valueName, command)) {
                return ERROR_FILE_NOT_FOUND;
            }
            found.assign(command.begin(), command.end());
            found.push_back(0);
            foundType = REG_SZ;
        } else {
            StoredValue* v = FindValue(h->snapshot, valueName);
            if (!v) {
                return ERROR_FILE_NOT_FOUND;
            }
            found = v->data;
            foundType = v->type;
        }
        if (type) {
            *type = foundType;
        }
        if (!size) {
            return ERROR_SUCCESS;
        }
        const DWORD capacity = *size;
        *size = static_cast<DWORD>(found.size());
        if (!data) {
            return ERROR_SUCCESS;
        }
        if (found.size() > capacity) {
            return ERROR_MORE_DATA;
        }
        if (!found.empty()) {
            std::memcpy(data, found.data(), found.size());
        }
        return ERROR_SUCCESS;
    });
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    return WithHandle(key, KEY_WRITE, [&](HKEY h) -> LSTATUS {
        if (!(h->access & KEY_SET_VALUE)) {
            return ERROR_ACCESS_DENIED;
        }
        if ((size && !data) || size > kMaxValueBytes) {
            return ERROR_INVALID_PARAMETER;
        }
        const std::string valueName = name ? name : "";
        if (h->autostart) {
            if (type != REG_SZ) {
                return ERROR_INVALID_PARAMETER;
            }
            std::string command(reinterpret_cast<const char*>(data), size);
            command = command.substr(0, command.find('\0'));
            return WriteAutostartEntry(valueName, command) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
        }
        StoredValue value{valueName, type, std::vector<std::uint8_t>(data, data + size)};
        const StoredValue* old = FindValue(h->snapshot, valueName);
        const std::int64_t change = static_cast<std::int64_t>(ValueTextSize(value)) -
                                    static_cast<std::int64_t>(old ? ValueTextSize(*old) : 0);
        if (change > 0 && h->storeBytes + h->growth + change > static_cast<std::int64_t>(kMaxStoreBytes)) {
            return ERROR_NOT_ENOUGH_QUOTA;
        }
        h->growth += change;
        SetValue(h->snapshot, valueName, type, data, size);
        h->pending.push_back(PendingOp{false, valueName, type, std::move(value.data)});
        return ERROR_SUCCESS;
    });
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR name)
{
    return WithHandle(key, KEY_WRITE, [&](HKEY h) -> LSTATUS {
        if (!(h->access & KEY_SET_VALUE)) {
            return ERROR_ACCESS_DENIED;
        }
        const std::string valueName = name ? name : "";
        if (h->autostart) {
            return RemoveAutostartEntry(valueName) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        }
        const StoredValue* old = FindValue(h->snapshot, valueName);
        if (!old) {
            return ERROR_FILE_NOT_FOUND;
        }
        h->growth -= static_cast<std::int64_t>(ValueTextSize(*old));
        RemoveValue(h->snapshot, valueName);
        h->pending.push_back(PendingOp{true, valueName, 0, {}});
        return ERROR_SUCCESS;
    });
}

LSTATUS RegFlushKey(HKEY key)
{
    Root root;
    if (IsRoot(key, &root)) {
        return ERROR_SUCCESS;
    }
    {
        std::lock_guard lock(gMutex);
        if (!gHandles.count(key)) {
            return ERROR_INVALID_HANDLE;
        }
    }
    return Commit(key);
}

LSTATUS RegCloseKey(HKEY key)
{
    Root root;
    if (IsRoot(key, &root)) {
        return ERROR_SUCCESS;
    }
    {
        std::lock_guard lock(gMutex);
        if (!gHandles.erase(key)) {
            return ERROR_INVALID_HANDLE;
        }
    }
    std::unique_ptr<HKEY__> owned(key);
    return Commit(key);
}
