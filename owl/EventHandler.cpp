// Which response-table entry a message matches; a command entry takes code 0 from controls, 0 or 1 otherwise.
#include "owl/EventHandler.h"

namespace OWL {
bool EntryMatches(TEntryKind kind, UINT msg, UINT id, UINT code, const TEventInfo& info)
{
    switch (kind) {
    case TEntryKind::Message:
        return msg == info.Msg;
    case TEntryKind::Command:
        // Menus and accelerators (no control: code 0 or 1), or a control's code 0 (BN_CLICKED).
        return info.Msg == WM_COMMAND && id == info.Id && (info.Ctl ? info.Code == 0 : info.Code <= 1);
    case TEntryKind::CommandEnable:
        return info.Msg == WM_OWL_COMMANDENABLE && id == info.Id;
    case TEntryKind::ChildNotify:
        return (info.Msg == WM_COMMAND || info.Msg == WM_OWL_CHILDSCROLL) && info.Ctl && id == info.Id && code == info.Code;
    case TEntryKind::ChildNotifyAll:
        return (info.Msg == WM_COMMAND || info.Msg == WM_OWL_CHILDSCROLL) && info.Ctl && id == info.Id;
    case TEntryKind::Notify:
        return info.Msg == WM_NOTIFY && id == info.Id && code == info.Code;
    case TEntryKind::NotifyAtChild:
        return info.Msg == WM_OWL_NOTIFYATCHILD && code == info.Code;
    }
    return false;
}

bool TEventHandler::Find(TEventInfo&) { return false; }
}
