#pragma once
// The seam between the window layer and what shows its windows: one backend,
// installed once at start-up, hears of every window and serves modal user interface.
//
// The window layer owns the windows: their records, the message queue, timers
// and the program's message loop. A backend only mirrors. Two exist:
// - headless (platform/user/Headless.h): the default. It shows nothing, answers
//   modal user interface from the test's scripts (or takes the default), and
//   sleeps on a condition variable when the loop waits.
// - desktop (platform/display/): mirrors each window as a toolkit widget and
//   turns the user's input into the messages the program expects.
//
// Rules for an implementation:
// - Everything is called on the GUI thread, except Wake (any thread).
// - The notifications (WindowCreated ... SurfaceChanged) report a change that
//   has already happened. They may read the layer through its API (GetWindowTextA,
//   GetMenuItemCount, GetFocus ...) and the WindowState they are given, but must not
//   change windows, send or dispatch messages: the layer is in the middle of an update.
// - Input goes back into the layer as messages: PostMessage to the window the
//   user acted on (WM_LBUTTONDOWN/UP with client coordinates, WM_KEYDOWN/UP and
//   WM_CHAR to the focus window, WM_CLOSE or WM_SYSCOMMAND from the frame,
//   UM_INPUT_CHOOSE/DRAG/STEP of platform/user/Controls.h for list choices,
//   trackbar drags and up-down steps); a message for every key pressed and released,
//   modifiers too, which set the key state as the program takes them.
//   Never write the state a control keeps itself (check, text, position): the
//   control's procedure does that and notifies its parent as the program expects.
// - Drawing happens in the layer: a window's pixels are its surface
//   (platform/gdi/Gdi.h), handed over by SurfaceChanged. Show them as they are;
//   standard controls without owner drawing are drawn by the backend from their state.
// - The end of the user's desktop session comes to each top-level window as a
//   posted WM_ENDSESSION with wParam TRUE (the signals SIGTERM and SIGHUP come
//   the same way, platform/user/Session.h); the program then closes without questions.
// - The modal calls (message boxes, file dialogs, pop-up menus, modal windows)
//   may run a nested loop; while the user has not answered, queued messages must
//   keep running: dispatch them with platform::ProcessMessage (PeekMessage with
//   PM_REMOVE first), as the layer's own loops do.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/user/Messages.h"

namespace platform {
struct Surface;

struct ListItem {
    std::string text;
    LPARAM data = 0;
};

// What a backend shows of one window. Read only; the layer changes it and says what changed.
struct WindowState {
    std::string className;  // as registered (standard classes as platform/user/Controls.h names them)
    int id = 0;             // child windows: the control id
    std::string text;
    DWORD style = 0;        // WS_* and the class's own styles (BS_*, ES_* ...)
    DWORD exStyle = 0;
    RECT rect{};            // in the parent's client coordinates (screen for top-level windows)
    HWND parent = nullptr;  // child windows
    HWND owner = nullptr;   // top-level windows: the window they stay above and go with
    std::vector<HWND> children;  // creation order = z and tab order
    bool enabled = true;
    bool visible = false;   // this window's own flag; a child shows when its parents do too
    bool topMost = false;
    bool minimized = false;
    HANDLE menu = nullptr;  // top-level windows: the menu bar (HMENU)
    HANDLE smallIcon = nullptr;  // HICON; platform::FindIcon gives its pixels
    HANDLE bigIcon = nullptr;

