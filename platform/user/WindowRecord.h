#pragma once
// The layer's record of one window. Both backends serve these records: the
// headless one only keeps them, a desktop one mirrors them as widgets and feeds
// input back as messages. Records belong to the GUI thread.
#include <string>
#include <vector>

#include "platform/user/Messages.h"

namespace platform {
struct ListItem {
    std::string text;
    LPARAM data = 0;
};

struct WindowRecord {
    HWND handle = nullptr;
    std::string className;  // as registered (standard classes in upper case as Windows lists them)
    int id = 0;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};        // in the parent's client coordinates (screen for top-level windows)
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::vector<HWND> children;  // creation order = z and tab order
    bool enabled = true;
    bool visible = false;
    bool topMost = false;
    bool minimized = false;
    bool needsPaint = false;
    bool eraseOnPaint = false;
    unsigned paintCount = 0;  // WM_PAINT handled, for tests and backends
    WNDPROC proc = nullptr;
    std::intptr_t userData = 0;   // GWLP_USERDATA
    void* object = nullptr;  // the class library's window object, if any
    HANDLE menu = nullptr;
    HANDLE smallIcon = nullptr;
    HANDLE bigIcon = nullptr;

    // State of the standard controls.
    int check = 0;             // buttons: BST_*
    bool pushed = false;       // button held down
    std::vector<ListItem> items;  // combo and list boxes
    int curSel = -1;
    int textLimit = 0;         // edits and combo edits; 0 = the default maximum
    int selStart = 0;          // edit selection (caret at selEnd)
    int selEnd = 0;
    int rangeMin = 0;          // up-down, trackbar, progress
    int rangeMax = 100;
    int pos = 0;
    int tickFreq = 1;
    HWND buddy = nullptr;
    WORD hotKey = 0;
    DWORD_PTR dialogResult = 0;  // dialogs: EndDialog's result
    bool dialogEnded = false;
    int dialogTemplate = 0;      // resource id of a dialog made from a template
    LRESULT dialogMsgResult = 0; // DWLP_MSGRESULT
    std::intptr_t (*dialogProc)(HWND, UINT, WPARAM, LPARAM) = nullptr;
    int defaultId = 1;           // dialogs: the default push button
};

// The record of a live window, or null.
WindowRecord* FindWindowRecord(HWND hwnd);
// Every live window, top-level and child, in creation order.
std::vector<HWND> AllWindows();
}
