// Registration of the standard control classes and the notification they send their parent.
#include "platform/user/Controls.h"
#include "platform/user/UserInternal.h"

namespace platform::user_detail {
void RegisterStandardControls()
{
    struct Entry {
        const char* name;
        WNDPROC proc;
    };
    const Entry entries[] = {
        {WC_BUTTON, ButtonProc},        {WC_STATIC, StaticProc},          {WC_EDIT, EditProc},
        {WC_COMBOBOX, ComboProc},       {WC_LISTBOX, ListProc},           {UPDOWN_CLASS, UpDownProc},
        {TRACKBAR_CLASS, TrackbarProc}, {PROGRESS_CLASS, ProgressProc},   {HOTKEY_CLASS, HotKeyProc},
        {TOOLTIPS_CLASS, TooltipProc},  {WC_TABCONTROL, TabProc},
    };
    for (const Entry& e : entries) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = e.proc;
        wc.lpszClassName = e.name;
        RegisterClassA(&wc);
    }
}

void NotifyParent(HWND control, UINT code)
{
    WindowRecord* r = FindWindowRecord(control);
    if (!r || !r->state.parent) {
        return;
    }
    SendMessage(r->state.parent, WM_COMMAND, MAKEWPARAM(r->state.id, static_cast<int>(code)), reinterpret_cast<LPARAM>(control));
}
}
