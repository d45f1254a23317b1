#pragma once
// The clipboard: one owner at a time between Open and Close; data handed over
// as global memory blocks, which the clipboard then owns.
#include "platform/user/GlobalMemory.h"
#include "platform/user/Window.h"

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_WAVE = 12;

BOOL OpenClipboard(HWND owner);
// False when not open, or when the desktop's clipboard refused what was set.
BOOL CloseClipboard();
BOOL EmptyClipboard();  // only while open
// Only while open; the block then belongs to the clipboard. Null on failure.
HANDLE SetClipboardData(UINT format, HANDLE data);
HANDLE GetClipboardData(UINT format);  // only while open
BOOL IsClipboardFormatAvailable(UINT format);
// The same name always gives the same number (0xC000 and up), 0 for an empty name.
UINT RegisterClipboardFormatA(LPCSTR name);

namespace platform {
// Empties the clipboard and forgets its owner (tests).
void ResetClipboard();
}
