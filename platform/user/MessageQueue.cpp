#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/kernel/Clock.h"
#include "platform/user/Messages.h"

namespace {
struct Queue {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<MSG> messages;
};

Queue& TheQueue()
{
    static Queue queue;
    return queue;
}

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi)
{
    if (hwnd && m.hwnd != hwnd) {
        return false;
    }
    if ((lo != 0 || hi != 0) && (m.message < lo || m.message > hi)) {
        return false;
    }
    return true;
}
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Queue& q = TheQueue();
    {
        std::lock_guard lock(q.mutex);
        q.messages.push_back(MSG{hwnd, message, wParam, lParam, static_cast<DWORD>(platform::NowMilliseconds()), {0, 0}});
    }
    q.wake.notify_all();
    return TRUE;
}

void PostQuitMessage(int exitCode) { PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    Queue& q = TheQueue();
    std::lock_guard lock(q.mutex);
    for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
        if (Matches(*it, hwnd, filterMin, filterMax)) {
            if (msg) {
                *msg = *it;
            }
            if (removeFlags & PM_REMOVE) {
                q.messages.erase(it);
            }
            return TRUE;
        }
    }
    return FALSE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    Queue& q = TheQueue();
    std::unique_lock lock(q.mutex);
    for (;;) {
        for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
            if (Matches(*it, hwnd, filterMin, filterMax)) {
                *msg = *it;
                q.messages.erase(it);
                return msg->message == WM_QUIT ? FALSE : TRUE;
            }
        }
        q.wake.wait(lock);
    }
}

namespace platform {
void ClearMessageQueue()
{
    std::lock_guard lock(TheQueue().mutex);
    TheQueue().messages.clear();
}
}
