#pragma once
// The framework's time value: a moment on the layer's clock, read as local time.
#include <ctime>

#include "platform/core/Types.h"

namespace OWL {
class TTime {
public:
    TTime();  // now
    explicit TTime(__time64_t seconds) : seconds_(seconds) {}
    __time64_t Seconds() const { return seconds_; }
    int Hour() const { return Local().tm_hour; }
    int Minute() const { return Local().tm_min; }
    int Second() const { return Local().tm_sec; }
    int Day() const { return Local().tm_mday; }
    int Month() const { return Local().tm_mon + 1; }
    int Year() const { return Local().tm_year + 1900; }
    // Monday 1 ... Sunday 7.
    int WeekDay() const
    {
        const int d = Local().tm_wday;
        return d == 0 ? 7 : d;
    }
    bool operator<(const TTime& o) const { return seconds_ < o.seconds_; }
    bool operator==(const TTime& o) const { return seconds_ == o.seconds_; }

private:
    std::tm Local() const
    {
        std::tm out{};
        const std::time_t t = static_cast<std::time_t>(seconds_);
        localtime_r(&t, &out);
        return out;
    }
    __time64_t seconds_;
};
}
