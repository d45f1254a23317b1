// The program's loop and the toolkit's together: waiting on both, waking from any thread, and the modal windows' loops.
#include <gtk/gtk.h>

#include <algorithm>

#include "platform/display/Desktop.h"
#include "platform/user/Window.h"

namespace platform::display {
namespace {
// A bound on the toolkit work done in one poll, so a source that stays ready
// (an idle handler asking for more) cannot keep the program's queue waiting.
constexpr int kPollIterations = 64;

gboolean TimedOut(gpointer fired)
{
    *static_cast<bool*>(fired) = true;
    return G_SOURCE_REMOVE;
}
}

bool DesktopBackend::PollEvents()
{
    const unsigned before = posted_;
    for (int i = 0; i < kPollIterations && g_main_context_pending(nullptr); ++i) {
        g_main_context_iteration(nullptr, FALSE);
    }
    SyncOpenMenus();
    return posted_ != before;
}

void DesktopBackend::WaitForEvents(std::optional<std::uint64_t> timeoutMs)
{
    SyncOpenMenus();
    if (woken_.exchange(false)) {
        return;
    }
    // One iteration: it returns when the toolkit has dispatched something, on a
    // wake-up (the context's own, which is remembered if it comes first) or when
    // the timer is due.
    bool fired = false;
    guint timer = 0;
    if (timeoutMs) {
        timer = g_timeout_add_full(G_PRIORITY_HIGH, static_cast<guint>(std::min<std::uint64_t>(*timeoutMs, G_MAXUINT)),
                                   TimedOut, &fired, nullptr);
    }
    g_main_context_iteration(nullptr, TRUE);
    if (timer && !fired) {
        g_source_remove(timer);
    }
    woken_.store(false);
}

void DesktopBackend::Wake()
{
    woken_.store(true);
    g_main_context_wakeup(nullptr);
}

bool RunNestedLoop(const std::function<bool()>& done)
{
    MSG msg;
    while (!done()) {
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns it
            return false;
        }
        ProcessMessage(&msg);
    }
    return true;
}

void DesktopBackend::BeginModal(HWND window, LPCSTR)
{
    if (window) {
        SetModal(window, true);
    }
}

void DesktopBackend::ModalReady(HWND window)
{
    if (Native* n = Find(window)) {
        n->Widget()->Raise();
    }
}

bool DesktopBackend::ModalIdle(HWND) { return true; }

void DesktopBackend::EndModal(HWND window) { SetModal(window, false); }

int DesktopBackend::ShowMessageBox(const MessageBoxRequest& request) { return RunMessageBox(request); }

std::optional<FileDialogResult> DesktopBackend::ChooseFile(const FileDialogRequest& request) { return RunFileChooser(request); }

UINT DesktopBackend::TrackPopupMenu(HMENU menu, HWND owner, POINT at) { return PopupMenu(menu, owner, at); }
}
