#pragma once
// The marker and comment records every recording keeps, and the item name its timecode text is stored under.
#include <string>

#include "platform/core/Types.h"

// One marked position of the audio data and the wall-clock time of that audio.
struct TimeMarker {
    DWORD position = 0;
    DWORD reserved = 0;  // never read; written out as 0
    __time64_t time = 0;  // seconds since 1970 UTC; 0 = no time
    bool operator==(const TimeMarker&) const = default;
};

// A text attached to a span of the audio; end 0 = open, (DWORD)-1 = to the end.
struct MarkerComment {
    DWORD start = 0;
    DWORD end = 0;
    std::string text;
    bool operator==(const MarkerComment&) const = default;
};

// The name under which the timecode text is stored in every file type.
constexpr const char* TimecodeItemName = "fennwicke timecode";
