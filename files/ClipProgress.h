#pragma once
// How a long clip operation shows its progress: the window that asked for the operation implements it.
#include "platform/core/Types.h"

class ClipProgress {
public:
    virtual ~ClipProgress() = default;
    // Shown (or its text changed); it may fail to show, and the copy then goes on without it.
    virtual void Show(const char* text) = 0;
    virtual void Percent(int percent) = 0;
    virtual bool Cancelled() const = 0;
    virtual void Close() = 0;
    // The window whose messages keep running while the copy holds everyone else's; null when none is up.
    virtual HWND Window() const = 0;
};
