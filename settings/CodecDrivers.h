#pragma once
// Whether the compression manager may be used, and the process-wide list of its
// MPEG Layer-3 codec drivers that streams look up by name.
#include <vector>

#include "platform/acm/Acm.h"

bool AcmEnabled();
void SetAcmEnabled(bool enabled);

struct CodecDriverEntry {
    HACMDRIVERID id;
    char name[260];
};

// Filled once by EnumMp3Codecs; only appended to afterwards.
std::vector<CodecDriverEntry>& CodecDrivers();
// Once per process: appends every driver that names a tag-85 format; stops at the first driver whose
// details cannot be read or that cannot be opened. The number of entries added.
int EnumMp3Codecs();
// The first entry whose name equals name ignoring case, or null.
const CodecDriverEntry* FindCodecDriver(const char* name);
