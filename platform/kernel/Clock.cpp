// One clock for the process; listeners are called outside its lock, so they may read the clock they hear of.
#include "platform/kernel/Clock.h"

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
    {
        std::lock_guard lock(State().mutex);
        if (State().manual) {
            return State().tickMs;
        }
    }
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

void UseManualClock(std::int64_t epochSeconds)
{
    {
        std::lock_guard lock(State().mutex);
        State().manual = true;
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
    }
    Notify();
}

bool IsManualClock()
{
    std::lock_guard lock(State().mutex);
    return State().manual;
}

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
