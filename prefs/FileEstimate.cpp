// The File page's example name and the estimate of what its limit holds.
#include <cstdio>
#include <string>

#include "app/FormatBuffers.h"
#include "prefs/PatternDialog.h"
#include "prefs/SetFile.h"
#include "prefs/SetVorbis.h"
#include "prefs/SetWave.h"

std::string FileExampleName(const char* pattern, int lhMode, int fileType, std::time_t when)
{
    return PatternExampleName(pattern, (lhMode & 1) == 0, fileType, when);
}

long DefaultFormatBytesPerSecond(int fileType, long currentRate)
{
    const long start = (1L + (Resolution ? 1 : 0)) * SampleRate;
    if (fileType == 0 && RecordFormatBuffer && RecordFormatBuffer->nAvgBytesPerSec != 0) {
        return static_cast<long>(RecordFormatBuffer->nAvgBytesPerSec);
    }
    if (fileType == 3) {
        return VorByteRate;
    }
    if (fileType == 1 && Mp3FormatBuffer && Mp3FormatBuffer->nAvgBytesPerSec != 0) {
        return static_cast<long>(Mp3FormatBuffer->nAvgBytesPerSec);
    }
    return currentRate != 0 ? currentRate : start;
}

bool FileLimitEstimate(float limit, float bytesPerSecond, bool minuteUnit, std::string* label, std::string* value)
{
    if (bytesPerSecond == 0.0f) {
        return false;
    }
    char text[64];
    if (minuteUnit) {
        *label = "Total recording size at default sample rate:";
        const float megabytes = limit * 60.0f * bytesPerSecond / 1048576.0f;
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(megabytes));
    } else {
        *label = "Total recording time at default sample rate:";
        const float minutes = limit * 1048576.0f / bytesPerSecond / 60.0f;
        std::snprintf(text, sizeof text, "%.1f minutes", static_cast<double>(minutes));
    }
    *value = text;
    return true;
}
