// Expanding the date and time codes of file name patterns with English names.
#include "settings/PatternTime.h"

#include <cstdio>
#include <cstring>

namespace {
const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

std::string Number(long long value, int width, char pad = '0')
{
    char text[32];
    std::snprintf(text, sizeof text, pad == '0' ? "%0*lld" : "%*lld", width, value);
    return text;
}

bool Leap(long long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from the Monday that starts the ISO week-based year to yday (negative: before it).
int IsoWeekDays(int yday, int wday)
{
    const int bigEnoughMultipleOf7 = (366 / 7 + 2) * 7;
    return yday - (yday - wday + 4 + bigEnoughMultipleOf7) % 7 + 3;
}

// The ISO 8601 week-based year and its week (1..53) of the date.
void IsoWeek(const std::tm& t, int wday, long long* year, int* week)
{
    long long y = t.tm_year + 1900LL;
    int days = IsoWeekDays(t.tm_yday, wday);
    if (days < 0) {
        --y;
        days = IsoWeekDays(t.tm_yday + (Leap(y) ? 366 : 365), wday);
    } else {
        const int next = IsoWeekDays(t.tm_yday - (Leap(y) ? 366 : 365), wday);
        if (next >= 0) {
            ++y;
            days = next;
        }
    }
    *year = y;
    *week = days / 7 + 1;
}

bool Expand(const char* pattern, const std::tm& t, std::string* out);

bool Code(char code, const std::tm& t, std::string* out)
{
    const int wday = ((t.tm_wday % 7) + 7) % 7;
    const int mon = ((t.tm_mon % 12) + 12) % 12;
    const long long year = t.tm_year + 1900LL;
    const int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
    long long isoYear = 0;
    int isoWeek = 0;
    switch (code) {
    case 'a': *out += std::string(kDays[wday], 3); break;
    case 'A': *out += kDays[wday]; break;
    case 'b':
    case 'h': *out += std::string(kMonths[mon], 3); break;
    case 'B': *out += kMonths[mon]; break;
    case 'c': return Expand("%a %b %e %H:%M:%S %Y", t, out);
    case 'C': *out += Number(year / 100 - (year % 100 < 0 ? 1 : 0), 2); break;
    case 'd': *out += Number(t.tm_mday, 2); break;
    case 'D':
    case 'x': return Expand("%m/%d/%y", t, out);
    case 'e': *out += Number(t.tm_mday, 2, ' '); break;
    case 'F': return Expand("%Y-%m-%d", t, out);
    case 'g':
    case 'G':
    case 'V':
        IsoWeek(t, wday, &isoYear, &isoWeek);
        *out += code == 'V' ? Number(isoWeek, 2) : code == 'G' ? Number(isoYear, 1) : Number((isoYear % 100 + 100) % 100, 2);
        break;
    case 'H': *out += Number(t.tm_hour, 2); break;
    case 'I': *out += Number(hour12, 2); break;
    case 'j': *out += Number(t.tm_yday + 1, 3); break;
    case 'k': *out += Number(t.tm_hour, 2, ' '); break;
    case 'l': *out += Number(hour12, 2, ' '); break;
    case 'm': *out += Number(mon + 1, 2); break;
    case 'M': *out += Number(t.tm_min, 2); break;
    case 'n': *out += '\n'; break;
    case 'p': *out += t.tm_hour < 12 ? "AM" : "PM"; break;
    case 'P': *out += t.tm_hour < 12 ? "am" : "pm"; break;
    case 'r': return Expand("%I:%M:%S %p", t, out);
    case 'R': return Expand("%H:%M", t, out);
    case 's': {
        std::tm copy = t;
        *out += Number(static_cast<long long>(std::mktime(&copy)), 1);
        break;
    }
    case 'S': *out += Number(t.tm_sec, 2); break;
    case 't': *out += '\t'; break;
    case 'T':
    case 'X': return Expand("%H:%M:%S", t, out);
    case 'u': *out += Number(wday == 0 ? 7 : wday, 1); break;
    case 'U': *out += Number((t.tm_yday + 7 - wday) / 7, 2); break;
    case 'w': *out += Number(wday, 1); break;
    case 'W': *out += Number((t.tm_yday + 7 - (wday + 6) % 7) / 7, 2); break;
    case 'y': *out += Number((year % 100 + 100) % 100, 2); break;
    case 'Y': *out += Number(year, 1); break;
    case 'z': {
        const long offset = t.tm_gmtoff;
        const long minutes = (offset < 0 ? -offset : offset) / 60;
        *out += offset < 0 ? '-' : '+';
        *out += Number(minutes / 60 * 100 + minutes % 60, 4);
        break;
    }
    case 'Z': *out += t.tm_zone ? t.tm_zone : ""; break;
    case '%': *out += '%'; break;
    default: return false;
    }
    return true;
}

// The codes each modifier may stand before.
bool Modifies(char modifier, char code)
{
    return std::strchr(modifier == 'E' ? "cCxXyY" : "deHImMSuUVwWy", code) != nullptr && code != '\0';
}

bool Expand(const char* pattern, const std::tm& t, std::string* out)
{
    for (const char* p = pattern; *p; ++p) {
        if (*p != '%') {
            *out += *p;
            continue;
        }
        if ((p[1] == 'E' || p[1] == 'O') && Modifies(p[1], p[2])) {
            ++p;
        }
        if (!*++p || !Code(*p, t, out)) {
            return false;
        }
    }
    return true;
}
}

bool ExpandPatternTime(const std::string& pattern, const std::tm& local, std::size_t maxChars, std::string* out)
{
    // An embedded zero ends the pattern, as it ends the text a window holds.
    std::string text;
    if (!Expand(pattern.c_str(), local, &text) || text.size() > maxChars) {
        return false;
    }
    *out = text;
    return true;
}
