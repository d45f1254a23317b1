// The worker thread runs Start then Finish once resumed; destruction neither waits for it nor stops it.
#include "files/ThreadObject.h"

ThreadObject::ThreadObject()
{
    unused = 0;
    threadHandle = CreateThread(nullptr, 0, &ThreadObject::Routine, this, CREATE_SUSPENDED, &threadId);
    InitializeCriticalSection(&lock);
}

ThreadObject::~ThreadObject()
{
    DeleteCriticalSection(&lock);
    CloseHandle(threadHandle);
}

DWORD ThreadObject::Routine(LPVOID object)
{
    auto* self = static_cast<ThreadObject*>(object);
    self->Start();
    self->Finish();
    return 0;
}
