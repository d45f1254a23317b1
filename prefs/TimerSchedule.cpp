#include "prefs/TimerSchedule.h"

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

int TimerSchedule::Check(Edge edge, __time64_t now)
{
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
    const long date = (local.tm_year + 1900L) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
    const int minute = local.tm_hour * 60 + local.tm_min;
    EdgeState& state = state_[edge];
    // Minutes after the previous poll of this date and before this one were skipped by the clock.
    const bool sameDate = state.havePoll && state.pollDate == date;

    int result = 0;
    for (int n = 0; n < 3; ++n) {
        if (!times[n]) {
            continue;
        }
        const int at = *times[n];
        Fired& fired = state.fired[n];
        if (fired.date == date && fired.minute == at) {
            continue;
        }
        const bool due = at == minute || (sameDate && state.pollMinute < at && at < minute);
        if (!due) {
            continue;
        }
        // A stop at or before its start time belongs to the run begun the day before.
        int weekday = local.tm_wday;
        if (edge == Stop && start_[n] && *stop_[n] <= *start_[n]) {
            weekday = (weekday + 6) % 7;
        }
        if ((mask_[n] & (1u << weekday) & 127u) == 0) {
            continue;
        }
        // Every schedule due now is taken as fired; the first one is reported.
        fired.date = date;
        fired.minute = at;
        if (result == 0) {
            result = n + 1;
        }
    }
    state.havePoll = true;
    state.pollDate = date;
    state.pollMinute = minute;
    return result;
}

int TimerSchedule::CheckStop(__time64_t now) { return Check(Stop, now); }
int TimerSchedule::CheckStart(__time64_t now) { return Check(Start, now); }
int TimerSchedule::CheckStop() { return Check(Stop, _time64(nullptr)); }
int TimerSchedule::CheckStart() { return Check(Start, _time64(nullptr)); }

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
