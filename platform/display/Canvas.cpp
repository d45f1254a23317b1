// Windows the program draws itself, shown from their surfaces, and the client areas that hold controls.
#include <wx/dcbuffer.h>

#include "platform/display/Desktop.h"
#include "platform/user/Window.h"

namespace platform::display {
namespace {
class CanvasWindow : public wxWindow {
public:
    CanvasWindow(wxWindow* parent, bool container)
        : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                   wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE | (container ? wxTAB_TRAVERSAL : 0)),
          container_(container)
    {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        Bind(wxEVT_PAINT, &CanvasWindow::OnPaint, this);
    }

    void SetImage(const wxBitmap& bitmap)
    {
        image_ = bitmap;
        Refresh(false);
    }
    bool HasImage() const { return image_.IsOk(); }

private:
    void OnPaint(wxPaintEvent&)
    {
        wxAutoBufferedPaintDC dc(this);
        dc.SetBackground(wxBrush(FaceColour(this)));
        // A client area with controls shows the theme's face behind them; one the program
        // fills itself (a help popup, say) shows what it drew.
        const bool drawn = image_.IsOk() && (!container_ || GetChildren().empty());
        if (!drawn || image_.GetWidth() < GetClientSize().x || image_.GetHeight() < GetClientSize().y) {
            dc.Clear();
        }
        if (drawn) {
            dc.DrawBitmap(image_, 0, 0);
        }
    }

    bool container_;
    wxBitmap image_;
};

class Canvas : public Native {
public:
    Canvas(HWND hwnd, Kind kind, wxWindow* parent) : Native(hwnd), kind_(kind), window_(new CanvasWindow(parent, kind == Kind::Container))
    {
        BindMouse(window_, hwnd, false);
    }
    ~Canvas() override { window_->Destroy(); }

    wxWindow* Widget() const override { return window_; }
    // Dialogs inside a window hold controls; so does any drawn window that has children.
    wxWindow* Container() const override { return window_; }

    void ShowSurface(const Surface& surface) override
    {
        // A dialog's face is the theme's; the program's own windows show what they drew.
        char cls[16] = {};
        GetClassNameA(hwnd_, cls, sizeof cls);
        if (kind_ == Kind::Canvas || std::string(cls) != "#32770") {
            window_->SetImage(SurfaceBitmap(surface));
        }
    }

private:
    Kind kind_;
    CanvasWindow* window_;
};
}

std::unique_ptr<Native> MakeCanvas(HWND hwnd, const WindowState&, Kind kind, wxWindow* container)
{
    return std::make_unique<Canvas>(hwnd, kind, container);
}
}
