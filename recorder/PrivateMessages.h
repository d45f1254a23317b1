#pragma once
// The program's private window messages and window timer ids: the main window's
// engine messages, the frame's notifications and the message to an outside window.
#include "platform/user/Messages.h"

constexpr UINT UM_SEEK = WM_USER + 78;
constexpr UINT UM_STOP = WM_USER + 79;
constexpr UINT UM_TOGGLE_RECORD = WM_USER + 87;
constexpr UINT UM_TOGGLE_PLAY = WM_USER + 88;
constexpr UINT UM_NEXT_FILE = WM_USER + 91;
constexpr UINT UM_SETTINGS_CHANGED = WM_USER + 93;
constexpr UINT UM_STOP_AND_SAVE = WM_USER + 94;
constexpr UINT UM_STOP_AND_PLAY = WM_USER + 97;
constexpr UINT UM_STOP_AND_RECORD = WM_USER + 98;
constexpr UINT UM_NEXT_FILE_AFTER_SILENCE = WM_USER + 99;
constexpr UINT UM_REPEAT_REWIND = WM_USER + 152;
constexpr UINT UM_REPEAT_FORWARD = WM_USER + 153;
constexpr UINT UM_NOTIFY_EXTERNAL = WM_USER + 299;
constexpr UINT UM_RECORD_STARTED = WM_USER + 321;
constexpr UINT UM_STATE_CHANGED = WM_USER + 370;
constexpr UINT UM_RESTART_INPUT = WM_USER + 377;
constexpr UINT UM_SYNC_FILES = WM_USER + 398;
// The main window to itself: a failure found inside a buffer handler, shown after it returns.
constexpr UINT UM_ENGINE_REPORT = WM_USER + 401;
// The main window to itself: the recording's file lost its name while recording.
constexpr UINT UM_FILE_GONE = WM_USER + 402;

constexpr UINT_PTR TIMER_PLAY_STEP = 39;
constexpr UINT_PTR TIMER_SCHEDULE = 42;
constexpr UINT_PTR TIMER_QUIT = 43;
