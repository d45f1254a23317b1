#pragma once
// Response tables: each window class lists (message, id, notification code,
// handler) entries; a lookup searches the class's own table first, then each
// base's table in the order the bases are named.
#include <functional>
#include <vector>

#include "platform/user/Controls.h"

namespace OWL {
enum class TEntryKind : unsigned char {
    Message,         // any message by number
    Command,         // WM_COMMAND from a menu, accelerator or a control's code 0
    CommandEnable,   // asked when menus are refreshed
    ChildNotify,     // WM_COMMAND / scroll message from child id with one code
    ChildNotifyAll,  // every code of child id
    Notify,          // WM_NOTIFY by id and code
    NotifyAtChild,   // handled by the child itself
};

// Pseudo messages of the lookup (never posted).
constexpr UINT WM_OWL_COMMANDENABLE = 0x7E00;
constexpr UINT WM_OWL_CHILDSCROLL = 0x7E01;
constexpr UINT WM_OWL_NOTIFYATCHILD = 0x7E02;

struct TEventInfo {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    UINT Id = 0;
    UINT Code = 0;
    HWND Ctl = nullptr;
    LRESULT Result = 0;
};

bool EntryMatches(TEntryKind kind, UINT msg, UINT id, UINT code, const TEventInfo& info);

class TEventHandler {
public:
    virtual ~TEventHandler() = default;
    // Finds the entry for the event and runs it; false when no table has one.
    virtual bool Find(TEventInfo& info);
};

template <class T>
struct TResponseTableEntry {
    TEntryKind Kind;
    UINT Msg;
    UINT Id;
    UINT Code;
    std::function<LRESULT(T&, TEventInfo&)> Handler;
};

template <class T>
bool SearchEntries(T& object, const std::vector<TResponseTableEntry<T>>& entries, TEventInfo& info)
{
    for (const auto& e : entries) {
        if (EntryMatches(e.Kind, e.Msg, e.Id, e.Code, info)) {
            info.Result = e.Handler(object, info);
            return true;
        }
    }
    return false;
}

class TCommandEnabler;
struct TPoint;
}

#define DECLARE_RESPONSE_TABLE(cls)                                                      \
public:                                                                                  \
    bool Find(::OWL::TEventInfo& info) override;                                         \
    static const std::vector<::OWL::TResponseTableEntry<cls>>& ResponseTableEntries();   \
                                                                                         \
private:

// Opens the body of a static function of cls that returns its entries.
#define OWL_ENTRIES_BEGIN_(cls, fn)                                                      \
    const std::vector<::OWL::TResponseTableEntry<cls>>& cls::fn()                        \
    {                                                                                    \
        using TThisClass [[maybe_unused]] = cls;                                         \
        static const std::vector<::OWL::TResponseTableEntry<cls>> entries = {
#define OWL_TABLE_BEGIN_(cls) OWL_ENTRIES_BEGIN_(cls, ResponseTableEntries)

#define DEFINE_RESPONSE_TABLE(cls)                                                                         \
    bool cls::Find(::OWL::TEventInfo& info) { return ::OWL::SearchEntries(*this, ResponseTableEntries(), info); } \
    OWL_TABLE_BEGIN_(cls)
#define DEFINE_RESPONSE_TABLE1(cls, b1)                                                                    \
    bool cls::Find(::OWL::TEventInfo& info)                                                                \
    {                                                                                                      \
        return ::OWL::SearchEntries(*this, ResponseTableEntries(), info) || b1::Find(info);                \
    }                                                                                                      \
    OWL_TABLE_BEGIN_(cls)
#define DEFINE_RESPONSE_TABLE2(cls, b1, b2)                                                                \
    bool cls::Find(::OWL::TEventInfo& info)                                                                \
    {                                                                                                      \
        return ::OWL::SearchEntries(*this, ResponseTableEntries(), info) || b1::Find(info) || b2::Find(info); \
    }                                                                                                      \
    OWL_TABLE_BEGIN_(cls)
#define DEFINE_RESPONSE_TABLE3(cls, b1, b2, b3)                                                            \
    bool cls::Find(::OWL::TEventInfo& info)                                                                \
    {                                                                                                      \
        return ::OWL::SearchEntries(*this, ResponseTableEntries(), info) || b1::Find(info) || b2::Find(info) || \
               b3::Find(info);                                                                             \
    }                                                                                                      \
    OWL_TABLE_BEGIN_(cls)
// A class whose table is kept in two files: its Find searches its own
// entries, then the part's (declared in the class as a static function), then the base.
#define DEFINE_RESPONSE_TABLE1_WITH_PART(cls, b1, part)                                                    \
    bool cls::Find(::OWL::TEventInfo& info)                                                                \
    {                                                                                                      \
        return ::OWL::SearchEntries(*this, ResponseTableEntries(), info) ||                                \
               ::OWL::SearchEntries(*this, part(), info) || b1::Find(info);                                \
    }                                                                                                      \
    OWL_TABLE_BEGIN_(cls)
// The same with two bases, searched in the order named.
#define DEFINE_RESPONSE_TABLE2_WITH_PART(cls, b1, b2, part)                                                \
    bool cls::Find(::OWL::TEventInfo& info)                                                                \
    {                                                                                                      \
        return ::OWL::SearchEntries(*this, ResponseTableEntries(), info) ||                                \
               ::OWL::SearchEntries(*this, part(), info) || b1::Find(info) || b2::Find(info);              \
    }                                                                                                      \
    OWL_TABLE_BEGIN_(cls)
// The part's entries, written as a table's.
#define DEFINE_RESPONSE_TABLE_PART(cls, part) OWL_ENTRIES_BEGIN_(cls, part)
#define END_RESPONSE_TABLE \
    };                     \
    return entries;        \
    }

