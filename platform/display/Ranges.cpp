// Up-downs, trackbars and progress bars as the toolkit's own; steps and drags reach the layer's control, which keeps the position.
#include <wx/gauge.h>
#include <wx/slider.h>
#include <wx/renderer.h>
#include <wx/timer.h>

#include <algorithm>

#include "platform/display/Desktop.h"
#include "platform/user/Controls.h"

namespace platform::display {
namespace {
// The toolkit's spin button comes with an entry of its own: the up-down is two
// theme buttons with arrows, stepping on a press and repeating while held.
class UpDownWindow : public wxWindow {
public:
    UpDownWindow(wxWindow* parent, HWND hwnd, bool horizontal) : wxWindow(parent, wxID_ANY), hwnd_(hwnd), horizontal_(horizontal)
    {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        Bind(wxEVT_PAINT, &UpDownWindow::OnPaint, this);
        Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
            pressed_ = UpperHalf(e.GetPosition()) ? 1 : 2;
            Step();
            repeat_.StartOnce(kFirstRepeatMs);
            if (!HasCapture()) {
                CaptureMouse();
            }
            Refresh(false);
        });
        Bind(wxEVT_LEFT_DCLICK, [this](wxMouseEvent& e) { Step(UpperHalf(e.GetPosition())); });
        Bind(wxEVT_LEFT_UP, [this](wxMouseEvent&) { Release(); });
        Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { Release(); });
        repeat_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            Step();
            repeat_.StartOnce(kRepeatMs);
        });
    }
    bool AcceptsFocus() const override { return false; }

private:
    static constexpr int kFirstRepeatMs = 400;
    static constexpr int kRepeatMs = 60;

    bool UpperHalf(wxPoint p) const
    {
        const wxSize s = GetClientSize();
        return horizontal_ ? p.x >= s.x / 2 : p.y < s.y / 2;
    }
    void Step() { Step(pressed_ == 1); }
    void Step(bool up) { PostInput(hwnd_, UM_INPUT_STEP, up ? 1 : 0, 0); }
    void Release()
    {
        repeat_.Stop();
        pressed_ = 0;
        if (HasCapture()) {
            ReleaseMouse();
        }
        Refresh(false);
    }
    void OnPaint(wxPaintEvent&)
    {
        wxPaintDC dc(this);
        const wxSize s = GetClientSize();
        dc.SetBackground(wxBrush(FaceColour(this)));
        dc.Clear();
        const wxRect up = horizontal_ ? wxRect(s.x / 2, 0, s.x - s.x / 2, s.y) : wxRect(0, 0, s.x, s.y / 2);
        const wxRect down = horizontal_ ? wxRect(0, 0, s.x / 2, s.y) : wxRect(0, s.y / 2, s.x, s.y - s.y / 2);
        const int disabled = IsEnabled() ? 0 : static_cast<int>(wxCONTROL_DISABLED);
        wxRendererNative::Get().DrawPushButton(this, dc, up, disabled | (pressed_ == 1 ? static_cast<int>(wxCONTROL_PRESSED) : 0));
        wxRendererNative::Get().DrawPushButton(this, dc, down, disabled | (pressed_ == 2 ? static_cast<int>(wxCONTROL_PRESSED) : 0));
        dc.SetBrush(wxBrush(wxSystemSettings::GetColour(IsEnabled() ? wxSYS_COLOUR_BTNTEXT : wxSYS_COLOUR_GRAYTEXT)));
        dc.SetPen(*wxTRANSPARENT_PEN);
        for (const auto& [r, isUp] : {std::pair{up, true}, std::pair{down, false}}) {
            const int a = std::max(2, std::min(r.width, r.height) / 4);
            const wxPoint c(r.x + r.width / 2, r.y + r.height / 2);
            wxPoint tri[3];
            if (horizontal_) {
                const int d = isUp ? a : -a;
                tri[0] = wxPoint(c.x + d, c.y);
                tri[1] = wxPoint(c.x - d, c.y - a);
                tri[2] = wxPoint(c.x - d, c.y + a);
            } else {
                const int d = isUp ? -a : a;
                tri[0] = wxPoint(c.x, c.y + d);
                tri[1] = wxPoint(c.x - a, c.y - d);
                tri[2] = wxPoint(c.x + a, c.y - d);
            }
            dc.DrawPolygon(3, tri);
        }
    }

    HWND hwnd_;
    bool horizontal_;
    int pressed_ = 0;  // 1 up, 2 down
    wxTimer repeat_;
};

class UpDown : public Native {
public:
    UpDown(HWND hwnd, const WindowState& s, wxWindow* parent)
        : Native(hwnd), window_(new UpDownWindow(parent, hwnd, (s.style & UDS_HORZ) != 0))
    {
    }
    ~UpDown() override { window_->Destroy(); }
    wxWindow* Widget() const override { return window_; }

private:
    UpDownWindow* window_;
};

class Trackbar : public Native {
public:
    Trackbar(HWND hwnd, const WindowState& s, wxWindow* parent)
        : Native(hwnd), slider_(new wxSlider(parent, wxID_ANY, 0, 0, 100, wxDefaultPosition, wxDefaultSize,
                                             (s.style & TBS_VERT) ? wxSL_VERTICAL : wxSL_HORIZONTAL))
    {
        // The drag's end is the layer's; the thumb follows the pointer on the way.
        slider_->Bind(wxEVT_SCROLL_CHANGED, [this](wxScrollEvent&) {
            const int pos = slider_->GetValue();
            slider_->SetValue(state_.pos);
            PostInput(hwnd_, UM_INPUT_FOCUS, 0, 0);
            PostInput(hwnd_, UM_INPUT_DRAG, static_cast<WPARAM>(static_cast<std::intptr_t>(pos)), 0);
        });
    }
    ~Trackbar() override { slider_->Destroy(); }
    wxWindow* Widget() const override { return slider_; }
    void Update(const WindowState& s, WindowChange what) override
    {
        Native::Update(s, what);
        state_ = s;
        if (what == WindowChange::Family || what == WindowChange::Range) {
            slider_->SetRange(s.rangeMin, std::max(s.rangeMin, s.rangeMax));
            slider_->SetValue(s.pos);
        }
    }

private:
    wxSlider* slider_;
    WindowState state_;
};

class Progress : public Native {
public:
    Progress(HWND hwnd, wxWindow* parent) : Native(hwnd), gauge_(new wxGauge(parent, wxID_ANY, 100)) {}
    ~Progress() override { gauge_->Destroy(); }
    wxWindow* Widget() const override { return gauge_; }
    void Update(const WindowState& s, WindowChange what) override
    {
        Native::Update(s, what);
        if (what == WindowChange::Family || what == WindowChange::Range) {
            const int span = std::max(1, s.rangeMax - s.rangeMin);
            gauge_->SetRange(span);
            gauge_->SetValue(std::clamp(s.pos - s.rangeMin, 0, span));
        }
    }

private:
    wxGauge* gauge_;
};
}

std::unique_ptr<Native> MakeRange(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container)
{
    switch (kind) {
    case Kind::UpDown:
        return std::make_unique<UpDown>(hwnd, state, container);
    case Kind::Trackbar:
        return std::make_unique<Trackbar>(hwnd, state, container);
    default:
        return std::make_unique<Progress>(hwnd, container);
    }
}
}
