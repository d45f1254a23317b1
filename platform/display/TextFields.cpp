// Edits and hot-key fields as the toolkit's text entries. The layer's edit keeps the text: the
// entry's edits reach it as characters, and the entry shows its text and selection.
#include <gtk/gtk.h>

#include "platform/display/Desktop.h"
#include "platform/user/Controls.h"
#include "platform/user/Keyboard.h"

namespace platform::display {
namespace {
long EntryStyle(const WindowState& s, Kind kind)
{
    long style = 0;
    if (kind == Kind::HotKey) {
        return wxTE_READONLY;
    }
    if (s.style & ES_MULTILINE) {
        style |= wxTE_MULTILINE;
    }
    if ((s.style & 0x3) == ES_CENTER) {
        style |= wxTE_CENTRE;
    } else if ((s.style & 0x3) == 0x2) {  // ES_RIGHT
        style |= wxTE_RIGHT;
    }
    return style;
}

std::string KeyName(UINT vk)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        return std::string(1, static_cast<char>(vk));
    }
    if (vk >= VK_F1 && vk < VK_F1 + 24) {
        return std::string("F").append(std::to_string(vk - VK_F1 + 1));
    }
    switch (vk) {
    case VK_SPACE:
        return "Space";
    case VK_LEFT:
        return "Left";
    case VK_RIGHT:
        return "Right";
    case VK_UP:
        return "Up";
    case VK_DOWN:
        return "Down";
    case VK_HOME:
        return "Home";
    case VK_END:
        return "End";
    case VK_PRIOR:
        return "Page Up";
    case VK_NEXT:
        return "Page Down";
    case VK_DELETE:
        return "Del";
    default:
        return std::string("#").append(std::to_string(vk));
    }
}
}

// What a hot-key field shows for its key: modifiers and the key, or "None".
std::string HotKeyText(WORD hotKey)
{
    const UINT vk = hotKey & 0xFF;
    const BYTE mods = static_cast<BYTE>(hotKey >> 8);
    if (vk == 0) {
        return "None";
    }
    std::string s;
    if (mods & HOTKEYF_CONTROL) {
        s += "Ctrl + ";
    }
    if (mods & HOTKEYF_SHIFT) {
        s += "Shift + ";
    }
    if (mods & HOTKEYF_ALT) {
        s += "Alt + ";
    }
    return s.append(KeyName(vk));
}

namespace {
class TextField : public Native {
public:
    TextField(HWND hwnd, const WindowState& s, Kind kind, wxWindow* parent)
        : Native(hwnd), kind_(kind), entry_(new wxTextCtrl(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, EntryStyle(s, kind)))
    {
        entry_->SetFont(DialogFont());
        if (kind_ == Kind::Edit && GTK_IS_ENTRY(entry_->GetHandle())) {
            editing_ = std::make_unique<EntryEditing>(hwnd, entry_->GetHandle(), false);
        }
        entry_->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
            PostInput(hwnd_, UM_INPUT_FOCUS, 0, 0);
            e.Skip();
        });
        // The right button asks for the control's help; the entry's own menu does not open.
        entry_->Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent& e) { PostInput(hwnd_, WM_RBUTTONDOWN, 2, MAKELPARAM(e.GetX(), e.GetY())); });
        entry_->Bind(wxEVT_RIGHT_UP, [this](wxMouseEvent& e) { PostInput(hwnd_, WM_RBUTTONUP, 0, MAKELPARAM(e.GetX(), e.GetY())); });
    }
    ~TextField() override
    {
        editing_.reset();
        entry_->Destroy();
    }
    wxWindow* Widget() const override { return entry_; }

    void Update(const WindowState& s, WindowChange what) override
    {
        Native::Update(s, what);
        state_ = s;
        const bool all = what == WindowChange::Family;
        if (all || what == WindowChange::Style) {
            entry_->SetEditable(kind_ == Kind::Edit && !(s.style & ES_READONLY));
        }
        if (all || what == WindowChange::Text || what == WindowChange::HotKey || what == WindowChange::Selection) {
            ShowText();
        }
    }

private:
    void ShowText()
    {
        if (editing_) {
            editing_->Show(state_.text, state_.selStart, state_.selEnd);
            return;
        }
        const wxString want = wxString::FromUTF8(kind_ == Kind::HotKey ? HotKeyText(state_.hotKey) : state_.text);
        if (entry_->GetValue() != want) {
            entry_->ChangeValue(want);
        }
    }

    Kind kind_;
    wxTextCtrl* entry_;
    std::unique_ptr<EntryEditing> editing_;
    WindowState state_;
};
}

std::unique_ptr<Native> MakeTextField(HWND hwnd, const WindowState& state, Kind kind, wxWindow* container)
{
    return std::make_unique<TextField>(hwnd, state, kind, container);
}
}
