#pragma once
// Windows of other processes of the same user. A first instance takes its
// class's lock in the per-user runtime folder and publishes its window there
// (a Unix socket); FindWindowA in another process finds it, and what that
// process posts, shows or activates arrives in the publisher's queue. Every
// connection must come from this user; anything else is dropped.
#include <cstdint>
#include <string>

#include "platform/user/Messages.h"

// The top-level window of this process with that class (any case) and title
// (null: any); when there is none and no title is asked for, the window that
// another process of this user published under the class.
HWND FindWindowA(LPCSTR className, LPCSTR windowName);

namespace platform::ipc {
// $XDG_RUNTIME_DIR/tapvox, else /tmp/tapvox-<uid>: made with mode 0700, and
// refused (empty) unless it is a real folder of ours that nobody else can open.
std::string RuntimeFolder();

// The single-instance lock of a window class: held by at most one process of
// the user at a time, from the constructor until destruction (or the process's end).
class InstanceLock {
public:
    explicit InstanceLock(const std::string& className);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    // Not held because another process of the user holds it: a first instance runs.
    bool HeldElsewhere() const { return heldElsewhere_; }
    const std::string& ClassName() const { return className_; }
    const std::string& Path() const { return path_; }
    // What stood at the lock's name and was replaced ("a FIFO", "a lock
    // file of user 1001"), or why no lock could be made; empty when neither.
    const std::string& Found() const { return found_; }
    const std::string& Problem() const { return problem_; }

private:
    std::string className_;
    std::string path_;
    std::string found_;
    std::string problem_;
    int fd_ = -1;
    bool heldElsewhere_ = false;
};

// Which posted messages from outside the window accepts (the rest are dropped).
using AcceptFilter = bool (*)(UINT message, WPARAM wParam, LPARAM lParam);

// Publishes window under the lock's class: others find it and reach it until
// WithdrawWindow (a destroyed window's endpoint ignores what comes). False
// without the lock, a runtime folder or a live window.
bool PublishWindow(const InstanceLock& lock, HWND window, AcceptFilter accept);
void WithdrawWindow(HWND window);

// Why a window published under the class cannot be reached (its socket's
// path is longer than a socket address holds); empty when it can.
std::string EndpointProblem(const std::string& className);

// Posts to a window another process published and waits up to timeoutMs for
// the publisher to acknowledge it: 1 taken, 0 refused by the window's filter,
// -1 no acknowledgement (dropped on the way, publisher gone or not answering).
int PostAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs);

// The window another process of this user published, by its number (the
// publisher's process id); null when none is published under it.
HWND WindowFromNumber(std::uint32_t number);
// The published window of the class, waiting up to timeoutMs for a publisher
// that holds the lock but has not published yet; null when none came.
HWND WaitForWindow(const char* className, int timeoutMs);
}
