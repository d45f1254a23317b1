// Static texts: drawn in the dialog font with their alignment, word wrap, mnemonic and sunken frame.
#include <wx/dcbuffer.h>

#include <vector>

#include "platform/display/Desktop.h"
#include "platform/user/Controls.h"

namespace platform::display {
namespace {
constexpr int kSunkenInset = 2;

struct Line {
    wxString text;
    int mnemonic = -1;  // index of the underlined character
};

// The text without '&' marks and where its mnemonic is.
Line Plain(const std::string& text, bool prefix)
{
    Line out;
    const wxString t = wxString::FromUTF8(text);
    for (std::size_t i = 0; i < t.length(); ++i) {
        if (prefix && t[i] == '&' && i + 1 < t.length()) {
            ++i;
            if (t[i] != '&' && out.mnemonic < 0) {
                out.mnemonic = static_cast<int>(out.text.length());
            }
        }
        out.text += t[i];
    }
    return out;
}

// Word wrap at the control's width, as statics wrap; a word wider than the line is broken.
std::vector<Line> Wrap(wxDC& dc, const Line& all, int width)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    const wxString& t = all.text;
    while (start <= t.length()) {
        std::size_t end = start;
        std::size_t lastBreak = wxString::npos;
        while (end < t.length() && t[end] != '\n') {
            if (t[end] == ' ') {
                lastBreak = end;
            }
            if (dc.GetTextExtent(t.Mid(start, end - start + 1)).x > width && end > start) {
                break;
            }
            ++end;
        }
        std::size_t next = end;
        if (end < t.length() && t[end] != '\n' && lastBreak != wxString::npos && lastBreak > start) {
            end = lastBreak;
            next = lastBreak + 1;
        } else if (end < t.length() && t[end] == '\n') {
            next = end + 1;
        }
        Line line{t.Mid(start, end - start), -1};
        if (all.mnemonic >= static_cast<int>(start) && all.mnemonic < static_cast<int>(end)) {
            line.mnemonic = all.mnemonic - static_cast<int>(start);
        }
        lines.push_back(line);
        if (end >= t.length()) {
            break;
        }
        start = next;
    }
    return lines;
}

int Inset(const WindowState& s) { return (s.style & SS_SUNKEN) ? kSunkenInset : 0; }

class LabelWindow : public wxWindow {
public:
    explicit LabelWindow(wxWindow* parent) : wxWindow(parent, wxID_ANY)
    {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        SetFont(DialogFont());
        Bind(wxEVT_PAINT, &LabelWindow::OnPaint, this);
    }
    bool AcceptsFocus() const override { return false; }
    void SetState(const WindowState& s)
    {
        state_ = s;
        Refresh(false);
    }

private:
    void OnPaint(wxPaintEvent&)
    {
        wxAutoBufferedPaintDC dc(this);
        const wxSize size = GetClientSize();
        dc.SetBackground(wxBrush(FaceColour(this)));
        dc.Clear();
        const int inset = Inset(state_);
        if (state_.style & SS_SUNKEN) {
            dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_3DSHADOW)));
            dc.DrawLine(0, 0, size.x - 1, 0);
            dc.DrawLine(0, 0, 0, size.y - 1);
            dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_3DHIGHLIGHT)));
            dc.DrawLine(size.x - 1, 0, size.x - 1, size.y);
            dc.DrawLine(0, size.y - 1, size.x, size.y - 1);
        }
        const DWORD kind = state_.style & 0x1F;
        if (kind == SS_ICON || kind == SS_BITMAP || state_.text.empty()) {
            return;
        }
        dc.SetFont(GetFont());
        dc.SetTextForeground(wxSystemSettings::GetColour(state_.enabled ? wxSYS_COLOUR_BTNTEXT : wxSYS_COLOUR_GRAYTEXT));
        const std::vector<Line> lines = Wrap(dc, Plain(state_.text, !(state_.style & SS_NOPREFIX)), size.x - 2 * inset);
        const int lineHeight = dc.GetCharHeight();
        int y = inset;
        for (const Line& line : lines) {
            const int w = dc.GetTextExtent(line.text).x;
            int x = inset;
            if (kind == SS_CENTER) {
                x = (size.x - w) / 2;
            } else if (kind == SS_RIGHT) {
                x = size.x - inset - w;
            }
            dc.DrawText(line.text, x, y);
            if (line.mnemonic >= 0) {
                const int ux = x + dc.GetTextExtent(line.text.Left(static_cast<std::size_t>(line.mnemonic))).x;
                const int uw = dc.GetTextExtent(line.text.Mid(static_cast<std::size_t>(line.mnemonic), 1)).x;
                dc.SetPen(wxPen(dc.GetTextForeground()));
                dc.DrawLine(ux, y + lineHeight - 2, ux + uw, y + lineHeight - 2);
            }
            y += lineHeight;
        }
    }

    WindowState state_;
};

class Label : public Native {
public:
    Label(HWND hwnd, wxWindow* parent) : Native(hwnd), window_(new LabelWindow(parent)) { BindMouse(window_, hwnd, false); }
    ~Label() override { window_->Destroy(); }
    wxWindow* Widget() const override { return window_; }
    void Update(const WindowState& s, WindowChange what) override
    {
        Native::Update(s, what);
        window_->SetState(s);
    }

private:
    LabelWindow* window_;
};
}

std::unique_ptr<Native> MakeLabel(HWND hwnd, const WindowState&, wxWindow* container)
{
    return std::make_unique<Label>(hwnd, container);
}

bool LabelFits(const WindowState& s, wxSize size)
{
    wxBitmap scratch(1, 1);
    wxMemoryDC dc(scratch);
    dc.SetFont(DialogFont());
    const int inset = Inset(s);
    const int width = size.x - 2 * inset;
    const std::vector<Line> lines = Wrap(dc, Plain(s.text, !(s.style & SS_NOPREFIX)), width);
    for (const Line& line : lines) {
        if (dc.GetTextExtent(line.text).x > width) {
            return false;
        }
    }
    return static_cast<int>(lines.size()) * dc.GetCharHeight() <= size.y - 2 * inset;
}
}
