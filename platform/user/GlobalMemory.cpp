// Blocks known through a checked set of handles, so a stale or foreign handle fails instead of touching memory.
#include "platform/user/GlobalMemory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <set>

namespace {
struct Block {
    void* data = nullptr;
    SIZE_T size = 0;
    int locks = 0;
};

// Handles are checked, so a stale or foreign handle fails instead of corrupting memory.
std::mutex g_mutex;
std::set<Block*>& Blocks()
{
    static std::set<Block*> blocks;
    return blocks;
}

Block* Find(HGLOBAL h)
{
    Block* b = static_cast<Block*>(h);
    return Blocks().count(b) ? b : nullptr;
}
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    void* data = std::malloc(bytes ? bytes : 1);
    if (!data) {
        return nullptr;
    }
    if (flags & GMEM_ZEROINIT) {
        std::memset(data, 0, bytes);
    }
    auto* b = new (std::nothrow) Block{data, bytes, 0};
    if (!b) {
        std::free(data);
        return nullptr;
    }
    std::lock_guard lock(g_mutex);
    Blocks().insert(b);
    return b;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags)
{
    std::lock_guard lock(g_mutex);
    Block* b = Find(block);
    if (!b || b->locks > 0) {
        return nullptr;
    }
    void* data = std::realloc(b->data, bytes ? bytes : 1);
    if (!data) {
        return nullptr;
    }
    if ((flags & GMEM_ZEROINIT) && bytes > b->size) {
        std::memset(static_cast<char*>(data) + b->size, 0, bytes - b->size);
    }
    b->data = data;
    b->size = bytes;
    return b;
}

LPVOID GlobalLock(HGLOBAL block)
{
    std::lock_guard lock(g_mutex);
    Block* b = Find(block);
    if (!b) {
        return nullptr;
    }
    ++b->locks;
    return b->data;
}

BOOL GlobalUnlock(HGLOBAL block)
{
    std::lock_guard lock(g_mutex);
    Block* b = Find(block);
    if (!b || b->locks == 0) {
        return FALSE;
    }
    return --b->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    std::lock_guard lock(g_mutex);
    Block* b = Find(block);
    if (!b) {
        return block;
    }
    Blocks().erase(b);
    std::free(b->data);
    delete b;
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL block)
{
    std::lock_guard lock(g_mutex);
    Block* b = Find(block);
    return b ? b->size : 0;
}
