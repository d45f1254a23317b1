#include "settings/TimerSchedule.h"

#include <algorithm>
#include <ctime>

#include "platform/kernel/Clock.h"

TimerSchedule::TimerSchedule(const TTimerSettings& settings, const TimerSchedule* previous)
    : enable_(settings.TimerEnable != 0)
{
    for (int n = 0; n < 3; ++n) {
        mask_[n] = settings.Schedule[n].TimeDay;
        start_[n] = ParseTime(settings.Schedule[n].TimeStart);
        stop_[n] = ParseTime(settings.Schedule[n].TimeStop);
    }
    if (previous) {
        state_[Stop] = previous->state_[Stop];
        state_[Start] = previous->state_[Start];
    }
}

std::optional<int> TimerSchedule::ParseTime(const char* text)
{
    if (!text || !*text) {
        return std::nullopt;
    }
    long long hour = 0;
    long long minute = 0;
    int digits = 0;
    bool inHour = true;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            ++digits;
            inHour = inHour && digits <= 2;
            if (inHour) {
                hour = hour * 10 + (c - '0');
            } else if (minute < 100000000000LL) {
                minute = minute * 10 + (c - '0');
            }
        } else if (c == ':') {
            inHour = false;
        } else if (c == 'a' || c == 'A') {
            if (hour == 12) {
                hour = 24;
            }
        } else if (c == 'p' || c == 'P') {
            if (hour != 12) {
                hour += 12;
            }
        }
    }
    return static_cast<int>((hour % 24) * 60 + minute % 60);
}

namespace {
constexpr long long kDay = 1440;
// Further back than a week every weekday has come again, so nothing older decides.
constexpr long long kLookBack = 8 * kDay;

long long DayNumber(int year, int month, int day)
{
    // Days since 1970-01-01 of a civil date.
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yoe = year - era * 400;
    const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

int WeekdayOf(long long dayNumber) { return static_cast<int>(((dayNumber + 4) % 7 + 7) % 7); }  // 1970-01-01 was a Thursday
}

std::optional<long long> TimerSchedule::LatestEdge(Edge edge, int n, long long after, long long upTo) const
{
    const std::optional<int>& at = edge == Stop ? stop_[n] : start_[n];
    if (!at || upTo <= after) {
        return std::nullopt;
    }
    for (long long day = FloorDiv(upTo, kDay); day * kDay + kDay > after; --day) {
        const long long when = day * kDay + *at;
        if (when > upTo || when <= after) {
            continue;
        }
        // A stop at or before its start time belongs to the run begun the day before.
        int weekday = WeekdayOf(day);
        if (edge == Stop && start_[n] && *stop_[n] <= *start_[n]) {
            weekday = (weekday + 6) % 7;
        }
        if ((mask_[n] & (1u << weekday) & 127u) != 0) {
            return when;
        }
    }
    return std::nullopt;
}

bool TimerSchedule::StoppedBetween(long long after, long long upTo) const
{
    for (int n = 0; n < 3; ++n) {
        if (LatestEdge(Stop, n, after, upTo)) {
            return true;
        }
    }
    return false;
}

int TimerSchedule::Check(Edge edge, __time64_t now, unsigned* all)
{
    if (all) {
        *all = 0;
    }
    if (!enable_) {
        return 0;
    }
    const std::optional<int>* times = edge == Stop ? stop_ : start_;
    if (!times[0] && !times[1] && !times[2]) {
        return 0;
    }
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm local {};
    localtime_r(&t, &local);
    const long long at =
        DayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) * kDay + local.tm_hour * 60 + local.tm_min;
    EdgeState& state = state_[edge];
    // The minutes after the previous poll were skipped by the clock; set back, only this minute counts.
    long long after = state.havePoll && state.pollAt < at ? state.pollAt : at - 1;
    after = std::max(after, at - kLookBack);

    int result = 0;
    for (int n = 0; n < 3; ++n) {
        const std::optional<long long> when = LatestEdge(edge, n, after, at);
        if (!when || *when <= state.fired[n]) {
            continue;
        }
        // A start the clock skipped is due only while the recording it began would still run.
        if (edge == Start && StoppedBetween(*when, at)) {
            continue;
        }
        state.fired[n] = *when;
        if (all) {
            *all |= 1u << n;
        }
        if (result == 0) {
            result = n + 1;
        }
    }
    state.havePoll = true;
    state.pollAt = at;
    return result;
}

int TimerSchedule::CheckStop(__time64_t now, unsigned* all) { return Check(Stop, now, all); }
int TimerSchedule::CheckStart(__time64_t now, unsigned* all) { return Check(Start, now, all); }
int TimerSchedule::CheckStop() { return Check(Stop, _time64(nullptr), nullptr); }
int TimerSchedule::CheckStart() { return Check(Start, _time64(nullptr), nullptr); }

void TimerSchedule::SetEnable(bool on)
{
    if (on && !enable_) {
        // Minutes that passed while switched off were not skipped by the clock.
        state_[Stop].havePoll = false;
        state_[Start].havePoll = false;
    }
    enable_ = on;
}

void ToggleTimerEnable(TTimerSettings& settings, TimerSchedule* running)
{
    settings.TimerEnable = settings.TimerEnable ? 0 : 1;
    if (running) {
        running->SetEnable(settings.TimerEnable != 0);
    }
}
