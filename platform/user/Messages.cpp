// Everything Messages.h declares: the queue, posting and retrieval, sending and dispatching, the loops' common steps and their waiting.
#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/user/Backend.h"
#include "platform/user/Dialogs.h"
#include "platform/user/Keyboard.h"
#include "platform/user/Messages.h"
#include "platform/user/RemoteWindows.h"
#include "platform/user/UserInternal.h"

namespace {
// Posting threads share `posted` under the lock; the GUI thread moves it in one
// swap into `local`, which only it touches, so most retrievals take no lock, and
// its own posts go straight into `local` once what others posted is moved there.
// A short spin lock guards `posted`: posting is a push of a few words, and a
// mutex costs several times the push. Waiting for messages uses the mutex and
// condition variable, which posters touch only when someone waits.
class SpinLock {
public:
    void lock()
    {
        while (flag_.exchange(true, std::memory_order_acquire)) {
            while (flag_.load(std::memory_order_relaxed)) {
                std::this_thread::yield();
            }
        }
    }
    void unlock() { flag_.store(false, std::memory_order_release); }

private:
    std::atomic<bool> flag_{false};
};

struct Queue {
    SpinLock spin;
    std::vector<MSG> posted;
    // Set with `posted` filled, under the lock; an empty look at the queue reads only this.
    std::atomic<bool> anyPosted{false};
    std::atomic<int> waiting{0};
    // The GUI thread's messages are local[head...]; vectors keep their capacity,
    // so a steady flow of messages allocates nothing.
    std::vector<MSG> local;
    std::size_t head = 0;
    // The thread that takes messages (the GUI thread), by the address of its own `t_threadMark`.
    std::atomic<const void*> taker{nullptr};
};

thread_local const char t_threadMark = 0;

// Constant-initialised: posting needs no start-up guard.
constinit Queue g_queue;

Queue& TheQueue() { return g_queue; }

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

bool InRange(UINT message, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (message >= lo && message <= hi); }

// Moves everything posted so far behind the GUI thread's own queue.
void Collect(Queue& q)
{
    if (!q.anyPosted.load(std::memory_order_acquire)) {
        return;
    }
    std::lock_guard lock(q.spin);
    q.anyPosted.store(false, std::memory_order_relaxed);
    if (q.posted.empty()) {
        return;
    }
    if (q.head == q.local.size()) {
        q.local.clear();
        q.head = 0;
        q.local.swap(q.posted);
    } else {
        q.local.insert(q.local.end(), q.posted.begin(), q.posted.end());
        q.posted.clear();
    }
}

void Consumed(Queue& q)
{
    if (q.head == q.local.size()) {
        q.local.clear();
        q.head = 0;
    }
}

bool TakePosted(Queue& q, MSG* msg, HWND hwnd, UINT lo, UINT hi, bool remove)
{
    if (!hwnd && lo == 0 && hi == 0) {
        // Everything local is older than anything still posted: no lock needed.
        if (q.head == q.local.size()) {
            Collect(q);
            if (q.head == q.local.size()) {
                return false;
            }
        }
        if (msg) {
            *msg = q.local[q.head];
        }
        if (remove) {
            ++q.head;
            Consumed(q);
        }
        return true;
    }
    Collect(q);
    for (std::size_t i = q.head; i < q.local.size(); ++i) {
        if (Matches(q.local[i], hwnd, lo, hi)) {
            if (msg) {
                *msg = q.local[i];
            }
            if (remove) {
                if (i == q.head) {
                    ++q.head;
                } else {
                    q.local.erase(q.local.begin() + static_cast<std::ptrdiff_t>(i));
                }
                Consumed(q);
            }
            return true;
        }
    }
    return false;
}

// The key state follows the key messages as the program takes them, so a key
// read while its message is handled is as it was then, however long ago the
// user let go (a backend posts a message for every press and release).
void FollowKeyState(const MSG& m)
{
    if (m.message < WM_KEYDOWN || m.message > WM_SYSKEYUP) {
        return;
    }
    if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) {
        platform::SetKeyDown(static_cast<int>(m.wParam), true);
    } else if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP) {
        platform::SetKeyDown(static_cast<int>(m.wParam), false);
    }
}

