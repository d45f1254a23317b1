// The desktop backend: starting the toolkit, one widget per window record, and the measures the layer asks for.
#include <gtk/gtk.h>
#include <wx/evtloop.h>

#include <cstdio>
#include <cstdlib>

#include "platform/display/Desktop.h"
#include "platform/display/Display.h"
#include "platform/core/Strings.h"
#include "platform/user/Controls.h"
#include "platform/user/Window.h"

namespace platform::display {
namespace {
class DisplayApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

struct Toolkit {
    wxGUIEventLoop* loop = nullptr;
    DesktopBackend* backend = nullptr;
    Backend* previous = nullptr;
};
Toolkit g_toolkit;

// The toolkit's own complaints go to standard error: a dialog of its own would
// run a loop the program does not know.
void AssertToStderr(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    std::fprintf(stderr, "toolkit assertion %s:%d in %s: %s %s\n", static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(func.utf8_str()), static_cast<const char*>(cond.utf8_str()),
                 static_cast<const char*>(msg.utf8_str()));
}
}

bool Start(int& argc, char** argv)
{
    if (g_toolkit.backend) {
        return true;
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        return false;
    }
    wxApp::SetInstance(new DisplayApp);
    if (!wxEntryStart(argc, argv)) {
        return false;
    }
    if (!wxTheApp || !wxTheApp->CallOnInit()) {
        wxEntryCleanup();
        return false;
    }
    wxSetAssertHandler(AssertToStderr);
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxTheApp->SetExitOnFrameDelete(false);
    // The loop the toolkit's idle work and nested loops refer to; the program's
    // own loop drives it one iteration at a time.
    g_toolkit.loop = new wxGUIEventLoop;
    wxEventLoopBase::SetActive(g_toolkit.loop);
    LoadCompactStyle();
    g_toolkit.backend = new DesktopBackend;
    g_toolkit.previous = InstallBackend(g_toolkit.backend);
    StartTheme();
    StartWatchingTrays();
    return true;
}

void Stop()
{
    if (!g_toolkit.backend) {
        return;
    }
    StopWatchingTrays();
    StopTheme();
    InstallBackend(nullptr);
    delete g_toolkit.backend;
    g_toolkit.backend = nullptr;
    if (wxTheApp) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();  // deletes the windows that went
    }
    wxEventLoopBase::SetActive(nullptr);
    delete g_toolkit.loop;
    g_toolkit.loop = nullptr;
    wxEntryCleanup();
}

bool Started() { return g_toolkit.backend != nullptr; }

DesktopBackend* TheBackend() { return g_toolkit.backend; }

Native* FindNative(HWND hwnd) { return g_toolkit.backend ? g_toolkit.backend->Find(hwnd) : nullptr; }

HWND TopLevelOf(HWND hwnd)
{
    while (hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) {
        hwnd = GetParent(hwnd);
    }
    return hwnd;
}

Native::~Native() = default;

void Native::Update(const WindowState& state, WindowChange what)
{
    wxWindow* w = Widget();
    if (!w) {
        return;
    }
    const bool all = what == WindowChange::Family;
    if (all || what == WindowChange::Position) {
        // In the parent's client area; a parent that is no container adds its own place.
        RECT rc = state.rect;
        for (HWND p = state.parent; p && !(FindNative(p) && FindNative(p)->Container()); p = GetParent(p)) {
            RECT pr{};
            GetWindowRect(p, &pr);
            POINT origin{pr.left, pr.top};
            if (HWND pp = GetParent(p)) {
                ScreenToClient(pp, &origin);
            }
            rc.left += origin.x;
            rc.right += origin.x;
            rc.top += origin.y;
            rc.bottom += origin.y;
        }
        w->SetSize(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, wxSIZE_ALLOW_MINUS_ONE);
    }
    if (all || what == WindowChange::Enable) {
        w->Enable(state.enabled);
    }
    if (all || what == WindowChange::Show) {
        w->Show(state.visible);
    }
    if (what == WindowChange::Focus && GetFocus() == hwnd_) {
        ShowFocus();
    }
}

void Native::ShowFocus()
{
    if (wxWindow* w = Widget(); w && w->IsShownOnScreen()) {
        w->SetFocus();
    }
}

Kind KindOf(const WindowState& s)
{
    if (!(s.style & WS_CHILD)) {
        return EqualsNoCase(s.className, TOOLTIPS_CLASS) ? Kind::Tooltip : Kind::TopLevel;
    }
    const std::string& c = s.className;
    if (EqualsNoCase(c, WC_BUTTON)) {
        switch (s.style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
            return Kind::CheckBox;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return Kind::RadioButton;
        case BS_GROUPBOX:
            return Kind::GroupBox;
        case BS_OWNERDRAW:
            return Kind::Canvas;
        default:
            return Kind::PushButton;
        }
    }
    if (EqualsNoCase(c, WC_STATIC)) {
        return Kind::Label;
    }
    if (EqualsNoCase(c, WC_EDIT)) {
        return Kind::Edit;
    }
    if (EqualsNoCase(c, WC_COMBOBOX)) {
        return (s.style & 0x3) == CBS_DROPDOWNLIST ? Kind::DropList : Kind::ComboEdit;
    }
    if (EqualsNoCase(c, WC_LISTBOX)) {
        return Kind::ListBox;
    }
    if (EqualsNoCase(c, UPDOWN_CLASS)) {
        return Kind::UpDown;
    }
    if (EqualsNoCase(c, TRACKBAR_CLASS)) {
        return Kind::Trackbar;
    }
    if (EqualsNoCase(c, PROGRESS_CLASS)) {
        return Kind::Progress;
    }
    if (EqualsNoCase(c, HOTKEY_CLASS)) {
        return Kind::HotKey;
    }
    if (EqualsNoCase(c, TOOLTIPS_CLASS)) {
        return Kind::Tooltip;
    }
    if (EqualsNoCase(c, WC_TABCONTROL)) {
        return Kind::Tabs;
    }
    // Dialogs inside a window (the main window, pages) hold controls; the program's own classes draw themselves.
    return c == "#32770" ? Kind::Container : Kind::Canvas;
}

