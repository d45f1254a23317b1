#include <algorithm>
#include <atomic>
#include <optional>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/user/Backend.h"
#include "platform/user/Dialogs.h"
#include "platform/user/Messages.h"
#include "platform/user/Timers.h"
#include "platform/user/UserInternal.h"

namespace {
// Posting threads share `posted` under the mutex; the GUI thread moves it in one
// swap into `local`, which only it touches, so most retrievals take no lock.
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
    std::atomic<int> waiting{0};
    // The GUI thread's messages are local[head...]; vectors keep their capacity,
    // so a steady flow of messages allocates nothing.
    std::vector<MSG> local;
    std::size_t head = 0;
};

// Constant-initialised: posting needs no start-up guard.
constinit Queue g_queue;

Queue& TheQueue() { return g_queue; }

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT interval;
    std::uint64_t due;
    std::uint64_t seq;
    TIMERPROC proc;
};

struct TimerTable {
    std::vector<Timer> timers;
    std::uint64_t nextSeq = 1;
    UINT_PTR nextThreadTimerId = 0x7000;
};

TimerTable& Timers()
{
    static TimerTable table;
    return table;
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

bool InRange(UINT message, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (message >= lo && message <= hi); }

// Moves everything posted so far behind the GUI thread's own queue.
void Collect(Queue& q)
{
    std::lock_guard lock(q.spin);
    if (q.posted.empty()) {
        return;
    }
    const DWORD now = static_cast<DWORD>(platform::NowMilliseconds());
    for (MSG& m : q.posted) {
        m.time = now;
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
    const bool any = !hwnd && lo == 0 && hi == 0;
    if (any && q.head < q.local.size()) {
        // Everything local is older than anything still posted: no lock needed.
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

bool TakeTimer(MSG* msg, HWND hwnd, UINT lo, UINT hi, bool remove)
{
    TimerTable& t = Timers();
    if (t.timers.empty() || !InRange(WM_TIMER, lo, hi)) {
        return false;
    }
    const std::uint64_t now = platform::NowMilliseconds();
    Timer* best = nullptr;
    for (Timer& timer : t.timers) {
        if (timer.due <= now && (!hwnd || timer.hwnd == hwnd)) {
            if (!best || timer.due < best->due || (timer.due == best->due && timer.seq < best->seq)) {
                best = &timer;
            }
        }
    }
    if (!best) {
        return false;
    }
    if (msg) {
        *msg = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), static_cast<DWORD>(now), {0, 0}};
    }
    if (remove) {
        best->due = now + best->interval;
    }
    return true;
}

bool Take(MSG* msg, HWND hwnd, UINT lo, UINT hi, bool remove)
{
    Queue& q = TheQueue();
    if (TakePosted(q, msg, hwnd, lo, hi, remove)) {
        return true;
    }
    if (InRange(WM_PAINT, lo, hi)) {
        if (HWND painted = platform::user_detail::PaintRequest(hwnd, remove)) {
            if (msg) {
                *msg = MSG{painted, WM_PAINT, 0, 0, static_cast<DWORD>(platform::NowMilliseconds()), {0, 0}};
            }
            return true;
        }
    }
    return TakeTimer(msg, hwnd, lo, hi, remove);
}

// Milliseconds until the next timer is due (0: due now), or -1 for none.
std::int64_t NextTimerDelay(HWND hwnd)
{
    std::int64_t best = -1;
    const std::uint64_t now = platform::NowMilliseconds();
    for (const Timer& timer : Timers().timers) {
        if (hwnd && timer.hwnd != hwnd) {
            continue;
        }
        const std::int64_t d = timer.due <= now ? 0 : static_cast<std::int64_t>(timer.due - now);
        if (best < 0 || d < best) {
            best = d;
        }
    }
    return best;
}
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Queue& q = TheQueue();
    {
        std::lock_guard lock(q.spin);
        q.posted.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
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

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc)
{
    TimerTable& t = Timers();
    elapseMs = std::max<UINT>(elapseMs, 10);  // the system's minimum period; 0 would never let the loop idle
    if (hwnd && !IsWindow(hwnd)) {
        return 0;
    }
    if (!hwnd) {
        id = t.nextThreadTimerId++;
    }
    const std::uint64_t due = platform::NowMilliseconds() + elapseMs;
    for (Timer& timer : t.timers) {
        if (timer.hwnd == hwnd && timer.id == id) {
            timer.interval = elapseMs;
            timer.due = due;
            timer.seq = t.nextSeq++;
            timer.proc = proc;
            return hwnd ? 1 : id;
        }
    }
    t.timers.push_back(Timer{hwnd, id, elapseMs, due, t.nextSeq++, proc});
    return hwnd ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    auto& timers = Timers().timers;
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->hwnd == hwnd && it->id == id) {
            timers.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

namespace platform {
void ClearMessageQueue()
{
    Queue& q = TheQueue();
    std::lock_guard lock(q.spin);
    q.posted.clear();
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

void ProcessMessage(MSG* msg)
{
    if (PreTranslate(msg)) {
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
    bool posted;
    {
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

std::optional<std::uint64_t> NextTimerDue()
{
    std::optional<std::uint64_t> best;
    for (const Timer& timer : Timers().timers) {
        if (!best || timer.due < *best) {
            best = timer.due;
        }
    }
    return best;
}

void KillWindowTimers(HWND hwnd)
{
    auto& timers = Timers().timers;
    std::erase_if(timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

void ResetTimers() { Timers().timers.clear(); }
}
}