bool Take(MSG* msg, HWND hwnd, UINT lo, UINT hi, bool remove)
{
    Queue& q = TheQueue();
    if (q.taker.load(std::memory_order_relaxed) != &t_threadMark) {
        q.taker.store(&t_threadMark, std::memory_order_relaxed);
    }
    MSG local;
    MSG* out = msg ? msg : &local;
    if (TakePosted(q, out, hwnd, lo, hi, remove)) {
        if (remove) {
            FollowKeyState(*out);
        }
        return true;
    }
    if (InRange(WM_PAINT, lo, hi)) {
        if (HWND painted = platform::user_detail::PaintRequest(hwnd, remove)) {
            if (msg) {
                *msg = MSG{painted, WM_PAINT, 0, 0, 0, {0, 0}};
            }
            return true;
        }
    }
    return InRange(WM_TIMER, lo, hi) && platform::user_detail::TakeDueTimer(msg, hwnd, remove);
}

}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (platform::IsRemoteHandle(hwnd)) {
        platform::RemoteWindows* remote = platform::CurrentRemoteWindows();
        return remote ? remote->Post(hwnd, message, wParam, lParam) : FALSE;
    }
    Queue& q = TheQueue();
    if (q.taker.load(std::memory_order_relaxed) == &t_threadMark) {
        Collect(q);  // what other threads posted first stays first
        q.local.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
        // A toolkit handler run inside the loop's wait posts from this thread too: that wait must end.
        if (q.waiting.load() > 0) {
            platform::CurrentBackend().Wake();
        }
        return TRUE;
    }
    {
        std::lock_guard lock(q.spin);
        q.posted.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
        q.anyPosted.store(true, std::memory_order_release);
    }
    // The GUI thread counts itself waiting before its last look at `posted`:
    // either it sees this message or this thread sees it waiting.
    if (q.waiting.load() > 0) {
        platform::CurrentBackend().Wake();
    }
    return TRUE;
}

void PostQuitMessage(int exitCode) { PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    const bool remove = (removeFlags & PM_REMOVE) != 0;
    if (Take(msg, hwnd, filterMin, filterMax, remove)) {
        return TRUE;
    }
    // The backend turns what the user did meanwhile into messages.
    return platform::CurrentBackend().PollEvents() && Take(msg, hwnd, filterMin, filterMax, remove) ? TRUE : FALSE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    for (;;) {
        if (Take(msg, hwnd, filterMin, filterMax, true)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        platform::user_detail::WaitForInput(hwnd);
    }
}

BOOL SetMessageQueue(int) { return TRUE; }

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !r->proc) {
        return 0;
    }
    platform::user_detail::DispatchScope scope;
    return r->proc(hwnd, message, wParam, lParam);
}

LRESULT DispatchMessage(const MSG* msg)
{
    if (!msg) {
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<void (*)(HWND, UINT, UINT_PTR, DWORD)>(msg->lParam);
        platform::user_detail::DispatchScope scope;
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    if (!msg->hwnd) {
        platform::user_detail::DispatchThreadMessage(*msg);
        return 0;
    }
    platform::WindowRecord* r = platform::FindWindowRecord(msg->hwnd);
    if (!r || !r->proc) {
        return 0;  // messages for windows that are gone
    }
    if (msg->message == WM_PAINT) {
        ++r->paintCount;
    }
    platform::user_detail::DispatchScope scope;
    return r->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
        return FALSE;
    }
    const char c = platform::KeyCharacter(static_cast<UINT>(msg->wParam), GetKeyState(VK_SHIFT) < 0);
    if (!c) {
        return FALSE;
    }
    PostMessage(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(c), msg->lParam);
    return TRUE;
}


namespace platform {
void ClearMessageQueue()
{
    Queue& q = TheQueue();
    std::lock_guard lock(q.spin);
    q.posted.clear();
    q.anyPosted.store(false, std::memory_order_relaxed);
    q.local.clear();
    q.head = 0;
}

namespace {
PreTranslateHook g_hook = nullptr;
}

void SetPreTranslateHook(PreTranslateHook hook) { g_hook = hook; }
bool PreTranslate(MSG* msg) { return g_hook && g_hook(msg); }

namespace {
std::vector<HWND> g_modal;
}

void PushModalWindow(HWND hwnd) { g_modal.push_back(hwnd); }
void PopModalWindow(HWND hwnd) { std::erase(g_modal, hwnd); }
bool IsModalWindow(HWND hwnd) { return hwnd && std::find(g_modal.begin(), g_modal.end(), hwnd) != g_modal.end(); }

void ProcessMessage(MSG* msg)
{
    if (PreTranslate(msg)) {
        return;
    }
    if (user_detail::HelpKey(*msg)) {
        return;
    }
    // While a modal dialog is up, its keys (Enter, Escape, Tab, mnemonics) are the dialog's.
    if (!g_modal.empty() && IsWindow(g_modal.back()) && IsDialogMessageA(g_modal.back(), msg)) {
        return;
    }
    TranslateMessage(msg);
    DispatchMessage(msg);
}

namespace user_detail {
void WaitForInput(HWND hwnd)
{
    // A move of the test's manual clock may make a timer due: it wakes the loop too.
    static const int clockListener = AddClockListener([] { CurrentBackend().Wake(); });
    (void)clockListener;
    Queue& q = TheQueue();
    const std::int64_t delay = NextTimerDelay(hwnd);
    q.waiting.fetch_add(1);
    bool posted = q.head < q.local.size();
    if (!posted) {
        std::lock_guard lock(q.spin);
        posted = !q.posted.empty();
    }
    if (!posted) {
        std::optional<std::uint64_t> timeout;
        if (delay >= 0 && !IsManualClock()) {
            timeout = static_cast<std::uint64_t>(delay);
        }
        CurrentBackend().WaitForEvents(timeout);
    }
    q.waiting.fetch_sub(1);
}
}
}