std::unique_ptr<Native> MakeNative(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container)
{
    switch (kind) {
    case Kind::TopLevel:
        return MakeTopLevel(hwnd, state);
    case Kind::Tooltip:
        return nullptr;
    case Kind::Canvas:
    case Kind::Container:
        return MakeCanvas(hwnd, state, kind, container);
    case Kind::Label:
        return MakeLabel(hwnd, state, container);
    case Kind::PushButton:
    case Kind::CheckBox:
    case Kind::RadioButton:
    case Kind::GroupBox:
        return MakeButton(hwnd, state, kind, container);
    case Kind::Edit:
    case Kind::HotKey:
        return MakeTextField(hwnd, state, kind, container);
    case Kind::DropList:
    case Kind::ComboEdit:
    case Kind::ListBox:
        return MakeList(hwnd, state, kind, container);
    case Kind::UpDown:
    case Kind::Trackbar:
    case Kind::Progress:
        return MakeRange(hwnd, state, kind, container);
    case Kind::Tabs:
        return MakeTabs(hwnd, state, container);
    }
    return nullptr;
}

DesktopBackend::DesktopBackend() = default;

DesktopBackend::~DesktopBackend()
{
    trays_.clear();
    natives_.clear();
}

Native* DesktopBackend::Find(HWND hwnd)
{
    auto it = natives_.find(hwnd);
    return it == natives_.end() ? nullptr : it->second.get();
}

wxWindow* DesktopBackend::ContainerFor(HWND parent)
{
    for (HWND p = parent; p; p = GetParent(p)) {
        if (Native* n = Find(p); n && n->Container()) {
            return n->Container();
        }
        if (!(GetWindowLongA(p, GWL_STYLE) & WS_CHILD)) {
            break;
        }
    }
    return nullptr;
}

void DesktopBackend::Create(HWND window, const WindowState& state)
{
    const Kind kind = KindOf(state);
    wxWindow* container = nullptr;
    if (kind != Kind::TopLevel && kind != Kind::Tooltip) {
        container = ContainerFor(state.parent);
        if (!container) {
            return;  // under a window that shows nothing
        }
    }
    std::unique_ptr<Native> n = MakeNative(window, state, kind, container);
    if (!n) {
        return;
    }
    Native* shown = n.get();
    natives_[window] = std::move(n);
    kinds_[window] = kind;
    shown->Update(state, WindowChange::Family);
}

void DesktopBackend::WindowCreated(HWND window, const WindowState& state) { Create(window, state); }

void DesktopBackend::WindowChanged(HWND window, const WindowState& state, WindowChange what)
{
    if (KindOf(state) == Kind::Tooltip) {
        if (what == WindowChange::Items) {
            ApplyTooltips(state);
        }
        return;
    }
    Native* n = Find(window);
    if (what == WindowChange::Style && n && kinds_[window] != KindOf(state) && !n->Container()) {
        // A button that became owner-drawn (or the like) is shown by another kind of widget;
        // the keyboard focus the old one showed moves to it, or nothing on the screen shows it.
        natives_.erase(window);
        Create(window, state);
        if (Native* shown = Find(window); shown && GetFocus() == window) {
            shown->ShowFocus();
        }
        return;
    }
    if (what == WindowChange::Family && n && (state.style & WS_CHILD)) {
        if (wxWindow* container = ContainerFor(state.parent); container && n->Widget()->GetParent() != container) {
            n->Widget()->Reparent(container);
        }
    }
    if (!n) {
        return;
    }
    n->Update(state, what);
    if (what == WindowChange::Show && state.visible) {
        // The focus the layer gave a control while it was hidden (a page made before it is shown) shows now.
        HWND focus = GetFocus();
        for (HWND h = focus; h; h = (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr) {
            if (h == window) {
                if (Native* f = Find(focus)) {
                    f->ShowFocus();
                }
                break;
            }
        }
    }
}

void DesktopBackend::WindowDestroyed(HWND window)
{
    // The shell forgets the icons of a window that goes; the tray must not keep showing them.
    RemoveTrayIconsOf(window);
    natives_.erase(window);
    kinds_.erase(window);
}

void DesktopBackend::SurfaceChanged(HWND window, const Surface& surface)
{
    if (Native* n = Find(window)) {
        n->ShowSurface(surface);
    }
}

SIZE DesktopBackend::DialogBaseUnits(const std::string&, int) { return MeasureBaseUnits(DialogFont()); }

SIZE DesktopBackend::ScreenSize()
{
    const wxSize s = wxGetDisplaySize();
    return SIZE{s.x, s.y};
}

void DesktopBackend::ApplyTooltips(const WindowState& state)
{
    for (const ListItem& tool : state.items) {
        HWND target = reinterpret_cast<HWND>(tool.data);
        if (Native* n = Find(target); n && n->Widget()) {
            n->Widget()->SetToolTip(wxString::FromUTF8(StripMnemonic(tool.text, false)));
        }
    }
}
}
