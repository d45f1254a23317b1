#pragma once
// Internal to platform/display: the desktop backend, the widgets that show the
// window records, and the input and measures they share.
#include <wx/wx.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/user/Backend.h"

namespace platform::display {
// Shows one window record. The backend makes one per window, of the kind its
// state asks for, and hands it every change.
class Native {
public:
    explicit Native(HWND hwnd) : hwnd_(hwnd) {}
    virtual ~Native();
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;
    HWND Handle() const { return hwnd_; }
    // The widget placed in the parent's container and shown or hidden.
    virtual wxWindow* Widget() const = 0;
    // Where the widgets of this window's children go; null: not a container.
    virtual wxWindow* Container() const { return nullptr; }
    // Once with WindowChange::Family after creation (everything is new), then per change.
    virtual void Update(const WindowState& state, WindowChange what);
    virtual void ShowSurface(const Surface&) {}
    // The toolkit's keyboard focus to this widget, as the layer's focus is on its window.
    virtual void ShowFocus();

protected:
    HWND hwnd_;
};

// What shows a window record of this state.
enum class Kind {
    TopLevel, Canvas, Container, Label, PushButton, CheckBox, RadioButton, GroupBox,
    Edit, HotKey, DropList, ComboEdit, ListBox, UpDown, Trackbar, Progress, Tooltip, Tabs,
};
Kind KindOf(const WindowState& state);
std::unique_ptr<Native> MakeNative(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container);
std::unique_ptr<Native> MakeTopLevel(HWND hwnd, const WindowState& state);
std::unique_ptr<Native> MakeCanvas(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container);
std::unique_ptr<Native> MakeLabel(HWND hwnd, const WindowState& state, wxWindow* container);
std::unique_ptr<Native> MakeButton(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container);
std::unique_ptr<Native> MakeTextField(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container);
std::unique_ptr<Native> MakeList(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container);
std::unique_ptr<Native> MakeRange(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container);
std::unique_ptr<Native> MakeTabs(HWND hwnd, const WindowState& state, wxWindow* container);
// Whether a static's text, wrapped as it is drawn, fits a control of this size.
bool LabelFits(const WindowState& state, wxSize size);

// The backend's table of shown windows.
Native* FindNative(HWND hwnd);
HWND TopLevelOf(HWND hwnd);

// The font every control of a dialog shows its text in, and its base units.
const wxFont& DialogFont();
SIZE MeasureBaseUnits(const wxFont& font);
void LoadCompactStyle();

// Input. Posts to a window that may take it now: it and its top-level window
// enabled, and no modal window above it.
bool AcceptsInput(HWND hwnd);
void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The user's press or release the program is answering now. The program asks for a pop-up
// menu only once the queue reaches the click's message, when the toolkit has no current
// event any more: the menu takes the remembered one, which it needs to grab the pointer.
void RememberTrigger();
// The current press or release, else the remembered one, else one of now; the caller frees it.
union _GdkEvent* CopyOfTrigger();
// Mouse events of a widget become the window's mouse messages (to the capture
// window while one holds it); focusOnClick: a press also gives the focus.
void BindMouse(wxWindow* widget, HWND hwnd, bool focusOnClick);
// Key presses and releases anywhere in our top-level windows go to the layer's
// focus window; the toolkit's own windows (message boxes, choosers, open menus) keep theirs.
void InterceptKeys();
// The top-level window whose toolkit window this is, or null for the toolkit's own.
HWND ShellWindow(struct _GtkWidget* toplevel);
void SetModal(HWND hwnd, bool modal);
// A label without its mnemonic marks (toolkitMnemonic: in the toolkit's '&' form); a tab ends it.
std::string StripMnemonic(const std::string& text, bool toolkitMnemonic);

// The face of the windows the program draws on: its top-level window's background.
wxColour FaceColour(wxWindow* w);
// Images: a surface or an icon as a bitmap.
wxBitmap SurfaceBitmap(const Surface& surface);
wxIcon IconFromHandle(HANDLE icon);

// The program's loop while a native modal window is up: runs the queue until done
// is set (or WM_QUIT comes, which stays queued: false).
bool RunNestedLoop(const std::function<bool()>& done);
// Menus: a bar from a menu handle, kept in step with it, and pop-ups.
wxMenuBar* MakeMenuBar(HWND frame, HANDLE menu);
// Whether the frame's menu bar has a top-level menu with this mnemonic (upper case).
bool MenuBarMnemonic(HWND frame, char mnemonic);
void SyncOpenMenus();
// A bar that goes: its menus are no longer open.
void ForgetMenuBar(wxMenuBar* bar);
UINT PopupMenu(HMENU menu, HWND owner, POINT at);
int RunMessageBox(const MessageBoxRequest& request);
// The toolkit window a window's native modal windows stay above, or null.
struct _GtkWindow* ShellOf(HWND owner);
std::optional<FileDialogResult> RunFileChooser(const FileDialogRequest& request);

// The buttons' themed drawing in the desktop's theme, installed for the run.
void StartTheme();
void StopTheme();

// An icon in the notification area, and what tests read of it: the toolkit's
// window that shows it (null until made, and after it went) and its tooltip.
// A notification area appearing after the start is announced to every top-level window
// (the registered message "TaskbarCreated"), so owners add their icons again.
void StartWatchingTrays();
void StopWatchingTrays();
void AnnounceTray();
class TrayIcon;
struct TrayIconDeleter {
    void operator()(TrayIcon* icon) const;
};
struct _GtkWidget* TrayIconWindow(const TrayIcon& icon);

class DesktopBackend : public Backend {
public:
    DesktopBackend();
    ~DesktopBackend() override;

