#pragma once
// Messages named by a string, as programs and the shell agree on them ("TaskbarCreated").
#include "platform/core/Graphics.h"

// The same number for the same name (case-insensitive) for the process's life, in
// 0xC000..0xFFFF; 0 for an empty name or when the range is used up.
UINT RegisterWindowMessageA(LPCSTR name);
