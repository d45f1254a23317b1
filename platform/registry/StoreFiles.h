#pragma once
// Internal to platform/registry: the files behind the registry functions: the store
// file of the current user and the autostart entries.
#include <functional>
#include <string>

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryText.h"

namespace platform::registry {
// Creates the store's folder and lock file when missing; false when the store
// cannot be written, or its folder is not private to the user.
bool EnsureStoreWritable();

// The file that holds the store's text: user.reg itself, or, when user.reg is
// a link, the regular file of this user it leads to (followed through every
// link). problem says why the store cannot be read, or with forWriting
// rewritten, in words for the user ("it is a FIFO"); empty when it can.
struct StoreTarget {
    std::string path;
    bool linked = false;
    std::string problem;
};
StoreTarget FindStoreTarget(bool forWriting);

enum class StoreStatus {
    Ok,
    Refused,   // not a private folder; the store a FIFO, a folder, unreadable, a link to no file of the user's
    Locked,    // another writer held the lock too long
    TooLarge,  // the changed store would pass kMaxStoreBytes
    Failed,    // the rewrite failed (disk full ...)
};

// The store as it is on disk, and the size of its text; a damaged file is
// moved aside and an empty store results.
StoreStatus LoadStore(StoreData& data, std::size_t* bytes = nullptr);
// Locks the store against other writers, reloads it, applies change and
// rewrites it atomically. Nothing is written unless the result is Ok.
StoreStatus UpdateStore(const std::function<void(StoreData&)>& change);

bool EnsureAutostartFolder();
bool ReadAutostartEntry(const std::string& name, std::string& command);
bool WriteAutostartEntry(const std::string& name, const std::string& command);
bool RemoveAutostartEntry(const std::string& name);
}
