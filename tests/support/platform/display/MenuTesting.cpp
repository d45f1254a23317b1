// What the desktop tests read of a frame's menu bar (each item's texts as shown, the toolkit's own shortcuts) and of the toolkit's log.
#include <gtk/gtk.h>

#include <cstdio>
#include <utility>

#include "platform/display/Desktop.h"
#include "tests/support/platform/display/DisplayTesting.h"

namespace platform::display::testing {
namespace {
void CollectLabels(GtkWidget* w, std::string& out)
{
    if (!gtk_widget_get_visible(w)) {
        return;
    }
    if (GTK_IS_LABEL(w)) {
        const gchar* t = gtk_label_get_text(GTK_LABEL(w));
        out += out.empty() ? "" : "\t";
        out += t ? t : "";
        return;
    }
    if (GTK_IS_CONTAINER(w)) {
        GList* kids = gtk_container_get_children(GTK_CONTAINER(w));
        for (GList* l = kids; l; l = l->next) {
            CollectLabels(GTK_WIDGET(l->data), out);
        }
        g_list_free(kids);
    }
}

void CollectItems(const wxMenu& menu, std::vector<std::string>& out)
{
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        if (item->IsSeparator()) {
            continue;
        }
        std::string text;
        if (GtkWidget* w = item->GetMenuItem()) {
            if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(w))) {
                CollectLabels(child, text);
            }
        }
        out.push_back(text);
        if (const wxMenu* sub = item->GetSubMenu()) {
            CollectItems(*sub, out);
        }
    }
}
}

std::vector<std::string> MenuBarItemTexts(HWND frame)
{
    std::vector<std::string> out;
    Native* n = FindNative(frame);
    auto* f = n ? dynamic_cast<wxFrame*>(n->Widget()) : nullptr;
    const wxMenuBar* bar = f ? f->GetMenuBar() : nullptr;
    for (std::size_t i = 0; bar && i < bar->GetMenuCount(); ++i) {
        CollectItems(*bar->GetMenu(i), out);
    }
    return out;
}

int ToolkitShortcuts(HWND frame)
{
    Native* n = FindNative(frame);
    wxWindow* w = n ? n->Widget() : nullptr;
    int count = 0;
    for (GSList* g = w ? gtk_accel_groups_from_object(G_OBJECT(w->GetHandle())) : nullptr; g; g = g->next) {
        gtk_accel_group_find(GTK_ACCEL_GROUP(g->data), +[](GtkAccelKey*, GClosure*, gpointer counted) {
            ++*static_cast<int*>(counted);
            return FALSE;
        }, &count);
    }
    return count;
}

// Both the toolkit's own log and the GTK and GLib messages under it.
class ToolkitLog::Target : public wxLog {
public:
    Target() : previous_(wxLog::SetActiveTarget(this)), previousHandler_(g_log_set_default_handler(OnGLog, this)) {}
    ~Target() override
    {
        g_log_set_default_handler(previousHandler_, nullptr);
        wxLog::SetActiveTarget(previous_);
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
    std::vector<std::string> lines;

protected:
    // Every level, debug notes included: the base class would send those elsewhere.
    void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override { Keep(std::string(msg.utf8_str())); }

private:
    static void OnGLog(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer self)
    {
        static_cast<Target*>(self)->Keep(std::string(domain ? domain : "") + ": " + (message ? message : ""));
    }
    void Keep(std::string line)
    {
        std::fprintf(stderr, "%s\n", line.c_str());
        lines.push_back(std::move(line));
    }

    wxLog* previous_;
    GLogFunc previousHandler_;
};

ToolkitLog::ToolkitLog() : target_(new Target) {}

ToolkitLog::~ToolkitLog() { delete target_; }

std::vector<std::string> ToolkitLog::Lines() const { return target_->lines; }
}
