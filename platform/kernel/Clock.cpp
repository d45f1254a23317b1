// One clock for the process; listeners are called outside its lock, so they may read the clock they hear of.
#include "platform/kernel/Clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <map>
#include <mutex>

namespace platform {
namespace {
struct ClockState {
    std::mutex mutex;
    bool manual = false;
    std::int64_t wallMs = 0;  // manual wall time in milliseconds since 1970
    std::uint64_t tickMs = 0;
    std::map<int, std::function<void()>> listeners;
    int nextId = 1;
};

// A copy of State().manual, written under its mutex and read without it, so the system clock's readers take
// no lock and no start-up guard.
constinit std::atomic<bool> g_manual{false};
// The coarse clock's resolution plus a margin, once read.
constinit std::atomic<std::uint64_t> g_coarseSlackMs{0};

ClockState& State()
{
    static ClockState state;
    return state;
}

void Notify()
{
    std::map<int, std::function<void()>> copy;
    {
        std::lock_guard lock(State().mutex);
        copy = State().listeners;
    }
    for (auto& [id, fn] : copy) {
        fn();
    }
}
}

std::int64_t NowSeconds()
{
    {
        std::lock_guard lock(State().mutex);
        if (State().manual) {
            const std::int64_t ms = State().wallMs;
            return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        }
    }
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::uint64_t NowMilliseconds()
{
    if (g_manual.load(std::memory_order_acquire)) {
        std::lock_guard lock(State().mutex);
        if (State().manual) {
            return State().tickMs;
        }
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000;
}

bool TickBefore(std::uint64_t ms)
{
    if (!g_manual.load(std::memory_order_acquire)) {
        // The coarse clock is the tick's own clock as of the kernel's last tick: never ahead of it, and behind
        // by at most its resolution, so most looks need no precise read.
        std::uint64_t slackMs = g_coarseSlackMs.load(std::memory_order_relaxed);
        if (slackMs == 0) {
            timespec res{};
            clock_getres(CLOCK_MONOTONIC_COARSE, &res);
            slackMs = static_cast<std::uint64_t>(res.tv_sec) * 1000 + static_cast<std::uint64_t>(res.tv_nsec) / 1'000'000 + 2;
            g_coarseSlackMs.store(slackMs, std::memory_order_relaxed);
        }
        timespec coarse{};
        if (clock_gettime(CLOCK_MONOTONIC_COARSE, &coarse) == 0) {
            const std::uint64_t coarseMs =
                static_cast<std::uint64_t>(coarse.tv_sec) * 1000 + static_cast<std::uint64_t>(coarse.tv_nsec) / 1'000'000;
            if (coarseMs + slackMs < ms) {
                return true;
            }
        }
    }
    return NowMilliseconds() < ms;
}

void UseManualClock(std::int64_t epochSeconds)
{
    {
        std::lock_guard lock(State().mutex);
        State().manual = true;
        g_manual.store(true, std::memory_order_release);
        State().wallMs = epochSeconds * 1000;
        State().tickMs = 0;
    }
    Notify();
}

void UseSystemClock()
{
    {
        std::lock_guard lock(State().mutex);
        State().manual = false;
        g_manual.store(false, std::memory_order_release);
    }
    Notify();
}

bool IsManualClock() { return g_manual.load(std::memory_order_acquire); }

void AdvanceClock(std::uint64_t milliseconds)
{
    {
        std::lock_guard lock(State().mutex);
        if (!State().manual) {
            return;
        }
        State().wallMs += static_cast<std::int64_t>(milliseconds);
        State().tickMs += milliseconds;
    }
    Notify();
}

void SetManualWallClock(std::int64_t epochSeconds)
{
    {
        std::lock_guard lock(State().mutex);
        if (!State().manual) {
            return;
        }
        State().wallMs = epochSeconds * 1000;
    }
    Notify();
}

int AddClockListener(std::function<void()> listener)
{
    std::lock_guard lock(State().mutex);
    const int id = State().nextId++;
    State().listeners.emplace(id, std::move(listener));
    return id;
}

void RemoveClockListener(int id)
{
    std::lock_guard lock(State().mutex);
    State().listeners.erase(id);
}
}

__time64_t _time64(__time64_t* out)
{
    const __time64_t now = platform::NowSeconds();
    if (out) {
        *out = now;
    }
    return now;
}

namespace platform {
std::string CtimeText(__time64_t when)
{
    const std::time_t t = static_cast<std::time_t>(when);
    std::tm local{};
    char text[64] = "";
    if (localtime_r(&t, &local)) {
        std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y\n", &local);
    }
    return text;
}
}
