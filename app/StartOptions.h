#pragma once
// The start options read from the command line: process-wide, written once
// before the application object exists and read as constants afterwards.
#include "platform/core/Types.h"

struct TStartOptions {
    bool NoCompression = false;     // D: the compression manager is not used
    bool ListenAtStart = false;     // L
    bool MinimiseAtStart = false;   // M
    HWND NotifyWindow = nullptr;    // N: receives UM_NOTIFY_EXTERNAL
    bool PlayAtStart = false;       // P
    long NoBlockRounding = 0;       // Q: non-zero keeps seek positions off the block grid
    bool RunHidden = false;         // R
    bool SuggestedFormats = false;  // S: formats from the manager's suggestions only
};

extern TStartOptions StartOptions;
