#pragma once
// The C run time's 64-bit local-time functions as the program calls them, with
// their range: from 1970-01-01 00:00:00 to 3000-12-31 23:59:59 UTC. A time
// outside it has no local time and no text (null), and mktime answers -1.
// Local time follows TZ, daylight saving included.
#include <ctime>

#include "platform/core/Types.h"

// Broken-down local time in a buffer of the calling thread, or null.
std::tm* _localtime64(const __time64_t* time);
// "Www Mmm dd hh:mm:ss yyyy\n" (25 characters) in a buffer of the calling thread, or null.
char* _ctime64(const __time64_t* time);
// Normalises the fields (a minute of 75 carries into the hour; tm_isdst -1 lets
// the zone decide) and returns the time, or -1 outside the range.
__time64_t _mktime64(std::tm* local);
