// Window and thread timers on the layer's clock, and what the queue asks of them.
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/user/Timers.h"
#include "platform/user/UserInternal.h"

namespace {
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
    // The soonest due time of any timer, so a look that finds none due reads no list.
    std::uint64_t earliest = UINT64_MAX;
    std::uint64_t nextSeq = 1;
    UINT_PTR nextThreadTimerId = 0x7000;
};

// Constant-initialised: every empty look at the queue asks it, with no start-up guard.
constinit TimerTable g_timers;

TimerTable& Timers() { return g_timers; }

void Recount(TimerTable& t)
{
    t.earliest = UINT64_MAX;
    for (const Timer& timer : t.timers) {
        t.earliest = std::min(t.earliest, timer.due);
    }
}
}

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
            Recount(t);
            return hwnd ? 1 : id;
        }
    }
    t.timers.push_back(Timer{hwnd, id, elapseMs, due, t.nextSeq++, proc});
    t.earliest = std::min(t.earliest, due);
    return hwnd ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    auto& timers = Timers().timers;
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->hwnd == hwnd && it->id == id) {
            timers.erase(it);
            Recount(Timers());
            return TRUE;
        }
    }
    return FALSE;
}

namespace platform::user_detail {
bool TakeDueTimer(MSG* msg, HWND hwnd, bool remove)
{
    TimerTable& t = Timers();
    if (t.timers.empty() || platform::TickBefore(t.earliest)) {
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
        Recount(t);
    }
    return true;
}

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
    Recount(Timers());
}

void ResetTimers()
{
    Timers().timers.clear();
    Recount(Timers());
}
}
