// Top-level windows: frames, dialogs and captionless pop-ups, each with a client area that holds the children.
#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

#include "platform/display/Desktop.h"
#include "platform/user/Controls.h"
#include "platform/user/Window.h"

namespace platform::display {
namespace {
// Frames for windows of their own, dialogs for owned windows with a caption,
// borderless tool windows for captionless pop-ups. The layer's windows keep
// their designed size: the user does not resize them.
wxTopLevelWindow* MakeWindow(const WindowState& s)
{
    Native* ownerNative = FindNative(s.owner);
    wxWindow* owner = ownerNative ? ownerNative->Widget() : nullptr;
    const wxString title = wxString::FromUTF8(s.text);
    const bool caption = (s.style & WS_CAPTION) == WS_CAPTION;
    long style = 0;
    if (caption) {
        style |= wxCAPTION;
        if (s.style & WS_SYSMENU) {
            style |= wxSYSTEM_MENU | wxCLOSE_BOX;
        }
    } else {
        style |= (s.style & WS_BORDER) ? wxBORDER_SIMPLE : wxBORDER_NONE;
    }
    if (s.topMost) {
        style |= wxSTAY_ON_TOP;
    }
    if (caption && (s.owner || (s.style & WS_POPUP))) {
        auto* d = new wxDialog();
        d->Create(owner, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, style);
        return d;
    }
    if (!caption) {
        style |= wxFRAME_NO_TASKBAR | wxFRAME_TOOL_WINDOW | (owner ? wxFRAME_FLOAT_ON_PARENT : 0);
    } else if (s.style & WS_MINIMIZEBOX) {
        style |= wxMINIMIZE_BOX;
    }
    auto* f = new wxFrame();
    f->Create(owner, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, style);
    return f;
}

std::map<GtkWidget*, HWND>& Shells()
{
    static std::map<GtkWidget*, HWND> shells;
    return shells;
}

class TopLevel : public Native {
public:
    TopLevel(HWND hwnd, const WindowState& state) : Native(hwnd), window_(MakeWindow(state))
    {
        content_ = MakeCanvas(hwnd, state, Kind::Container, window_);
        window_->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& e) {
            if (!e.CanVeto()) {
                e.Skip();
                return;
            }
            // The window's procedure decides: the system menu's Close, as the frame's button sends it.
            e.Veto();
            PostInput(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        window_->Bind(wxEVT_ICONIZE, [this](wxIconizeEvent& e) {
            if (e.IsIconized() != (IsIconic(hwnd_) != FALSE)) {
                PostInput(hwnd_, WM_SYSCOMMAND, e.IsIconized() ? SC_MINIMIZE : SC_RESTORE, 0);
            }
        });
        // Activation asked for before the window was on the screen takes effect once it is.
        window_->Bind(wxEVT_SHOW, [this](wxShowEvent& e) {
            e.Skip();
            if (e.IsShown() && GetActiveWindow() == hwnd_) {
                Present();
            }
        });
        window_->Bind(wxEVT_MOVE, [this](wxMoveEvent& e) {
            e.Skip();
            ReportMove();
        });
        Shells()[window_->GetHandle()] = hwnd;
    }

    ~TopLevel() override
    {
        Shells().erase(window_->GetHandle());
        if (wxFrame* f = frame(); f && f->GetMenuBar()) {
            wxMenuBar* bar = f->GetMenuBar();
            ForgetMenuBar(bar);
            f->SetMenuBar(nullptr);
            delete bar;
        }
        content_.reset();
        // The toolkit deletes the window later and may still report on it (a show under way):
        // the handlers bound here refer to this object, which goes now.
        window_->SetEvtHandlerEnabled(false);
        window_->Hide();
        window_->Destroy();
    }

    wxWindow* Widget() const override { return window_; }
    wxWindow* Container() const override { return content_->Widget(); }

    void Update(const WindowState& s, WindowChange what) override
    {
        const bool all = what == WindowChange::Family;
        if (all || what == WindowChange::Text) {
            window_->SetTitle(wxString::FromUTF8(s.text));
        }
        if (all || what == WindowChange::Menu) {
            if (wxFrame* f = frame()) {
                wxMenuBar* old = f->GetMenuBar();
                f->SetMenuBar(s.menu ? MakeMenuBar(hwnd_, s.menu) : nullptr);
                if (old) {
                    ForgetMenuBar(old);
                    delete old;
                }
            }
        }
        if (all || what == WindowChange::Position || what == WindowChange::Menu) {
            // The record's rectangle is the client area: decorations and the menu bar come on top.
            const int w = s.rect.right - s.rect.left;
            const int h = s.rect.bottom - s.rect.top;
            content_->Widget()->SetSize(0, 0, w, h);
            window_->SetClientSize(w, h);
            Pin(w, h);
            // A place the user gave the window comes back through the record: moving there again would fight the drag.
            const auto echo = std::find(reported_.begin(), reported_.end(), wxPoint(s.rect.left, s.rect.top));
            if (echo != reported_.end()) {
                reported_.erase(reported_.begin(), echo + 1);
            } else {
                window_->Move(s.rect.left, s.rect.top);
            }
        }
        if (all || what == WindowChange::Icon) {
            wxIconBundle icons;
            for (HANDLE h : {s.smallIcon, s.bigIcon}) {
                if (wxIcon icon = IconFromHandle(h); icon.IsOk()) {
                    icons.AddIcon(icon);
                }
            }
            if (!icons.IsEmpty()) {
                window_->SetIcons(icons);
            }
        }
        if (all || what == WindowChange::Style) {
            const long style = window_->GetWindowStyleFlag();
            const long want = s.topMost ? (style | wxSTAY_ON_TOP) : (style & ~wxSTAY_ON_TOP);
            if (want != style) {
                window_->SetWindowStyleFlag(want);
            }
        }
        if (all || what == WindowChange::Show) {
            if (s.visible != window_->IsShown()) {
                window_->Show(s.visible);
            }
            if (s.visible && s.minimized != window_->IsIconized()) {
                window_->Iconize(s.minimized);
            }
        }
        if (what == WindowChange::Active && GetActiveWindow() == hwnd_ && window_->IsShown()) {
            Present();
        }
        if (what == WindowChange::Focus && GetFocus() == hwnd_) {
            ShowFocus();
        }
    }

    void ShowFocus() override { content_->Widget()->SetFocus(); }

    void ShowSurface(const Surface& surface) override { content_->ShowSurface(surface); }

    // Raised and given the keyboard, with or without a window manager.
    void Present()
    {
        GtkWidget* shell = window_->GetHandle();
        gtk_window_present(GTK_WINDOW(shell));
        if (GdkWindow* w = gtk_widget_get_window(shell); w && gdk_window_is_viewable(w)) {
            gdk_window_focus(w, GDK_CURRENT_TIME);
        }
    }

    void SetModal(bool modal)
    {
        gtk_window_set_modal(GTK_WINDOW(window_->GetHandle()), modal ? TRUE : FALSE);
    }

private:
    // The window keeps its client area's size. The limits are the toolkit window's own (client
    // area and menu bar), not the outer size with the window manager's frame around it: that frame
    // is known only once the window manager has framed the window, differs between window managers
    // and changes with them, and limits reckoned from a guess of it squeeze the window.
    void Pin(int w, int h)
    {
        int menuBar = 0;
        if (wxFrame* f = frame(); f && f->GetMenuBar()) {
            gtk_widget_get_preferred_height(f->GetMenuBar()->GetHandle(), nullptr, &menuBar);
        }
        GdkGeometry limits{};
        limits.min_width = limits.max_width = std::max(w, 1);
        limits.min_height = limits.max_height = std::max(h + menuBar, 1);
        gtk_window_set_geometry_hints(GTK_WINDOW(window_->GetHandle()), nullptr, &limits,
                                      static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
    }

    // A move the layer did not ask for goes to it, even while the window is disabled under a modal one.
    void ReportMove()
    {
        const wxPoint at = window_->GetPosition();
        RECT rc{};
        GetWindowRect(hwnd_, &rc);
        if (!window_->IsShown() || (at.x == rc.left && at.y == rc.top) || (!reported_.empty() && reported_.back() == at)) {
            return;
        }
        reported_.push_back(at);
        PostMessage(hwnd_, UM_INPUT_MOVE, 0, MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
        if (DesktopBackend* b = TheBackend()) {
            b->CountPosted();
        }
    }

    wxFrame* frame() const { return dynamic_cast<wxFrame*>(window_); }
    wxTopLevelWindow* window_;
    std::unique_ptr<Native> content_;
    std::vector<wxPoint> reported_;  // places posted to the layer that its record has not reached yet
};
}

std::unique_ptr<Native> MakeTopLevel(HWND hwnd, const WindowState& state)
{
    return std::make_unique<TopLevel>(hwnd, state);
}

HWND ShellWindow(GtkWidget* toplevel)
{
    auto it = Shells().find(toplevel);
    return it == Shells().end() ? nullptr : it->second;
}

void SetModal(HWND hwnd, bool modal)
{
    if (auto* t = dynamic_cast<TopLevel*>(FindNative(hwnd))) {
        t->SetModal(modal);
    }
}
}