    // State of the standard controls.
    int check = 0;              // buttons: BST_*
    bool pushed = false;        // button held down
    std::vector<ListItem> items;  // combo and list boxes; tooltips: their tools (data = tool id)
    int curSel = -1;            // combo and list boxes
    int textLimit = 0;          // edits and combo edits; 0 = the default maximum
    int selStart = 0;           // edit selection (caret at selEnd)
    int selEnd = 0;
    int rangeMin = 0;           // up-down, trackbar, progress
    int rangeMax = 100;
    int pos = 0;
    int tickFreq = 1;           // trackbar tick frequency; progress bar step
    HWND buddy = nullptr;       // up-down
    WORD hotKey = 0;            // hot-key control: virtual key, HOTKEYF_* in the high byte
};

// Which part of a WindowState changed.
enum class WindowChange {
    Text,       // text
    Style,      // style, exStyle, topMost
    Position,   // rect
    Show,       // visible, minimized
    Enable,     // enabled
    Family,     // parent, owner, children
    Menu,       // menu: a new bar
    Icon,       // smallIcon, bigIcon
    Check,      // check, pushed
    Range,      // rangeMin, rangeMax, pos, tickFreq, buddy
    Items,      // items
    Selection,  // curSel, selStart, selEnd
    TextLimit,  // textLimit
    HotKey,     // hotKey
    Focus,      // the window gained or lost the keyboard focus (GetFocus tells which)
    Capture,    // the window gained or lost the mouse capture (GetCapture)
    Active,     // the window became the active window (GetActiveWindow)
};

struct MessageBoxRequest {
    HWND owner;          // already disabled by the layer for the box's lifetime
    std::string text;
    std::string caption;
    UINT type;           // MB_* buttons, icon and default button
};

enum class FileDialogKind {
    Open,
    Save,
    // An open dialog whose template hides the file list: the user picks a folder.
    Folder,
};

struct FileDialogRequest {
    FileDialogKind kind;
    HWND owner;
    std::string title;    // empty: the dialog's own
    std::vector<std::pair<std::string, std::string>> filters;  // (description, patterns "*.wav;*.mp3")
    int filterIndex = 1;  // 1-based, into filters
    std::string initialFolder;
    std::string fileName;  // the name already in the caller's buffer
    std::string defaultExtension;  // added by the layer when the chosen name has none
    DWORD flags = 0;       // OFN_*
};

// One format of what the program put on the clipboard: its number, the name
// it was registered by (empty for a standard format) and its bytes.
struct ClipboardItem {
    UINT format = 0;
    std::string name;
    std::vector<BYTE> bytes;
};

struct FileDialogResult {
    std::string path;       // Open/Save: the file; Folder: the folder
    bool readOnly = false;  // the read-only box was ticked
};

// An icon in the desktop's notification area, owned by a window.
struct TrayIconRequest {
    HWND owner = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;  // 0: the icon reports no input
    HANDLE icon = nullptr;     // HICON; platform::FindIcon gives its pixels
    std::string tip;           // empty: keep the tip shown
};

class Backend {
public:
    virtual ~Backend() = default;

    // Windows. Created comes once the record is complete and before WM_NCCREATE,
    // parents before their children; Destroyed after the window's children went
    // and before its handle is freed (a later window may reuse the handle).
    virtual void WindowCreated(HWND /*window*/, const WindowState& /*state*/) {}
    virtual void WindowChanged(HWND /*window*/, const WindowState& /*state*/, WindowChange /*what*/) {}
    virtual void WindowDestroyed(HWND /*window*/) {}
    // The window drew into its surface (a paint ended, a window DC was released).
    virtual void SurfaceChanged(HWND /*window*/, const Surface& /*surface*/) {}

    // A message box; returns the button (IDOK ...). The layer has disabled the owner.
    virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
    // A state the program shows only on its windows (a caption, a status field),
    // to reach a user without a display: headless writes it to standard error;
    // a desktop, where the windows show it, does nothing more.
    virtual void Notice(const std::string& /*caption*/, const std::string& /*text*/) {}
    // An open, save or folder dialog; none: the user cancelled.
    virtual std::optional<FileDialogResult> ChooseFile(const FileDialogRequest& request) = 0;
    // A pop-up menu at a screen point; returns the chosen command, 0 when dismissed.
    // The layer sends it to the owner or returns it (TPM_RETURNCMD).
    virtual UINT TrackPopupMenu(HMENU menu, HWND owner, POINT at) = 0;

