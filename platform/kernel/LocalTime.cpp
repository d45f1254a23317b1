// Local time within the run time's 64-bit range.
#include "platform/kernel/LocalTime.h"

#include <cstdio>

namespace {
constexpr __time64_t kLast = 32535215999;  // 3000-12-31 23:59:59 UTC

bool InRange(__time64_t t) { return t >= 0 && t <= kLast; }
}

std::tm* _localtime64(const __time64_t* time)
{
    thread_local std::tm result;
    if (!time || !InRange(*time)) {
        return nullptr;
    }
    const std::time_t t = static_cast<std::time_t>(*time);
    return localtime_r(&t, &result);
}

char* _ctime64(const __time64_t* time)
{
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    thread_local char text[64];  // 26 within the range; room for what the compiler cannot see
    const std::tm* tm = _localtime64(time);
    if (!tm) {
        return nullptr;
    }
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[tm->tm_wday % 7], kMonths[tm->tm_mon % 12],
                  tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec, tm->tm_year + 1900);
    return text;
}

__time64_t _mktime64(std::tm* local)
{
    if (!local) {
        return -1;
    }
    // On failure the caller's fields stay as they were.
    std::tm copy = *local;
    const std::time_t t = mktime(&copy);
    if (t == static_cast<std::time_t>(-1) || !InRange(t)) {
        return -1;
    }
    *local = copy;
    return static_cast<__time64_t>(t);
}
