#pragma once
// Internal to platform/user: the layer's record of one window, whose shown state changes only through Edit.
// The backend hears of each change; the layer's own bookkeeping (procedures,
// paint requests, dialog results) is not shown and changes freely. Records
// belong to the GUI thread.
#include <string>
#include <utility>
#include <vector>

#include "platform/user/Backend.h"

namespace platform {
class WindowRecord;

namespace user_detail {
// Tells the backend; the one place every change of a shown state passes.
void NotifyChanged(const WindowRecord& record, WindowChange what);
}

// A window's paint request. Every request is counted, so a queue with nothing
// to paint says so without a walk over every window at each empty look.
class PaintFlag {
public:
    PaintFlag() = default;
    PaintFlag(const PaintFlag&) = delete;
    PaintFlag& operator=(const PaintFlag&) = delete;
    ~PaintFlag() { *this = false; }
    PaintFlag& operator=(bool on)
    {
        if (on != on_) {
            on_ = on;
            pending_ += on ? 1 : -1;
        }
        return *this;
    }
    operator bool() const { return on_; }
    // Windows asking to be painted, over all records.
    static int Pending() { return pending_; }

private:
    bool on_ = false;
    static inline int pending_ = 0;
};

class WindowRecord {
    WindowState state_;

public:
    WindowRecord(HWND h, WindowState initial) : state_(std::move(initial)), handle(h) {}
    WindowRecord(const WindowRecord&) = delete;
    WindowRecord& operator=(const WindowRecord&) = delete;

    // Write access to the shown state for one change; the backend hears of it
    // when the edit ends (the end of the statement, for a temporary).
    class Edit {
    public:
        Edit(WindowRecord& record, WindowChange what) : record_(record), what_(what) {}
        ~Edit() { user_detail::NotifyChanged(record_, what_); }
        Edit(const Edit&) = delete;
        Edit& operator=(const Edit&) = delete;
        WindowState* operator->() { return &record_.state_; }
        WindowState& operator*() { return record_.state_; }

    private:
        WindowRecord& record_;
        WindowChange what_;
    };
    Edit Change(WindowChange what) { return Edit(*this, what); }

    HWND handle = nullptr;  // null once destroyed: no more notifications
    const WindowState& state = state_;

    // Bookkeeping of the layer.
    PaintFlag needsPaint;
    bool eraseOnPaint = false;
    unsigned paintCount = 0;  // WM_PAINT handled, for tests
    WNDPROC proc = nullptr;
    std::intptr_t userData = 0;  // GWLP_USERDATA
    std::vector<std::pair<std::string, HANDLE>> props;  // SetPropA
    DWORD_PTR dialogResult = 0;  // dialogs: EndDialog's result
    bool dialogEnded = false;
    LRESULT dialogMsgResult = 0;  // DWLP_MSGRESULT
    std::intptr_t (*dialogProc)(HWND, UINT, WPARAM, LPARAM) = nullptr;  // DWLP_DLGPROC
    int defaultId = 1;  // dialogs: the default push button
    SIZE baseUnits{6, 13};  // dialogs: their font's, for MapDialogRect
};

// The record of a live window, or null.
WindowRecord* FindWindowRecord(HWND hwnd);
// Every live window, top-level and child, in creation order.
std::vector<HWND> AllWindows();
}
