#pragma once
// The timer schedules in the form the main window polls: which schedule's
// start or stop time has come. Each edge fires at most once per local date,
// also when the clock is set back; an edge whose minute the clock skipped
// (daylight saving, a suspended machine) fires at the next poll of that date.
#include <optional>

#include "platform/core/Types.h"
#include "prefs/SetTimer.h"

class TimerSchedule {
public:
    // previous: the schedule this one replaces, whose firings it remembers, so
    // a rebuild within a minute does not fire that minute's edges again.
    explicit TimerSchedule(const TTimerSettings& settings, const TimerSchedule* previous = nullptr);

    // 1, 2 or 3 for the schedule whose stop (start) time has come at now (seconds
    // since 1970, taken as local time), else 0. Without now: the layer's clock.
    int CheckStop(__time64_t now);
    int CheckStart(__time64_t now);
    int CheckStop();
    int CheckStart();

    // The Enable Timer command switches the schedules without a rebuild.
    void SetEnable(bool on);
    bool IsEnabled() const { return enable_; }

    // Minutes since midnight of a typed time of day ("7:30pm", "1930", "12am"), or none for empty text.
    static std::optional<int> ParseTime(const char* text);

private:
    enum Edge { Stop = 0, Start = 1 };
    struct Fired {
        long date = -1;  // local date as year * 10000 + month * 100 + day
        int minute = -1;
    };
    struct EdgeState {
        bool havePoll = false;
        long pollDate = -1;
        int pollMinute = -1;
        Fired fired[3];
    };

    int Check(Edge edge, __time64_t now);

    std::optional<int> start_[3];
    std::optional<int> stop_[3];
    DWORD mask_[3] = {};
    bool enable_ = false;
    EdgeState state_[2];
};

// The Enable Timer switch: flips TimerEnable of the settings and, at once, the
// schedule the main window polls (null: none yet), which keeps its own copy.
void ToggleTimerEnable(TTimerSettings& settings, TimerSchedule* running);