#define OWL_ENTRY_(kind, msg, id, code, body) \
    ::OWL::TResponseTableEntry<TThisClass>{::OWL::TEntryKind::kind, static_cast<UINT>(msg), static_cast<UINT>(id), static_cast<UINT>(code), \
        [](TThisClass & self, ::OWL::TEventInfo & info) -> LRESULT { (void)info; body }}

// void method()
#define EV_COMMAND(id, method) OWL_ENTRY_(Command, WM_COMMAND, id, 0, self.method(); return 0;)
// void method(TCommandEnabler&)
#define EV_COMMAND_ENABLE(id, method) \
    OWL_ENTRY_(CommandEnable, ::OWL::WM_OWL_COMMANDENABLE, id, 0, self.method(*reinterpret_cast<::OWL::TCommandEnabler*>(info.LParam)); return 0;)
// LRESULT method(WPARAM, LPARAM)
#define EV_MESSAGE(msg, method) OWL_ENTRY_(Message, msg, 0, 0, return self.method(info.WParam, info.LParam);)
// void method()
#define EV_CHILD_NOTIFY(id, code, method) OWL_ENTRY_(ChildNotify, 0, id, code, self.method(); return 0;)
// void method(UINT code)
#define EV_CHILD_NOTIFY_ALL_CODES(id, method) OWL_ENTRY_(ChildNotifyAll, 0, id, 0, self.method(info.Code); return 0;)
// void method(), in the child's own table
#define EV_NOTIFY_AT_CHILD(code, method) OWL_ENTRY_(NotifyAtChild, ::OWL::WM_OWL_NOTIFYATCHILD, 0, code, self.method(); return 0;)
// LRESULT method(NMHDR&)
#define EV_NOTIFY(id, code, method) OWL_ENTRY_(Notify, WM_NOTIFY, id, code, return self.method(*reinterpret_cast<NMHDR*>(info.LParam));)
// bool method(NMUPDOWN&): true refuses the change
#define EV_UDN_DELTAPOS(id, method) \
    OWL_ENTRY_(Notify, WM_NOTIFY, id, UDN_DELTAPOS, return self.method(*reinterpret_cast<NMUPDOWN*>(info.LParam)) ? 1 : 0;)

#define EV_BN_CLICKED(id, method) EV_CHILD_NOTIFY(id, BN_CLICKED, method)
#define EV_BN_DOUBLECLICKED(id, method) EV_CHILD_NOTIFY(id, BN_DOUBLECLICKED, method)
#define EV_CBN_SELCHANGE(id, method) EV_CHILD_NOTIFY(id, CBN_SELCHANGE, method)
#define EV_CBN_EDITCHANGE(id, method) EV_CHILD_NOTIFY(id, CBN_EDITCHANGE, method)
#define EV_EN_CHANGE(id, method) EV_CHILD_NOTIFY(id, EN_CHANGE, method)
#define EV_EN_UPDATE(id, method) EV_CHILD_NOTIFY(id, EN_UPDATE, method)
#define EV_STN_DBLCLK(id, method) EV_CHILD_NOTIFY(id, STN_DBLCLK, method)

// Cracked window messages with the class library's handler names.
#define EV_WM_CLOSE OWL_ENTRY_(Message, WM_CLOSE, 0, 0, self.EvClose(); return 0;)
#define EV_WM_DESTROY OWL_ENTRY_(Message, WM_DESTROY, 0, 0, self.EvDestroy(); return 0;)
#define EV_WM_TIMER OWL_ENTRY_(Message, WM_TIMER, 0, 0, self.EvTimer(static_cast<UINT>(info.WParam)); return 0;)
#define EV_WM_SIZE \
    OWL_ENTRY_(Message, WM_SIZE, 0, 0, self.EvSize(static_cast<UINT>(info.WParam), ::OWL::TSize(LOWORD(static_cast<DWORD_PTR>(info.LParam)), HIWORD(static_cast<DWORD_PTR>(info.LParam)))); return 0;)
