#pragma once
// Threads and critical sections with the Windows contract the file classes use.
#include "platform/core/Types.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);
constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

HANDLE CreateThread(void* threadAttributes, std::size_t stackSize, LPTHREAD_START_ROUTINE startAddress,
                    LPVOID parameter, DWORD creationFlags, DWORD* threadId);
// Returns the previous suspend count, or (DWORD)-1 on a bad handle.
DWORD ResumeThread(HANDLE thread);
// The thread's handle ends; a thread still running goes on by itself.
BOOL CloseHandle(HANDLE object);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

struct CRITICAL_SECTION {
    void* impl = nullptr;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;
void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
