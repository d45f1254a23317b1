#pragma once
// The application's main window (the frame): what owns help popups, help topics
// and opened links, whichever dialog asks for them. Null before it exists.
#include "owl/Application.h"
#include "owl/FrameWindow.h"

inline HWND ApplicationMainWindow()
{
    OWL::TApplication* app = OWL::TApplication::Current();
    OWL::TFrameWindow* frame = app ? app->GetMainWindow() : nullptr;
    return frame ? frame->GetHandle() : nullptr;
}
