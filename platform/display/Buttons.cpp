// Push buttons, check boxes, radio buttons and group boxes as the toolkit's own.
#include "platform/display/Desktop.h"
#include "platform/user/Controls.h"

namespace platform::display {
namespace {
// A click as the layer's button expects it: pressed and released over the button.
void PostClick(HWND hwnd, wxWindow* w)
{
    const wxSize size = w->GetClientSize();
    const LPARAM centre = MAKELPARAM(size.x / 2, size.y / 2);
    PostInput(hwnd, WM_LBUTTONDOWN, 1, centre);
    PostInput(hwnd, WM_LBUTTONUP, 0, centre);
}

wxControl* MakeControl(Kind kind, wxWindow* parent, const WindowState& s)
{
    const wxString label = wxString::FromUTF8(StripMnemonic(s.text, true));
    switch (kind) {
    case Kind::CheckBox: {
        const DWORD type = s.style & BS_TYPEMASK;
        return new wxCheckBox(parent, wxID_ANY, label, wxDefaultPosition, wxDefaultSize,
                              type == BS_3STATE || type == BS_AUTO3STATE ? wxCHK_3STATE : wxCHK_2STATE);
    }
    case Kind::RadioButton:
        // A group of its own: the layer keeps the real group, and may leave all of it unchecked.
        return new wxRadioButton(parent, wxID_ANY, label, wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    case Kind::GroupBox:
        return new wxStaticBox(parent, wxID_ANY, label);
    default:
        return new wxButton(parent, wxID_ANY, label, wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
    }
}

class Button : public Native {
public:
    Button(HWND hwnd, const WindowState& s, Kind kind, wxWindow* parent) : Native(hwnd), kind_(kind), control_(MakeControl(kind, parent, s))
    {
        if (kind == Kind::RadioButton) {
            // The toolkit unchecks a radio button only by checking another of its group: this hidden one.
            off_ = new wxRadioButton(parent, wxID_ANY, wxString());
            off_->Hide();
        }
        control_->SetFont(DialogFont());
        control_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { PostClick(hwnd_, control_); });
        // The native widget toggled itself; the layer's control decides, and tells.
        control_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
            ShowCheck();
            PostClick(hwnd_, control_);
        });
        control_->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) {
            ShowCheck();
            PostClick(hwnd_, control_);
        });
    }
    ~Button() override
    {
        if (off_) {
            off_->Destroy();
        }
        control_->Destroy();
    }
    wxWindow* Widget() const override { return control_; }

    void Update(const WindowState& s, WindowChange what) override
    {
        Native::Update(s, what);
        state_ = s;
        const bool all = what == WindowChange::Family;
        if (all || what == WindowChange::Text) {
            control_->SetLabel(wxString::FromUTF8(StripMnemonic(s.text, true)));
        }
        if (all || what == WindowChange::Check) {
            ShowCheck();
        }
        if ((all || what == WindowChange::Style) && kind_ == Kind::PushButton && (s.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            static_cast<wxButton*>(control_)->SetDefault();
        }
    }

private:
    void ShowCheck()
    {
        if (auto* c = dynamic_cast<wxCheckBox*>(control_)) {
            c->Set3StateValue(state_.check == BST_CHECKED ? wxCHK_CHECKED
                              : state_.check == BST_INDETERMINATE && c->Is3State() ? wxCHK_UNDETERMINED
                                                                                    : wxCHK_UNCHECKED);
        } else if (auto* r = dynamic_cast<wxRadioButton*>(control_)) {
            if (state_.check == BST_CHECKED) {
                r->SetValue(true);
            } else if (off_) {
                off_->SetValue(true);
            }
        }
    }

    Kind kind_;
    wxControl* control_;
    wxRadioButton* off_ = nullptr;
    WindowState state_;
};
}

std::unique_ptr<Native> MakeButton(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container)
{
    return std::make_unique<Button>(hwnd, state, kind, container);
}
}
