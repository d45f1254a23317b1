#pragma once
// Internal to platform/help: the text popup window.
#include <string>

#include "platform/help/Help.h"

namespace platform::help_detail {
// Shows text in a popup at the screen point (kept on the screen), replacing the
// popup that is up; a click anywhere, a key or losing the mouse closes it.
HWND ShowPopup(HWND owner, const std::string& text, POINT at, COLORREF foreground, COLORREF background,
               const RECT& margins);
}
