#pragma once
// Base of work that runs on a thread of its own: created suspended, with a lock
// for what the worker shares with its owner. Nothing in the program uses it yet.
#include "platform/kernel/Threads.h"

class ThreadObject {
public:
    ThreadObject();
    virtual ~ThreadObject();     // 0: neither waits for nor stops the thread
    virtual void Start() = 0;    // 1: runs first on the worker
    virtual void Finish() = 0;   // 2: runs after it on the worker
    virtual void Stop() = 0;     // 3

    HANDLE GetThreadHandle() const { return threadHandle; }
    DWORD GetThreadId() const { return threadId; }

    ThreadObject(const ThreadObject&) = delete;
    ThreadObject& operator=(const ThreadObject&) = delete;

protected:
    DWORD unused = 0;
    HANDLE threadHandle = nullptr;
    DWORD threadId = 0;
    CRITICAL_SECTION lock;

private:
    static DWORD Routine(LPVOID object);
};

// Abstract reader of compressed audio on its own thread.
class AcmReader : public ThreadObject {
};
