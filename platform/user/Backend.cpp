// The installed backend, and the one place where the backend hears of a window's change.
#include "platform/user/Backend.h"

#include <atomic>

#include "platform/user/Headless.h"
#include "platform/user/WindowRecord.h"

namespace {
// Read by posting threads (Wake): installed before they start, but kept atomic all the same.
constinit std::atomic<platform::Backend*> g_backend{nullptr};
}

namespace platform {
Backend* InstallBackend(Backend* backend)
{
    Backend* old = &CurrentBackend();
    g_backend.store(backend, std::memory_order_release);
    return old;
}

Backend& CurrentBackend()
{
    Backend* b = g_backend.load(std::memory_order_acquire);
    return b ? *b : headless::DefaultBackend();
}

namespace user_detail {
void NotifyChanged(const WindowRecord& record, WindowChange what)
{
    if (record.handle) {
        CurrentBackend().WindowChanged(record.handle, record.state, what);
    }
}
}
}
