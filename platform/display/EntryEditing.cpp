// Edits edit as the toolkit's entries do: selection by keyboard and mouse, both clipboards, any
// text and an input method. Each edit the user makes reaches the layer's control as the characters
// typing would give it, so the program's checks and limits still hold; the entry then shows what it kept.
#include <gtk/gtk.h>

#include <map>
#include <memory>

#include "platform/core/Strings.h"
#include "platform/display/Desktop.h"
#include "platform/user/Controls.h"

namespace platform::display {
namespace {
std::map<GtkWidget*, HWND>& Entries()
{
    static std::map<GtkWidget*, HWND> entries;
    return entries;
}

std::size_t SequenceAt(const std::string& text, std::size_t i)
{
    const std::size_t n = Utf8Sequence(text, i);
    return n ? n : 1;  // a stray byte is one character, as the entry shows it
}

int ByteOffset(const std::string& text, int chars)
{
    std::size_t i = 0;
    for (int n = 0; n < chars && i < text.size(); ++n) {
        i += SequenceAt(text, i);
    }
    return static_cast<int>(i);
}

int CharOffset(const std::string& text, int bytes)
{
    int n = 0;
    for (std::size_t i = 0; i < text.size() && i < static_cast<std::size_t>(std::max(bytes, 0)); ++n) {
        i += SequenceAt(text, i);
    }
    return n;
}

std::string Valid(const std::string& text)
{
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string out = valid;
    g_free(valid);
    return out;
}

bool Continues(const std::string& s, std::size_t i) { return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; }

// The one replacement that turns before into after and ends at the entry's caret: where a
// typed character went is then told by the caret, not guessed from the texts.
struct Replacement {
    std::size_t from;
    std::size_t to;  // in before
    std::string text;
};
Replacement Difference(const std::string& before, const std::string& after, std::size_t caret)
{
    std::size_t prefix = 0;
    const std::size_t most = std::min({before.size(), after.size(), caret});
    while (prefix < most && before[prefix] == after[prefix]) {
        ++prefix;
    }
    while (prefix > 0 && (Continues(after, prefix) || Continues(before, prefix))) {
        --prefix;
    }
    std::size_t suffix = 0;
    const std::size_t room = std::min(before.size() - prefix, after.size() - std::max(prefix, std::min(caret, after.size())));
    while (suffix < room && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    while (suffix > 0 && (Continues(after, after.size() - suffix) || Continues(before, before.size() - suffix))) {
        --suffix;
    }
    return {prefix, before.size() - suffix, after.substr(prefix, after.size() - suffix - prefix)};
}
}

EntryEditing::EntryEditing(HWND hwnd, GtkWidget* entry, bool combo) : hwnd_(hwnd), entry_(entry), combo_(combo)
{
    Entries()[entry_] = hwnd_;
    g_signal_connect(entry_, "changed", G_CALLBACK(+[](GtkEditable*, gpointer self) { static_cast<EntryEditing*>(self)->Edited(); }), this);
    const auto selected = +[](GObject*, GParamSpec*, gpointer self) { static_cast<EntryEditing*>(self)->Selected(); };
    g_signal_connect(entry_, "notify::cursor-position", G_CALLBACK(selected), this);
    g_signal_connect(entry_, "notify::selection-bound", G_CALLBACK(selected), this);
}

EntryEditing::~EntryEditing()
{
    *alive_ = false;
    g_signal_handlers_disconnect_by_data(entry_, this);
    Entries().erase(entry_);
}

void EntryEditing::Show(const std::string& text, int selStart, int selEnd)
{
    text_ = text;
    selStart_ = selStart;
    selEnd_ = selEnd;
    if (!editing_) {
        Apply();
    }
}

void EntryEditing::Apply()
{
    showing_ = true;
    const std::string valid = Valid(text_);
    if (valid != gtk_entry_get_text(GTK_ENTRY(entry_))) {
        gtk_entry_set_text(GTK_ENTRY(entry_), valid.c_str());
    }
    const int anchor = CharOffset(text_, selStart_);
    const int caret = CharOffset(text_, selEnd_);
    gint cursor = 0;
    gint bound = 0;
    g_object_get(entry_, "cursor-position", &cursor, "selection-bound", &bound, nullptr);
    if (cursor != caret || bound != anchor) {
        gtk_editable_select_region(GTK_EDITABLE(entry_), anchor, caret);
    }
    showing_ = false;
}

void EntryEditing::Select(int anchor, int caret)
{
    if (combo_) {
        SendMessage(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(anchor, caret));
    } else {
        SendMessage(hwnd_, EM_SETSEL, static_cast<WPARAM>(anchor), static_cast<LPARAM>(caret));
    }
}

void EntryEditing::Edited()
{
    if (showing_ || editing_) {
        return;
    }
    const std::string now = gtk_entry_get_text(GTK_ENTRY(entry_));
    if (!AcceptsInput(hwnd_) || InNotification()) {
        Apply();
        return;
    }
    const auto caret = static_cast<std::size_t>(ByteOffset(now, gtk_editable_get_position(GTK_EDITABLE(entry_))));
    const Replacement edit = Difference(text_, now, caret);
    const std::shared_ptr<bool> alive = alive_;
    editing_ = true;
    Select(static_cast<int>(edit.from), static_cast<int>(edit.to));
    if (edit.text.empty() && edit.from != edit.to && *alive) {
        SendMessage(hwnd_, WM_CHAR, '\b', 1);
    }
    for (std::size_t i = 0; i < edit.text.size() && *alive;) {
        char32_t c = 0xFFFD;
        const std::size_t n = Utf8Sequence(edit.text, i, &c);
        SendMessage(hwnd_, WM_CHAR, static_cast<WPARAM>(c), 1);
        i += n ? n : 1;
    }
    if (!*alive) {
        return;  // the program closed the window over the edit
    }
    editing_ = false;
    // The control may have refused part of it (a filter, its limit): the entry shows what it kept.
    Apply();
}

void EntryEditing::Selected()
{
    if (showing_ || editing_ || Valid(text_) != gtk_entry_get_text(GTK_ENTRY(entry_))) {
        return;  // mid-edit: the text's change follows and carries the caret
    }
    gint cursor = 0;
    gint bound = 0;
    g_object_get(entry_, "cursor-position", &cursor, "selection-bound", &bound, nullptr);
    const int anchor = ByteOffset(text_, bound);
    const int caret = ByteOffset(text_, cursor);
    if ((anchor == selStart_ && caret == selEnd_) || !AcceptsInput(hwnd_)) {
        return;
    }
    if (InNotification()) {
        // Focus given by the layer selects the text in the toolkit: the layer hears of it once it is done.
        if (combo_) {
            PostInput(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(anchor, caret));
        } else {
            PostInput(hwnd_, EM_SETSEL, static_cast<WPARAM>(anchor), static_cast<LPARAM>(caret));
        }
        return;
    }
    Select(anchor, caret);
}

bool EntryTakesKey(GtkWidget* window, HWND focus, const GdkEventKey* event, guint base)
{
    GtkWidget* f = GTK_IS_WINDOW(window) ? gtk_window_get_focus(GTK_WINDOW(window)) : nullptr;
    auto it = f ? Entries().find(f) : Entries().end();
    if (it == Entries().end() || it->second != focus || (event->state & GDK_MOD1_MASK)) {
        return false;
    }
    switch (base) {
    // What the dialog and the program take: moving between controls, the default and cancel
    // buttons, up-downs, help and the function keys, and the modifiers' own state.
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_Escape:
    case GDK_KEY_Up:
    case GDK_KEY_Down:
    case GDK_KEY_KP_Up:
    case GDK_KEY_KP_Down:
    case GDK_KEY_Page_Up:
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Up:
    case GDK_KEY_KP_Page_Down:
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
    case GDK_KEY_Meta_L:
    case GDK_KEY_Meta_R:
        return false;
    default:
        break;
    }
    if (base >= GDK_KEY_F1 && base <= GDK_KEY_F35) {
        return false;
    }
    if (event->state & GDK_CONTROL_MASK) {
        // The entry's own shortcuts; other Ctrl keys stay the program's accelerators.
        switch (base) {
        case GDK_KEY_a:
        case GDK_KEY_c:
        case GDK_KEY_x:
        case GDK_KEY_v:
        case GDK_KEY_Insert:
        case GDK_KEY_Left:
        case GDK_KEY_Right:
        case GDK_KEY_Home:
        case GDK_KEY_End:
        case GDK_KEY_BackSpace:
        case GDK_KEY_Delete:
            return true;
        default:
            return false;
        }
    }
    return true;
}
}

