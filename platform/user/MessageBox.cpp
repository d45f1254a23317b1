// Message boxes: the owner is disabled while the backend asks the user.
#include "platform/user/MessageBox.h"

#include "platform/user/Backend.h"

namespace platform {
int DefaultMessageBoxButton(UINT type)
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
    const int result = platform::CurrentBackend().ShowMessageBox(
        platform::MessageBoxRequest{owner, text ? text : "", caption ? caption : "Error", type});
    if (ownerWasEnabled && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
    }
    return result;
}

BOOL MessageBeep(UINT) { return TRUE; }

void ShowNotice(LPCSTR text, LPCSTR caption)
{
    platform::CurrentBackend().Notice(caption ? caption : "", text ? text : "");
}
