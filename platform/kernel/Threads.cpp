// Threads that start only once resumed and outlive their closed handles; critical sections are recursive mutexes.
#include "platform/kernel/Threads.h"

#include <chrono>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {
struct ThreadState {
    std::mutex mutex;
    std::condition_variable changed;
    DWORD suspendCount = 0;
    bool finished = false;
};

// What a HANDLE points to; only threads are handed out so far.
struct ThreadHandle {
    std::shared_ptr<ThreadState> state;
};

ThreadHandle* AsThread(HANDLE h)
{
    return (h && h != INVALID_HANDLE_VALUE) ? static_cast<ThreadHandle*>(h) : nullptr;
}
}

HANDLE CreateThread(void*, std::size_t, LPTHREAD_START_ROUTINE startAddress, LPVOID parameter, DWORD creationFlags,
                    DWORD* threadId)
{
    if (!startAddress) {
        return nullptr;
    }
    static std::atomic<DWORD> nextId{1};
    auto state = std::make_shared<ThreadState>();
    state->suspendCount = (creationFlags & CREATE_SUSPENDED) ? 1 : 0;
    const DWORD id = nextId++;
    try {
        std::thread([state, startAddress, parameter] {
            {
                std::unique_lock lock(state->mutex);
                state->changed.wait(lock, [&] { return state->suspendCount == 0; });
            }
            startAddress(parameter);
            std::lock_guard lock(state->mutex);
            state->finished = true;
            state->changed.notify_all();
        }).detach();
    } catch (...) {
        return nullptr;
    }
    if (threadId) {
        *threadId = id;
    }
    return new ThreadHandle{state};
}

DWORD ResumeThread(HANDLE thread)
{
    ThreadHandle* t = AsThread(thread);
    if (!t) {
        return static_cast<DWORD>(-1);
    }
    std::lock_guard lock(t->state->mutex);
    const DWORD previous = t->state->suspendCount;
    if (previous > 0 && --t->state->suspendCount == 0) {
        t->state->changed.notify_all();
    }
    return previous;
}

BOOL CloseHandle(HANDLE object)
{
    ThreadHandle* t = AsThread(object);
    if (!t) {
        return FALSE;
    }
    delete t;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    ThreadHandle* t = AsThread(object);
    if (!t) {
        return WAIT_FAILED;
    }
    std::unique_lock lock(t->state->mutex);
    auto done = [&] { return t->state->finished; };
    if (milliseconds == INFINITE) {
        t->state->changed.wait(lock, done);
        return WAIT_OBJECT_0;
    }
    return t->state->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), done) ? WAIT_OBJECT_0
                                                                                           : WAIT_TIMEOUT;
}

void InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    if (section) {
        section->impl = new std::recursive_mutex;
    }
}

void DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    if (section) {
        delete static_cast<std::recursive_mutex*>(section->impl);
        section->impl = nullptr;
    }
}

void EnterCriticalSection(LPCRITICAL_SECTION section)
{
    static_cast<std::recursive_mutex*>(section->impl)->lock();
}

void LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    static_cast<std::recursive_mutex*>(section->impl)->unlock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section)
{
    return static_cast<std::recursive_mutex*>(section->impl)->try_lock();
}
