#pragma once
// What the desktop tests see and do on a real display: the native geometry of
// a window, real input through the X server, screenshots and the legibility of
// labels. Nothing of the toolkit shows through this header.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/user/Window.h"

namespace platform::display::testing {
// Where a window's widget is on the screen, in pixels; none when it has no widget.
std::optional<RECT> ScreenRect(HWND window);
// The widget's rectangle in its top-level window's client area.
std::optional<RECT> ClientRectInTop(HWND window);
// Whether the widget is mapped on the screen (it and all its parents shown).
bool Shown(HWND window);
// Whether the widget (or a part of it, as a combo box's entry) has the toolkit's keyboard focus.
bool HasNativeFocus(HWND window);
// What the widget shows of its state: a check box's 0/1/2, an entry's text, a
// list's selection, a slider's position, a gauge's "value/range", a label.
std::string NativeValue(HWND window);
// The visible pop-up menu's item with this label (mnemonic marks left out), at its
// centre, once the menu has stopped moving (polled: the first sighting is none).
std::optional<POINT> MenuItemOnScreen(const std::string& label);
// The centre of a tab control's tab, once it is on the screen.
std::optional<POINT> TabOnScreen(HWND tabs, int index);
// Whether that item of an open menu (bar or pop-up) can be chosen; none when no such item is shown.
std::optional<bool> MenuItemEnabled(const std::string& label);
// The menu bar's top-level menu with this label, at its centre.
std::optional<POINT> MenuBarItemOnScreen(HWND frame, const std::string& label);
// Every item of the frame's menu bar, its menus' items depth first, as shown: the texts
// of its labels joined by tabs ("Open...\tCtrl+O"); separators are left out.
std::vector<std::string> MenuBarItemTexts(HWND frame);
// How many shortcuts the toolkit itself holds for the frame's window (as its menus would install them).
int ToolkitShortcuts(HWND frame);
// What the toolkit logs (its warnings and debug notes) while one of these lives;
// the lines still reach standard error as well.
class ToolkitLog {
public:
    ToolkitLog();
    ~ToolkitLog();
    ToolkitLog(const ToolkitLog&) = delete;
    ToolkitLog& operator=(const ToolkitLog&) = delete;
    std::vector<std::string> Lines() const;

private:
    class Target;
    Target* target_;
};
// Names of the open file chooser's filters that accept a file of this name.
std::vector<std::string> ChooserFiltersAccepting(const std::string& fileName);
// Runs the program's queue and the toolkit until the condition holds or the
// time is up; true when it held.
bool RunUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Whether the desktop has a system tray now (a tray host holds its selection).
bool TrayHostPresent();
// The centre of an owner's notification-area icon, once the tray shows it.
std::optional<POINT> TrayIconOnScreen(HWND owner, UINT id);
// The tooltip the tray shows over that icon; empty when none or not shown.
std::string TrayIconTooltip(HWND owner, UINT id);
// The colour the screen shows at a point.
std::optional<COLORREF> ScreenPixel(POINT at);

// A real toolkit push button filling a window of this size, drawn in a theme state
// (PBS_NORMAL, PBS_HOT, PBS_PRESSED, PBS_DISABLED): its pixels, row by row.
std::vector<COLORREF> ToolkitButtonFace(int stateId, int width, int height);
// Switches the desktop's theme as a change of its settings would; returns the theme's name before.
std::string SwitchTheme(const std::string& name, bool dark = false);

// Real input, through the X server as a user's: the mouse moved to and clicked
// at a screen point, or at a window's centre; keys pressed with modifiers
// (VK_SHIFT, VK_CONTROL, VK_MENU); text typed.
void ClickAt(POINT screen, bool right = false);
void MoveMouseTo(POINT screen);
void Click(HWND window);
void DoubleClickAt(POINT screen);
void DoubleClick(HWND window);
void Key(UINT vk, const std::vector<UINT>& modifiers = {});
void Type(const std::string& text);

// The open message box, if any: its text and its buttons' labels and centres.
struct OpenBox {
    std::string text;
    std::vector<std::pair<std::string, POINT>> buttons;
};
std::optional<OpenBox> MessageBoxOnScreen();
// The open file or folder chooser: type a path into it and accept, or cancel.
bool FileChooserOnScreen();
bool AnswerFileChooser(const std::optional<std::string>& path);

// Moves a top-level window as a window manager or the user's drag would, behind the program's back.
void MoveAsUser(HWND topLevel, POINT to);

// A PNG of a top-level window as it is on the screen.
bool SaveScreenshot(HWND topLevel, const std::string& path);
// Texts of the window's descendants that do not fit their controls at the dialog font.
std::vector<std::string> ClippedLabels(HWND window);
// The text of the tooltip a window shows, empty for none.
std::string Tooltip(HWND window);

// Windows of another program on the same display, seen as a window manager
// sees them (the end-to-end tests drive the real program from outside it).
struct ForeignWindow {
    unsigned long id = 0;  // the X window
    std::string title;
    std::string type;  // what it says it is: "NORMAL", "DIALOG", "POPUP_MENU", "DROPDOWN_MENU", "TOOLTIP" ...
    RECT screen{};
};
// The mapped top-level windows of other processes whose WM_CLASS names this
// class (either part, any case), menus and message boxes too, top of the stack first.
std::vector<ForeignWindow> ForeignWindows(const std::string& windowClass);
// The name of the window manager that runs the display now; empty when none does.
std::string WindowManagerName();
// The least and greatest sizes a window asks its window manager for; none where it sets no limit.
struct WindowSizeHints {
    std::optional<SIZE> min;
    std::optional<SIZE> max;
};
WindowSizeHints SizeHints(unsigned long id);
// Whether the keyboard's input focus is in that window.
bool HasInputFocus(unsigned long id);
// Asks the window to close as a window manager's close button does.
bool CloseAsWindowManager(unsigned long id);
// A click (twice: a double click) at a screen point through the X server's test extension
// itself: a right click of the toolkit's simulator opens no pop-up menu of another program.
void ClickThroughXTest(POINT screen, bool right = false, int times = 1);
// The screen's pixels in the area, 0xRRGGBB row by row; empty when it cannot be read.
std::vector<std::uint32_t> ScreenPixels(const RECT& area);
}
