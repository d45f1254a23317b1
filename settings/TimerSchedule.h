#pragma once
// The timer schedules in the form the main window polls: which schedule's
// start or stop time has come. Each edge fires at most once, also when the
// clock is set back. Edges whose minutes the clock skipped since the previous
// poll (daylight saving, a suspended machine, a clock set forward) are all
// weighed at the next poll, so it leaves the recorder as the skipped polls
// would have: every skipped stop is due, and a skipped start only while its
// recording would still run, no stop of any schedule having come after it.
#include <limits>
#include <optional>

#include "platform/core/Types.h"
#include "settings/TimerSettings.h"

class TimerSchedule {
public:
    // previous: the schedule this one replaces, whose firings it remembers, so
    // a rebuild within a minute does not fire that minute's edges again.
    explicit TimerSchedule(const TTimerSettings& settings, const TimerSchedule* previous = nullptr);

    // 1, 2 or 3 for the first schedule whose stop (start) time has come at now
    // (seconds since 1970, taken as local time), else 0; all, when given, gets
    // bit n - 1 of every schedule n that came. Without now: the layer's clock.
    int CheckStop(__time64_t now, unsigned* all = nullptr);
    int CheckStart(__time64_t now, unsigned* all = nullptr);
    int CheckStop();
    int CheckStart();

    // The Enable Timer command switches the schedules without a rebuild.
    void SetEnable(bool on);
    bool IsEnabled() const { return enable_; }

    // Minutes since midnight of a typed time of day ("7:30pm", "1930", "12am"), or none for empty text.
    static std::optional<int> ParseTime(const char* text);

private:
    enum Edge { Stop = 0, Start = 1 };
    // Local times as minutes: the local date's day number since 1970 * 1440 + the minute of the day.
    struct EdgeState {
        bool havePoll = false;
        long long pollAt = 0;
        static constexpr long long kNever = std::numeric_limits<long long>::min();
        long long fired[3] = {kNever, kNever, kNever};  // the latest firing of each schedule
    };

    int Check(Edge edge, __time64_t now, unsigned* all);
    // The latest local time in (after, upTo] at which schedule n's edge comes on a day of its mask.
    std::optional<long long> LatestEdge(Edge edge, int n, long long after, long long upTo) const;
    bool StoppedBetween(long long after, long long upTo) const;

    std::optional<int> start_[3];
    std::optional<int> stop_[3];
    DWORD mask_[3] = {};
    bool enable_ = false;
    EdgeState state_[2];
};

// The Enable Timer switch: flips TimerEnable of the settings and, at once, the
// schedule the main window polls (null: none yet), which keeps its own copy.
void ToggleTimerEnable(TTimerSettings& settings, TimerSchedule* running);
