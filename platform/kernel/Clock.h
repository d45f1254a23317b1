#pragma once
// The layer's clock: wall time for _time64 and a millisecond tick for timers and
// devices. Tests switch it to manual mode and move it by hand, so no test has to
// sleep on the wall clock.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/core/Types.h"

namespace platform {
std::int64_t NowSeconds();        // seconds since 1970-01-01 UTC
std::uint64_t NowMilliseconds();  // monotonic; only differences matter
// NowMilliseconds() < ms, mostly without a precise read of the clock: a loop's look at a timer not yet due.
bool TickBefore(std::uint64_t ms);

// Manual mode: the wall clock stands at epochSeconds and the tick at 0 until advanced.
void UseManualClock(std::int64_t epochSeconds);
void UseSystemClock();
bool IsManualClock();
// Moves a manual clock forward (wall time and tick together) and tells the listeners.
void AdvanceClock(std::uint64_t milliseconds);
// Sets a manual wall clock without moving the tick (a clock change, as on a DST switch).
void SetManualWallClock(std::int64_t epochSeconds);

// Called after every manual change, on the thread that made it; returns an id for removal.
int AddClockListener(std::function<void()> listener);
void RemoveClockListener(int id);
}

__time64_t _time64(__time64_t* out);

namespace platform {
// The C library's ctime text of a time in local time: 24 characters and a line feed.
std::string CtimeText(__time64_t when);
}
