#pragma once
// Settings of section "File": file size limit and the action at it, automatic
// naming and its pattern, the category prompt and the default recording folder.
#include <ctime>
#include <string>

#include "platform/registry/Registry.h"

extern int FileSize;     // limit in megabytes; 0 = no limit
extern int FileAction;   // at the limit: 0 nothing, 1 loop, 2 stop, 3 new file
extern int LHMode;       // bit 0: append the instance number only when required
extern bool AutoName;
extern bool AutoPrompt;
extern char DefaultDirectory[260];
extern char ImprovedFilePrefix[260];
extern int FileLimitKind;  // 0 by size, else by time (Load always sets 0)
extern int FileMinutes;    // time limit in minutes

class TSetFile {
public:
    // Decides the default folder when none is stored and makes it current.
    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);
};

// The example name the page shows for its working pattern and flags.
std::string FileExampleName(const char* pattern, int lhMode, int fileType, std::time_t when);
// Bytes per second of the default format for the estimate: the shared default
// file type's format, else currentRate (the recorder's format, 0 when none),
// else (1 + Resolution) x SampleRate.
long DefaultFormatBytesPerSecond(int fileType, long currentRate);
// The estimate's label and value: minutes the megabyte limit lasts, or the size
// a minute limit reaches. False (texts untouched) when the rate is 0.
bool FileLimitEstimate(float limit, float bytesPerSecond, bool minuteUnit, std::string* label, std::string* value);
