// Expanding the date and time codes of file name patterns with English names.
#include "prefs/PatternTime.h"

#include <cstdio>

namespace {
const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

std::string Number(int value, int width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

bool Code(char code, const std::tm& t, std::string* out)
{
    const int wday = ((t.tm_wday % 7) + 7) % 7;
    const int mon = ((t.tm_mon % 12) + 12) % 12;
    switch (code) {
    case 'a': *out += std::string(kDays[wday], 3); break;
    case 'A': *out += kDays[wday]; break;
    case 'b': *out += std::string(kMonths[mon], 3); break;
    case 'B': *out += kMonths[mon]; break;
    case 'd': *out += Number(t.tm_mday, 2); break;
    case 'H': *out += Number(t.tm_hour, 2); break;
    case 'I': *out += Number(t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12, 2); break;
    case 'j': *out += Number(t.tm_yday + 1, 3); break;
    case 'm': *out += Number(mon + 1, 2); break;
    case 'M': *out += Number(t.tm_min, 2); break;
    case 'p': *out += t.tm_hour < 12 ? "AM" : "PM"; break;
    case 'S': *out += Number(t.tm_sec, 2); break;
    case 'w': *out += Number(wday, 1); break;
    case 'y': *out += Number((t.tm_year + 1900) % 100, 2); break;
    case 'Y': *out += Number(t.tm_year + 1900, 1); break;
    case 'Z': *out += t.tm_zone ? t.tm_zone : ""; break;
    case '%': *out += '%'; break;
    default: return false;
    }
    return true;
}
}

bool ExpandPatternTime(const std::string& pattern, const std::tm& local, std::size_t maxChars, std::string* out)
{
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            text += pattern[i];
        } else if (++i >= pattern.size() || !Code(pattern[i], local, &text)) {
            return false;
        }
        if (text.size() > maxChars) {
            return false;
        }
    }
    *out = text;
    return true;
}
