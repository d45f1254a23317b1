#include "platform/user/MessageBox.h"

#include <cstdio>

#include "platform/user/Headless.h"
#include "platform/user/UserInternal.h"

namespace platform::user_detail {
int DefaultButton(UINT type)
{
    static const int buttons[6][3] = {
        {IDOK, IDOK, IDOK},         {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL},    {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL},
    };
    const UINT set = type & 0xF;
    const UINT def = (type >> 8) & 0xF;
    if (set > 5) {
        return IDOK;
    }
    return buttons[set][def > 2 ? 0 : def];
}
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);
    }
    platform::headless::MessageBoxCall call{owner, text ? text : "", caption ? caption : "Error", type, 0};
    // The box is modal: what is queued runs while it waits for the user.
    platform::headless::RunUntilIdle();
    call.result = platform::user_detail::AnswerMessageBox(call);
    if (ownerWasEnabled && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
    }
    return call.result;
}

BOOL MessageBeep(UINT) { return TRUE; }
