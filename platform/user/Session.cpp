// SIGTERM and SIGHUP, taken by a thread of their own with sigwait, so nothing
// runs in a signal handler: the thread only posts a message.
#include "platform/user/Session.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace platform {
namespace {
sigset_t SessionSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

std::atomic<HWND> g_target{nullptr};
std::atomic<bool> g_started{false};
}

void HoldSessionSignals()
{
    const sigset_t set = SessionSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void DeliverSessionEnd(HWND window)
{
    g_target.store(window);
    if (g_started.exchange(true)) {
        return;
    }
    std::thread([] {
        const sigset_t set = SessionSignals();
        bool asked = false;
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0 || asked) {
                continue;
            }
            asked = true;
            PostMessage(g_target.load(), WM_ENDSESSION, TRUE, 0);
        }
    }).detach();
}
}
