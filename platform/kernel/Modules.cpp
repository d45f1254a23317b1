// The library table: names ignore case, folder and ".dll", and the kernel's own lookups are there from the start.
#include "platform/kernel/Modules.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"

namespace {
struct Library {
    std::map<std::string, FARPROC> functions;
    int refs = 0;
};

// "KERNEL32.dll" and "kernel32" name the same library.
std::string Key(const char* name)
{
    std::string key(platform::FileNamePart(name ? name : ""));
    for (auto& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (key.size() > 4 && key.compare(key.size() - 4, 4, ".dll") == 0) {
        key.resize(key.size() - 4);
    }
    return key;
}

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<Library>> libraries;
    Registry()
    {
        // The kernel functions the program looks up at run time.
        Add("kernel32", "GetFullPathNameA", reinterpret_cast<FARPROC>(&GetFullPathNameA));
        Add("kernel32", "GetDiskFreeSpaceExA", reinterpret_cast<FARPROC>(&GetDiskFreeSpaceExA));
    }
    void Add(const std::string& lib, const std::string& name, FARPROC fn)
    {
        auto& entry = libraries[lib];
        if (!entry) {
            entry = std::make_unique<Library>();
        }
        entry->functions[name] = fn;
    }
};

Registry& Libraries()
{
    static Registry registry;
    return registry;
}
}

namespace platform {
void RegisterLibraryFunction(const char* library, const char* name, FARPROC function)
{
    if (!library || !name) {
        return;
    }
    std::lock_guard lock(Libraries().mutex);
    Libraries().Add(Key(library), name, function);
}
}

HMODULE LoadLibraryA(LPCSTR libFileName)
{
    if (!libFileName || !*libFileName) {
        return nullptr;
    }
    std::lock_guard lock(Libraries().mutex);
    auto it = Libraries().libraries.find(Key(libFileName));
    if (it == Libraries().libraries.end()) {
        return nullptr;
    }
    ++it->second->refs;
    return reinterpret_cast<HMODULE>(it->second.get());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    if (!module || !procName) {
        return nullptr;
    }
    std::lock_guard lock(Libraries().mutex);
    for (auto& [key, lib] : Libraries().libraries) {
        if (reinterpret_cast<HMODULE>(lib.get()) == module) {
            auto fn = lib->functions.find(procName);
            return fn == lib->functions.end() ? nullptr : fn->second;
        }
    }
    return nullptr;
}

BOOL FreeLibrary(HMODULE module)
{
    std::lock_guard lock(Libraries().mutex);
    for (auto& [key, lib] : Libraries().libraries) {
        if (reinterpret_cast<HMODULE>(lib.get()) == module && lib->refs > 0) {
            --lib->refs;
            return TRUE;
        }
    }
    return FALSE;
}
