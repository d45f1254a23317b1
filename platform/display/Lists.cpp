// Combo boxes and list boxes as the toolkit's own; a choice the user makes reaches the layer's control, which keeps the selection.
#include <wx/combobox.h>
#include <wx/listbox.h>

#include "platform/display/Desktop.h"
#include "platform/user/Controls.h"

namespace platform::display {
namespace {
wxControlWithItems* MakeControl(Kind kind, wxWindow* parent, const WindowState& s)
{
    switch (kind) {
    case Kind::DropList:
        return new wxChoice(parent, wxID_ANY);
    case Kind::ComboEdit:
        return new wxComboBox(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, 0, nullptr, 0);
    default:
        return new wxListBox(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, nullptr,
                             wxLB_SINGLE | ((s.style & WS_VSCROLL) ? wxLB_NEEDED_SB : 0));
    }
}

class List : public Native {
public:
    List(HWND hwnd, const WindowState& s, Kind kind, wxWindow* parent) : Native(hwnd), control_(MakeControl(kind, parent, s))
    {
        control_->SetFont(DialogFont());
        const auto chosen = [this](wxCommandEvent&) {
            const int index = control_->GetSelection();
            ShowSelection();
            PostInput(hwnd_, UM_INPUT_FOCUS, 0, 0);
            if (index != wxNOT_FOUND) {
                PostInput(hwnd_, UM_INPUT_CHOOSE, static_cast<WPARAM>(index), 0);
            }
        };
        control_->Bind(wxEVT_CHOICE, chosen);
        control_->Bind(wxEVT_COMBOBOX, chosen);
        control_->Bind(wxEVT_LISTBOX, chosen);
        control_->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { PostInput(hwnd_, WM_LBUTTONDBLCLK, 1, 0); });
        control_->Bind(wxEVT_COMBOBOX_DROPDOWN, [this](wxCommandEvent&) { PostInput(hwnd_, UM_INPUT_FOCUS, 0, 0); });
        control_->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
            PostInput(hwnd_, UM_INPUT_FOCUS, 0, 0);
            e.Skip();
        });
        control_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { ShowSelection(); });
    }
    ~List() override { control_->Destroy(); }
    wxWindow* Widget() const override { return control_; }

    void Update(const WindowState& s, WindowChange what) override
    {
        Native::Update(s, what);
        state_ = s;
        const bool all = what == WindowChange::Family;
        if (all || what == WindowChange::Items) {
            wxArrayString texts;
            for (const ListItem& item : s.items) {
                texts.Add(wxString::FromUTF8(item.text));
            }
            control_->Set(texts);
        }
        if (all || what == WindowChange::Items || what == WindowChange::Selection || what == WindowChange::Text) {
            ShowSelection();
        }
    }

private:
    void ShowSelection()
    {
        const int sel = state_.curSel >= 0 && state_.curSel < static_cast<int>(control_->GetCount()) ? state_.curSel : wxNOT_FOUND;
        if (control_->GetSelection() != sel) {
            control_->SetSelection(sel);
        }
        if (auto* combo = dynamic_cast<wxComboBox*>(control_)) {
            const wxString text = wxString::FromUTF8(state_.text);
            if (combo->GetValue() != text) {
                combo->ChangeValue(text);
            }
            combo->SetSelection(state_.selStart, state_.selEnd);
        }
    }

    wxControlWithItems* control_;
    WindowState state_;
};
}

std::unique_ptr<Native> MakeList(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container)
{
    return std::make_unique<List>(hwnd, state, kind, container);
}
}