#define EV_WM_SYSCOMMAND \
    OWL_ENTRY_(Message, WM_SYSCOMMAND, 0, 0, self.EvSysCommand(static_cast<UINT>(info.WParam), ::OWL::TPoint(GET_X_LPARAM(info.LParam), GET_Y_LPARAM(info.LParam))); return 0;)
#define EV_WM_HSCROLL \
    OWL_ENTRY_(Message, WM_HSCROLL, 0, 0, self.EvHScroll(LOWORD(info.WParam), HIWORD(info.WParam), reinterpret_cast<HWND>(info.LParam)); return 0;)
#define EV_WM_VSCROLL \
    OWL_ENTRY_(Message, WM_VSCROLL, 0, 0, self.EvVScroll(LOWORD(info.WParam), HIWORD(info.WParam), reinterpret_cast<HWND>(info.LParam)); return 0;)
#define OWL_MOUSE_(msg, name) \
    OWL_ENTRY_(Message, msg, 0, 0, self.name(static_cast<UINT>(info.WParam), ::OWL::TPoint(GET_X_LPARAM(info.LParam), GET_Y_LPARAM(info.LParam))); return 0;)
#define EV_WM_LBUTTONDOWN OWL_MOUSE_(WM_LBUTTONDOWN, EvLButtonDown)
#define EV_WM_LBUTTONUP OWL_MOUSE_(WM_LBUTTONUP, EvLButtonUp)
#define EV_WM_LBUTTONDBLCLK OWL_MOUSE_(WM_LBUTTONDBLCLK, EvLButtonDblClk)
#define EV_WM_RBUTTONDOWN OWL_MOUSE_(WM_RBUTTONDOWN, EvRButtonDown)
#define EV_WM_RBUTTONUP OWL_MOUSE_(WM_RBUTTONUP, EvRButtonUp)
#define EV_WM_MOUSEMOVE OWL_MOUSE_(WM_MOUSEMOVE, EvMouseMove)
#define EV_WM_MOUSELEAVE OWL_ENTRY_(Message, WM_MOUSELEAVE, 0, 0, self.EvMouseLeave(); return 0;)
#define EV_WM_THEMECHANGED OWL_ENTRY_(Message, WM_THEMECHANGED, 0, 0, self.EvThemeChanged(); return 0;)
#define EV_WM_SETFOCUS OWL_ENTRY_(Message, WM_SETFOCUS, 0, 0, self.EvSetFocus(reinterpret_cast<HWND>(info.WParam)); return 0;)
#define EV_WM_KILLFOCUS OWL_ENTRY_(Message, WM_KILLFOCUS, 0, 0, self.EvKillFocus(reinterpret_cast<HWND>(info.WParam)); return 0;)
#define EV_WM_CHAR \
    OWL_ENTRY_(Message, WM_CHAR, 0, 0, self.EvChar(static_cast<UINT>(info.WParam), LOWORD(static_cast<DWORD_PTR>(info.LParam)), HIWORD(static_cast<DWORD_PTR>(info.LParam))); return 0;)
#define EV_WM_KEYDOWN \
    OWL_ENTRY_(Message, WM_KEYDOWN, 0, 0, self.EvKeyDown(static_cast<UINT>(info.WParam), LOWORD(static_cast<DWORD_PTR>(info.LParam)), HIWORD(static_cast<DWORD_PTR>(info.LParam))); return 0;)
#define EV_WM_QUERYENDSESSION \
    OWL_ENTRY_(Message, WM_QUERYENDSESSION, 0, 0, return self.EvQueryEndSession(static_cast<UINT>(info.WParam), static_cast<UINT>(info.LParam)) ? TRUE : FALSE;)
#define EV_WM_DEVICECHANGE \
    OWL_ENTRY_(Message, WM_DEVICECHANGE, 0, 0, return self.EvDeviceChange(static_cast<UINT>(info.WParam), static_cast<DWORD_PTR>(info.LParam)) ? TRUE : FALSE;)
#define EV_WM_HELP OWL_ENTRY_(Message, WM_HELP, 0, 0, self.EvHelp(*reinterpret_cast<const HELPINFO*>(info.LParam)); return TRUE;)
#define EV_WM_CONTEXTMENU \
    OWL_ENTRY_(Message, WM_CONTEXTMENU, 0, 0, self.EvContextMenu(reinterpret_cast<HWND>(info.WParam), ::OWL::TPoint(GET_X_LPARAM(info.LParam), GET_Y_LPARAM(info.LParam))); return 0;)
#define EV_WM_SHOWWINDOW OWL_ENTRY_(Message, WM_SHOWWINDOW, 0, 0, self.EvShowWindow(info.WParam != 0, static_cast<UINT>(info.LParam)); return 0;)
