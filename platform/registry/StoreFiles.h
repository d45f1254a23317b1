#pragma once
// Internal to platform/registry: the files behind the registry functions: the store
// file of the current user and the autostart entries.
#include <functional>
#include <string>

#include "platform/registry/RegistryText.h"

namespace platform::registry {
// $XDG_CONFIG_HOME/tapvox/user.reg (the folder defaults to ~/.config).
std::string StorePath();
// Creates the store's folder and lock file when missing; false when the store cannot be written.
bool EnsureStoreWritable();
// The store as it is on disk; a damaged file is moved aside and an empty store results.
void LoadStore(StoreData& data);
// Locks the store against other writers, reloads it, applies change and rewrites it atomically.
bool UpdateStore(const std::function<void(StoreData&)>& change);

bool EnsureAutostartFolder();
bool ReadAutostartEntry(const std::string& name, std::string& command);
bool WriteAutostartEntry(const std::string& name, const std::string& command);
bool RemoveAutostartEntry(const std::string& name);
}
