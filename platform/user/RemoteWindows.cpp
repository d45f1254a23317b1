// The installed implementation of other processes' windows and the hook for windowless posted messages.
#include "platform/user/RemoteWindows.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<RemoteWindows*> g_remote{nullptr};
std::atomic<ThreadMessageHook> g_threadHook{nullptr};
}

void InstallRemoteWindows(RemoteWindows* remote) { g_remote.store(remote); }
RemoteWindows* CurrentRemoteWindows() { return g_remote.load(); }

void SetThreadMessageHook(ThreadMessageHook hook) { g_threadHook.store(hook); }

namespace user_detail {
void DispatchThreadMessage(const MSG& msg)
{
    if (ThreadMessageHook hook = g_threadHook.load(); hook && msg.message != WM_QUIT) {
        hook(msg);
    }
}
}
}