    // The nested loop of a modal dialog or property sheet, which the layer runs:
    //   BeginModal -> (window shown) -> ModalReady -> dispatch the queue; when it
    //   is empty: ModalIdle -> WaitForEvents -> dispatch ... until EndDialog -> EndModal.
    // name: the dialog's template (number as MAKEINTRESOURCE, or name) or the sheet's caption.
    // BeginModal comes with a null window when the dialog could not be created
    // (an answer prepared for it is spent), and then nothing else follows.
    virtual void BeginModal(HWND window, LPCSTR name) = 0;
    // The window is up and has not ended yet: the user may act now.
    virtual void ModalReady(HWND window) = 0;
    // Nothing is queued and the window is still open: true lets the layer wait
    // for input (WaitForEvents) and go on; false says no user will ever answer,
    // and the layer cancels the window as Escape would.
    virtual bool ModalIdle(HWND window) = 0;
    // The loop is over (ended or cancelled); the layer destroys the window next.
    virtual void EndModal(HWND window) = 0;

    // The program's loop. PeekMessage calls PollEvents when it finds nothing, so
    // toolkit input pending now becomes messages without blocking; true when it
    // posted any. GetMessage calls WaitForEvents when nothing is due, with the
    // time to the next timer (none: no timer, or the test's manual clock, whose
    // changes wake the loop); it returns on input, on Wake, or at the timeout,
    // and may return early. Wake comes from any thread after a PostMessage while
    // the loop waits, and from whatever thread moves the test's manual clock; a
    // Wake before the wait begins must end the next wait at once.
    virtual bool PollEvents() { return false; }
    virtual void WaitForEvents(std::optional<std::uint64_t> timeoutMs) = 0;
    virtual void Wake() = 0;

    // The desktop's clipboard, shared with other programs. A backend without
    // one (headless) leaves the layer's own clipboard in charge. Publish comes
    // when the program closes the clipboard after changing it (nothing: it
    // emptied it); Read and Holds look at whatever the desktop's clipboard
    // holds now, by format number and registered name.
    virtual bool HasSharedClipboard() { return false; }
    virtual bool PublishClipboard(const std::vector<ClipboardItem>& /*items*/) { return false; }
    virtual std::optional<std::vector<BYTE>> ReadClipboard(UINT /*format*/, const std::string& /*name*/) { return std::nullopt; }
    virtual bool ClipboardHolds(UINT /*format*/, const std::string& /*name*/) { return false; }

    // Measures. A dialog template's font, in pixels: the average width of a
    // character and the height of a line (dialog units are a quarter and an
    // eighth of them). Headless: 6 x 13, the classic dialog font.
    virtual SIZE DialogBaseUnits(const std::string& /*fontName*/, int /*pointSize*/) { return SIZE{6, 13}; }
    // The screen the top-level windows are placed on.
    virtual SIZE ScreenSize() { return SIZE{1920, 1080}; }

    // The notification area (Shell_NotifyIconA of platform/shell). ShowTrayIcon
    // adds the icon of (owner, id) or changes it; false when the desktop has
    // nowhere to show it (no StatusNotifierItem host, no system tray), so the
    // program knows it cannot hide its window there. Input on the icon goes back
    // as PostMessage(owner, callbackMessage, id, mouse message): WM_LBUTTONUP
    // for a click; WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP for a double
    // click, as the mouse makes them (an activation without a mouse, as the
    // host's "activate" request: WM_LBUTTONDBLCLK alone); WM_RBUTTONUP for the
    // context menu, which the program shows itself with TrackPopupMenu.
    // Headless: no tray host unless a test installs one.
    virtual bool ShowTrayIcon(const TrayIconRequest& /*request*/) { return false; }
    virtual void RemoveTrayIcon(HWND /*owner*/, UINT /*id*/) {}
};

// Installs the backend for the rest of the run (before any window and any
// device thread); null puts back the headless one. Returns the one it replaces.
Backend* InstallBackend(Backend* backend);
Backend& CurrentBackend();

// The button a message box of this type takes by default (MB_DEFBUTTONn of its button set).
int DefaultMessageBoxButton(UINT type);
}
