// The open, save and folder dialogs as the toolkit's file chooser: filters that ignore case, and the overwrite prompt for the name the layer will use.
#include <gtk/gtk.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/display/Desktop.h"
#include "platform/user/CommonDialogs.h"

namespace platform::display {
namespace {
// "*.wav" matches "TAKE.WAV" too, as the file systems the program was made for do.
std::string AnyCase(const std::string& pattern)
{
    std::string out;
    for (char c : pattern) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            const char lower = static_cast<char>(c | 0x20);
            out += '[';
            out += lower;
            out += static_cast<char>(lower - 32);
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

bool Exists(const std::string& path)
{
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

// The name the layer will hand back: with the default extension when the name has none.
std::string FinalName(const std::string& path, const std::string& extension)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (!extension.empty() && path.find('.', nameStart) == std::string::npos) {
        return path + "." + extension;
    }
    return path;
}

bool ConfirmReplace(GtkWindow* parent, const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    GtkWidget* ask = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
                                            "%s already exists.\nDo you want to replace it?", name.c_str());
    gtk_window_set_title(GTK_WINDOW(ask), "Confirm Save As");
    gtk_dialog_add_button(GTK_DIALOG(ask), "_Yes", GTK_RESPONSE_YES);
    gtk_dialog_add_button(GTK_DIALOG(ask), "_No", GTK_RESPONSE_NO);
    gtk_dialog_set_default_response(GTK_DIALOG(ask), GTK_RESPONSE_NO);
    gint response = 0;
    g_signal_connect(ask, "response", G_CALLBACK(+[](GtkDialog*, gint r, gpointer p) {
        *static_cast<gint*>(p) = r == GTK_RESPONSE_YES ? GTK_RESPONSE_YES : GTK_RESPONSE_NO;
        PostMessage(nullptr, WM_NULL, 0, 0);
    }), &response);
    gtk_widget_show_all(ask);
    RunNestedLoop([&response] { return response != 0; });
    gtk_widget_destroy(ask);
    return response == GTK_RESPONSE_YES;
}

// Without a size the desktop remembered, the chooser sizes itself to 83 by 62 of its font's
// characters, nearly the whole of a common screen: it keeps to three quarters of the work area.
void KeepToUsualSize(GtkWidget* chooser, gpointer)
{
    GdkRectangle area{0, 0, 1024, 768};
    GdkDisplay* display = gtk_widget_get_display(chooser);
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) {
        monitor = gdk_display_get_monitor(display, 0);
    }
    if (monitor) {
        gdk_monitor_get_workarea(monitor, &area);
    }
    gint width = 0;
    gint height = 0;
    gtk_window_get_size(GTK_WINDOW(chooser), &width, &height);
    const gint most = area.width * 3 / 4;
    const gint tallest = area.height * 3 / 4;
    if (width > most || height > tallest) {
        gtk_window_resize(GTK_WINDOW(chooser), std::min(width, most), std::min(height, tallest));
    }
}

struct ChooserAnswer {
    gint response = 0;
};
}

std::optional<FileDialogResult> RunFileChooser(const FileDialogRequest& r)
{
    GtkFileChooserAction action = GTK_FILE_CHOOSER_ACTION_OPEN;
    const char* title = "Open";
    const char* accept = "_Open";
    if (r.kind == FileDialogKind::Save) {
        action = GTK_FILE_CHOOSER_ACTION_SAVE;
        title = "Save As";
        accept = "_Save";
    } else if (r.kind == FileDialogKind::Folder) {
        action = GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
        title = "Select Folder";
        accept = "_Select";
    }
    GtkWidget* d = gtk_file_chooser_dialog_new(r.title.empty() ? title : r.title.c_str(), ShellOf(r.owner), action,
                                               "_Cancel", GTK_RESPONSE_CANCEL, accept, GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(d);
    gtk_window_set_modal(GTK_WINDOW(d), TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    if (r.kind != FileDialogKind::Folder) {
        int index = 1;
        for (const auto& [description, patterns] : r.filters) {
            GtkFileFilter* filter = gtk_file_filter_new();
            gtk_file_filter_set_name(filter, description.c_str());
            std::size_t start = 0;
            while (start <= patterns.size()) {
                std::size_t end = patterns.find(';', start);
                if (end == std::string::npos) {
                    end = patterns.size();
                }
                if (end > start) {
                    gtk_file_filter_add_pattern(filter, AnyCase(patterns.substr(start, end - start)).c_str());
                }
                start = end + 1;
            }
            gtk_file_chooser_add_filter(chooser, filter);
            if (index++ == r.filterIndex) {
                gtk_file_chooser_set_filter(chooser, filter);
            }
        }
    }
    const std::size_t slash = r.fileName.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? r.initialFolder : r.fileName.substr(0, slash);
    if (folder.empty()) {
        // No folder given: the current one, where the program keeps its recordings, not the toolkit's "Recent".
        gchar* current = g_get_current_dir();
        folder = current;
        g_free(current);
    }
    const std::string name = slash == std::string::npos ? r.fileName : r.fileName.substr(slash + 1);
    if (!folder.empty()) {
        gtk_file_chooser_set_current_folder(chooser, folder.c_str());
    }
    if (r.kind == FileDialogKind::Save && !name.empty()) {
        gtk_file_chooser_set_current_name(chooser, name.c_str());
    } else if (r.kind == FileDialogKind::Open && !name.empty() && Exists(folder + "/" + name)) {
        gtk_file_chooser_set_filename(chooser, (folder + "/" + name).c_str());
    }
    GtkWidget* readOnly = nullptr;
    if (r.kind == FileDialogKind::Open && !(r.flags & OFN_HIDEREADONLY)) {
        readOnly = gtk_check_button_new_with_mnemonic("Open as _read-only");
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(readOnly), (r.flags & OFN_READONLY) ? TRUE : FALSE);
        gtk_file_chooser_set_extra_widget(chooser, readOnly);
    }
    ChooserAnswer answer;
    g_signal_connect(d, "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer p) {
        static_cast<ChooserAnswer*>(p)->response = response;
        PostMessage(nullptr, WM_NULL, 0, 0);
    }), &answer);
    g_signal_connect_after(d, "map", G_CALLBACK(KeepToUsualSize), nullptr);
    gtk_widget_show_all(d);
    gtk_window_present(GTK_WINDOW(d));
    std::optional<FileDialogResult> result;
    for (;;) {
        answer.response = 0;
        if (!RunNestedLoop([&answer] { return answer.response != 0; }) || answer.response != GTK_RESPONSE_ACCEPT) {
            break;
        }
        gchar* chosen = gtk_file_chooser_get_filename(chooser);
        const std::string path = chosen ? chosen : "";
        g_free(chosen);
        if (path.empty()) {
            continue;
        }
        if (r.kind == FileDialogKind::Save && (r.flags & OFN_OVERWRITEPROMPT)) {
            const std::string final = FinalName(path, r.defaultExtension);
            if (Exists(final) && !ConfirmReplace(GTK_WINDOW(d), final)) {
                continue;
            }
        }
        result = FileDialogResult{path, readOnly && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(readOnly))};
        break;
    }
    gtk_widget_destroy(d);
    return result;
}
}