    void WindowCreated(HWND window, const WindowState& state) override;
    void WindowChanged(HWND window, const WindowState& state, WindowChange what) override;
    void WindowDestroyed(HWND window) override;
    void SurfaceChanged(HWND window, const Surface& surface) override;

    int ShowMessageBox(const MessageBoxRequest& request) override;
    std::optional<FileDialogResult> ChooseFile(const FileDialogRequest& request) override;
    UINT TrackPopupMenu(HMENU menu, HWND owner, POINT at) override;
    void BeginModal(HWND window, LPCSTR name) override;
    void ModalReady(HWND window) override;
    bool ModalIdle(HWND window) override;
    void EndModal(HWND window) override;

    bool PollEvents() override;
    void WaitForEvents(std::optional<std::uint64_t> timeoutMs) override;
    void Wake() override;
    SIZE DialogBaseUnits(const std::string& fontName, int pointSize) override;
    SIZE ScreenSize() override;
    bool HasSharedClipboard() override { return true; }
    bool PublishClipboard(const std::vector<ClipboardItem>& items) override;
    std::optional<std::vector<BYTE>> ReadClipboard(UINT format, const std::string& name) override;
    bool ClipboardHolds(UINT format, const std::string& name) override;
    bool ShowTrayIcon(const TrayIconRequest& request) override;
    void RemoveTrayIcon(HWND owner, UINT id) override;

    Native* Find(HWND hwnd);
    const TrayIcon* FindTrayIcon(HWND owner, UINT id) const;
    // Input posted by the widgets since the loop last looked (PollEvents' answer).
    void CountPosted() { ++posted_; }

private:
    void Create(HWND window, const WindowState& state);
    wxWindow* ContainerFor(HWND parent);
    void ApplyTooltips(const WindowState& state);
    void RemoveTrayIconsOf(HWND owner);
    std::map<HWND, std::unique_ptr<Native>> natives_;
    std::vector<std::unique_ptr<TrayIcon, TrayIconDeleter>> trays_;
    std::map<HWND, Kind> kinds_;
    std::atomic<bool> woken_{false};
    unsigned posted_ = 0;
};
DesktopBackend* TheBackend();
}
