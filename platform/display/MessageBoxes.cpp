// Message boxes as the toolkit's message dialogs, answered while the program's queue keeps running.
#include <gtk/gtk.h>

#include <vector>

#include "platform/display/Desktop.h"
#include "platform/user/MessageBox.h"

namespace platform::display {
namespace {
struct Answer {
    int button = 0;
    int onClose = 0;  // what closing the box answers (0: closing is refused, as with Yes/No)
};

std::vector<std::pair<int, const char*>> Buttons(UINT set)
{
    switch (set) {
    case MB_OKCANCEL:
        return {{IDOK, "_OK"}, {IDCANCEL, "_Cancel"}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, "_Abort"}, {IDRETRY, "_Retry"}, {IDIGNORE, "_Ignore"}};
    case MB_YESNOCANCEL:
        return {{IDYES, "_Yes"}, {IDNO, "_No"}, {IDCANCEL, "_Cancel"}};
    case MB_YESNO:
        return {{IDYES, "_Yes"}, {IDNO, "_No"}};
    case MB_RETRYCANCEL:
        return {{IDRETRY, "_Retry"}, {IDCANCEL, "_Cancel"}};
    default:
        return {{IDOK, "_OK"}};
    }
}

GtkMessageType Icon(UINT type)
{
    switch (type & 0xF0) {
    case MB_ICONERROR:
        return GTK_MESSAGE_ERROR;
    case MB_ICONQUESTION:
        return GTK_MESSAGE_QUESTION;
    case MB_ICONWARNING:
        return GTK_MESSAGE_WARNING;
    case MB_ICONINFORMATION:
        return GTK_MESSAGE_INFO;
    default:
        return GTK_MESSAGE_OTHER;
    }
}

void OnResponse(GtkDialog*, gint response, gpointer data)
{
    auto* a = static_cast<Answer*>(data);
    a->button = response > 0 ? response : a->onClose;
    if (a->button) {
        PostMessage(nullptr, WM_NULL, 0, 0);  // ends the wait of the box's loop
    }
}
}

GtkWindow* ShellOf(HWND owner)
{
    Native* n = FindNative(TopLevelOf(owner));
    return n && n->Widget() ? GTK_WINDOW(n->Widget()->GetHandle()) : nullptr;
}

int RunMessageBox(const MessageBoxRequest& request)
{
    const UINT set = request.type & 0xF;
    const auto buttons = Buttons(set > MB_RETRYCANCEL ? MB_OK : set);
    GtkWidget* box = gtk_message_dialog_new(ShellOf(request.owner), GTK_DIALOG_MODAL, Icon(request.type), GTK_BUTTONS_NONE,
                                            "%s", request.text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), request.caption.c_str());
    if (request.type & MB_TOPMOST) {
        gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
    }
    Answer answer;
    for (const auto& [id, label] : buttons) {
        gtk_dialog_add_button(GTK_DIALOG(box), label, id);
        if (id == IDCANCEL || (buttons.size() == 1 && id == IDOK)) {
            answer.onClose = id;
        }
    }
    gtk_dialog_set_default_response(GTK_DIALOG(box), DefaultMessageBoxButton(request.type));
    g_signal_connect(box, "response", G_CALLBACK(OnResponse), &answer);
    gtk_widget_show_all(box);
    gtk_window_present(GTK_WINDOW(box));
    const bool answered = RunNestedLoop([&answer] { return answer.button != 0; });
    gtk_widget_destroy(box);
    return answered ? answer.button : (answer.onClose ? answer.onClose : DefaultMessageBoxButton(request.type));
}
}
