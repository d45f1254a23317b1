#pragma once
// Holding back the program's messages while a copy runs on the GUI thread, so
// that only the copy's own window (its Cancel button) is served meanwhile.
#include <vector>

#include "platform/user/Messages.h"

namespace platform {
// Messages for other windows (commands, accelerator keys, schedule timers,
// close requests, device notices) would otherwise run inside the copy. They
// are taken off the queue and posted again, in order and ahead of anything
// newer, when the hold ends. Paint requests are served for every window.
class MessageHold {
public:
    // keep: the copy's window; it and its children get their messages at once.
    explicit MessageHold(HWND keep = nullptr);
    ~MessageHold();
    MessageHold(const MessageHold&) = delete;
    MessageHold& operator=(const MessageHold&) = delete;

    // The window may be made (or replaced) after the hold began.
    void Keep(HWND window) { keep_ = window; }
    // Serves what waits for the kept window and holds the rest.
    void Pump();
    std::size_t HeldCount() const { return held_.size(); }

private:
    // Takes everything waiting; with serveKept the kept window's messages run.
    void Drain(bool serveKept);
    bool ForKept(HWND hwnd) const;
    // False for a timer already held: it fell due again.
    bool Hold(const MSG& msg);

    HWND keep_;
    std::vector<MSG> held_;
    bool quit_ = false;
    int quitCode_ = 0;
};
}
