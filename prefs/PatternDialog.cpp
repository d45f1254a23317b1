// The characters a file name pattern may hold, its date and time codes, and the example name it gives.
#include "prefs/PatternDialog.h"

#include <cstring>

#include "settings/PatternTime.h"

TExceptCharSet::TExceptCharSet(const char* excluded)
{
    bits_.set();
    const std::size_t n = excluded ? std::strlen(excluded) : 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(excluded[i]);
        if (c == '-' && i > 0 && i + 1 < n) {
            const auto lo = static_cast<unsigned char>(excluded[i - 1]);
            const auto hi = static_cast<unsigned char>(excluded[i + 1]);
            for (unsigned v = lo; v <= hi; ++v) {
                bits_.reset(v);
            }
            ++i;  // the range's last character is done
        } else {
            bits_.reset(c);
        }
    }
}

const PatternCode PatternCodes[] = {
    {" ", "Choose format code to add:"},
    {"%a", "%a Abbreviated weekday name"},
    {"%A", "%A Full weekday name"},
    {"%b", "%b Abbreviated month name"},
    {"%B", "%B Full month name"},
    {"%d", "%d Day of month (01 - 31)"},
    {"%H", "%H Hour (00 - 23)"},
    {"%I", "%I Hour (01 - 12)"},
    {"%j", "%j Day of year (001 - 366)"},
    {"%m", "%m Month number (1 - 12)"},
    {"%M", "%M Minute (00 - 59)"},
    {"%p", "%p AM or PM"},
    {"%S", "%S Two-digit second (00 - 59)"},
    {"%w", "%w Weekday where 0 is Sunday (0 - 6)"},
    {"%y", "%y Two-digit year (00 to 99)"},
    {"%Y", "%Y Year with century"},
    {"%Z", "%Z Time zone name"},
    {"", ""},
};

std::string PatternExampleName(const char* pattern, bool appendInstance, int fileType, std::time_t when)
{
    std::string name = pattern && *pattern ? pattern : "rec";
    if (appendInstance) {
        name += "_1";
    }
    name += fileType == 1 ? ".mp3" : fileType == 3 ? ".ogg" : ".wav";
    std::tm local {};
    localtime_r(&when, &local);
    std::string example;
    return ExpandPatternTime(name, local, 258, &example) ? example : std::string();
}
