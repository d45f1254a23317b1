#pragma once
// Inside the main window only: the flags of wave headers that device threads
// finish while the GUI thread looks at them.
#include <atomic>

#include "platform/wave/Wave.h"

inline DWORD HeaderFlags(WAVEHDR* h) { return std::atomic_ref<DWORD>(h->dwFlags).load(std::memory_order_acquire); }
inline bool HeaderDone(WAVEHDR* h) { return h && (HeaderFlags(h) & WHDR_DONE); }
