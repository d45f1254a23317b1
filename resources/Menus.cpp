// Menus 100 (frame) and 26000 (tray), accelerator table 100.
#include "platform/user/Keyboard.h"
#include "platform/user/Resources.h"
#include "resources/Resources.h"

namespace resources {
namespace {
using M = platform::MenuItemTemplate;
const M kSeparator{};

M Item(const char* text, UINT id) { return M{text, id, 0, {}}; }
M Popup(const char* text, std::vector<M> items) { return M{text, 0, 0, std::move(items)}; }
}

void RegisterMenus()
{
    platform::AddMenu(100, {
        Popup("&File", {
            Popup("&New", {Item("&Default audio file\tCtrl+N", 24331), Item("Wave file", 24351), Item("MP3 file", 24352)}),
            Item("&Open...\tCtrl+O", 24332),
            Item("&Save\tCtrl+S", 24333),
            Item("Save &As...", 24334),
            kSeparator,
            Item("Log file...", 24353),
            Item("&Close window\tCtrl+W", 24311),
            Item("E&xit\tAlt+F4", 24310),
        }),
        Popup("&Control", {
            Item("&Record\tAlt+R", 150),
            kSeparator,
            Item("&Play\tAlt+P", 151),
            Item("&Stop\tAlt+S", 154),
            Item("Toggle play\tSpace", 25000),
            Popup("Positio&n", {
                Item("&Forward 1 minute\tRight-cursor", 153),
                Item("Forward 1 second\tShift+Right-cursor", 25300),
                Item("Forward 1 segment\tCtrl+Right-cursor", 25301),
                Item("Forward 1 comment\tCtrl+Shift+Right-cursor", 25306),
                kSeparator,
                Item("&Back 1 minute\tLeft-cursor", 152),
                Item("Back 1 second\tShift+Left-cursor", 25302),
                Item("Back 1 segment\tCtrl+Left-cursor", 25303),
                Item("Back 1 comment\tCtrl+Shift+Left-cursor", 25307),
            }),
        }),
        Popup("&Options", {
            Item("&Preferences...", 25006),
            kSeparator,
            Item("Enable &Timer\tCtrl+T", 25009),
            kSeparator,
            Item("Mixer Pla&y control...\tCtrl+Shift+P", 25001),
            Item("Mixer &Record control...\tCtrl+Shift+R", 25002),
            Item("&Volume...\tCtrl+Shift+V", 25003),
            Item("System Multimedia Pr&operties...", 25015),
        }),
        Popup("&Help", {
            Item("&Contents", 2001),
            kSeparator,
            Item("Check for &Updates", 25998),
            Item("Fennwicke Systems web site", 25997),
            Item("Tapvox product web page", 25996),
            kSeparator,
            Item("&About Tapvox...", 2009),
        }),
    });

    platform::AddMenu(26000, {
        Popup("&Tray", {
            Item("&Open window", 26001),
            Item("&New file", 26006),
            Item("&Toggle recording", 26002),
            Item("&About...", 26003),
            Item("E&xit", 26004),
        }),
    });

    constexpr BYTE V = FVIRTKEY;
    constexpr BYTE C = FVIRTKEY | FCONTROL;
    constexpr BYTE CS = FVIRTKEY | FCONTROL | FSHIFT;
    constexpr BYTE S = FVIRTKEY | FSHIFT;
    constexpr BYTE A = FVIRTKEY | FALT;
    platform::AddAccelerators(100, {
        {static_cast<BYTE>(C | FALT), 'P', 25210},
        {V, static_cast<WORD>(VK_PRIOR), 25212},
        {V, static_cast<WORD>(VK_NEXT), 25213},
        {C, 'S', 24333},
        {C, 'N', 24331},
        {C, 'T', 25009},
        {C, 'W', 24311},
        {C, 'C', 23001},
        {C, 'X', 23007},
        {C, 'V', 23008},
        {CS, 'V', 25003},
        {CS, 'P', 25001},
        {CS, 'R', 25002},
        {C, 'O', 24332},
        {V, static_cast<WORD>(VK_SPACE), 25000},
        {V, static_cast<WORD>(VK_RIGHT), 153},
        {C, static_cast<WORD>(VK_RIGHT), 153},
        {S, static_cast<WORD>(VK_RIGHT), 153},
        {CS, static_cast<WORD>(VK_RIGHT), 153},
        {V, static_cast<WORD>(VK_LEFT), 152},
        {C, static_cast<WORD>(VK_LEFT), 152},
        {S, static_cast<WORD>(VK_LEFT), 152},
        {CS, static_cast<WORD>(VK_LEFT), 152},
        {A, 'P', 151},
        {A, 'S', 154},
        {A, 'R', 150},
        {static_cast<BYTE>(CS | FALT), 'R', 23011},
        {static_cast<BYTE>(A | FSHIFT), 'R', 23010},
        {C, 'A', 23003},
        {C, 'M', 23000},
    });
}
}
