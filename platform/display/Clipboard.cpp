// The desktop's clipboard through GTK: what the program sets is offered under
// the MIME types other programs look for and under its registered names.
#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/display/Desktop.h"
#include "platform/user/Clipboard.h"

namespace platform::display {
namespace {
// The names one format travels under, the usual first.
std::vector<std::string> TargetsOf(UINT format, const std::string& name)
{
    if (format == CF_WAVE) {
        return {"audio/x-wav", "audio/wav"};
    }
    if (name == "mp3") {
        return {"audio/mpeg", "mp3"};
    }
    if (name == "ogg") {
        return {"audio/ogg", "ogg"};
    }
    if (format == CF_TEXT) {
        return {"text/plain"};
    }
    if (!name.empty()) {
        return {name};
    }
    return {};
}

// Ours while we own the clipboard: GTK hands it back through ClearOffer.
struct Offer {
    std::vector<ClipboardItem> items;
    std::vector<std::string> targets;  // target i serves items[index[i]]
    std::vector<std::size_t> index;
};

void ServeOffer(GtkClipboard*, GtkSelectionData* selection, guint info, gpointer data)
{
    const auto* offer = static_cast<const Offer*>(data);
    if (info >= offer->index.size()) {
        return;
    }
    const std::vector<BYTE>& bytes = offer->items[offer->index[info]].bytes;
    gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8, bytes.data(), static_cast<gint>(bytes.size()));
}

void ClearOffer(GtkClipboard*, gpointer data) { delete static_cast<Offer*>(data); }

GtkClipboard* DesktopClipboard() { return gtk_clipboard_get(GDK_SELECTION_CLIPBOARD); }
}

bool DesktopBackend::PublishClipboard(const std::vector<ClipboardItem>& items)
{
    GtkClipboard* clipboard = DesktopClipboard();
    auto offer = std::make_unique<Offer>();
    offer->items = items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (const std::string& target : TargetsOf(items[i].format, items[i].name)) {
            offer->targets.push_back(target);
            offer->index.push_back(i);
        }
    }
    if (offer->targets.empty()) {
        gtk_clipboard_clear(clipboard);
        return true;
    }
    std::vector<GtkTargetEntry> entries;
    for (std::size_t i = 0; i < offer->targets.size(); ++i) {
        entries.push_back(GtkTargetEntry{const_cast<gchar*>(offer->targets[i].c_str()), 0, static_cast<guint>(i)});
    }
    // GTK copies the entries; the offer stays until another owner takes over.
    Offer* kept = offer.release();
    if (!gtk_clipboard_set_with_data(clipboard, entries.data(), static_cast<guint>(entries.size()), ServeOffer, ClearOffer, kept)) {
        delete kept;
        return false;
    }
    // A clipboard manager may keep the data once the program has gone.
    gtk_clipboard_set_can_store(clipboard, entries.data(), static_cast<gint>(entries.size()));
    return true;
}

std::optional<std::vector<BYTE>> DesktopBackend::ReadClipboard(UINT format, const std::string& name)
{
    for (const std::string& target : TargetsOf(format, name)) {
        // Some owners answer any target with what they hold: ask only for one they list.
        const GdkAtom atom = gdk_atom_intern(target.c_str(), FALSE);
        if (!gtk_clipboard_wait_is_target_available(DesktopClipboard(), atom)) {
            continue;
        }
        GtkSelectionData* selection = gtk_clipboard_wait_for_contents(DesktopClipboard(), atom);
        if (!selection) {
            continue;
        }
        const gint length = gtk_selection_data_get_length(selection);
        const guchar* data = gtk_selection_data_get_data(selection);
        std::optional<std::vector<BYTE>> bytes;
        if (length > 0 && data) {
            bytes.emplace(data, data + length);
        }
        gtk_selection_data_free(selection);
        if (bytes) {
            return bytes;
        }
    }
    return std::nullopt;
}

bool DesktopBackend::ClipboardHolds(UINT format, const std::string& name)
{
    for (const std::string& target : TargetsOf(format, name)) {
        if (gtk_clipboard_wait_is_target_available(DesktopClipboard(), gdk_atom_intern(target.c_str(), FALSE))) {
            return true;
        }
    }
    return false;
}
}
